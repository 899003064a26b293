<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>QtAutoUpdater::UpdateButton</name>
    <message>
        <location filename="../src/autoupdater/updatebutton.cpp" line="8"/>
        <source>Check for updates</source>
        <translation>Vérifier les mises à jour</translation>
    </message>
</context>
<context>
    <name>QtAutoUpdater::UpdateCheck</name>
    <message>
        <location filename="../src/autoupdater/updatecheck.cpp" line="112"/>
        <source>The maintenance tool reported updates, but its output contains no readable list of them.</source>
        <translation>L’outil de maintenance a signalé des mises à jour, mais sa sortie n’en contient aucune liste lisible.</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecheck.cpp" line="283"/>
        <source>The maintenance tool &quot;%1&quot; could not be started: %2</source>
        <translation>Impossible de lancer l’outil de maintenance «&#xa0;%1&#xa0;»&#xa0;: %2</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecheck.cpp" line="252"/>
        <source>Its error output was:
%1</source>
        <translation>Sa sortie d’erreur était&#xa0;:
%1</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecheck.cpp" line="280"/>
        <source>The maintenance tool &quot;%1&quot; does not exist or is not an executable file.</source>
        <translation>L’outil de maintenance «&#xa0;%1&#xa0;» n’existe pas ou n’est pas un fichier exécutable.</translation>
    </message>
    <message numerus="yes">
        <location filename="../src/autoupdater/updatecheck.cpp" line="285"/>
        <source>The maintenance tool did not finish within %n second(s) and was stopped.</source>
        <translation>
            <numerusform>L’outil de maintenance ne s’est pas terminé en %n seconde et a été arrêté.</numerusform>
            <numerusform>L’outil de maintenance ne s’est pas terminé en %n secondes et a été arrêté.</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecheck.cpp" line="288"/>
        <source>The maintenance tool produced far more output than expected and was stopped.</source>
        <translation>L’outil de maintenance a produit bien plus de sortie que prévu et a été arrêté.</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecheck.cpp" line="290"/>
        <source>The maintenance tool crashed.</source>
        <translation>L’outil de maintenance s’est arrêté brutalement.</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecheck.cpp" line="292"/>
        <source>The maintenance tool failed with exit code %1.</source>
        <translation>L’outil de maintenance a échoué avec le code de sortie %1.</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecheck.cpp" line="278"/>
        <source>The check for updates was canceled.</source>
        <translation>La vérification des mises à jour a été annulée.</translation>
    </message>
</context>
<context>
    <name>QtAutoUpdater::UpdateWindows</name>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="28"/>
        <source>Check for updates</source>
        <translation>Vérifier les mises à jour</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="29"/>
        <source>Checking for updates...</source>
        <translation>Vérification des mises à jour en cours…</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="43"/>
        <source>Updates available</source>
        <translation>Mises à jour disponibles</translation>
    </message>
    <message numerus="yes">
        <location filename="../src/autoupdater/updatewindows.cpp" line="46"/>
        <source>%n update(s) available for %1.</source>
        <translation>
            <numerusform>%n mise à jour disponible pour %1.</numerusform>
            <numerusform>%n mises à jour disponibles pour %1.</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="53"/>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="53"/>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="53"/>
        <source>Size</source>
        <translation>Taille</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="57"/>
        <source>unknown</source>
        <translation>inconnue</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="43"/>
        <source>No updates</source>
        <translation>Aucune mise à jour</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="48"/>
        <source>No updates are available for %1.</source>
        <translation>Aucune mise à jour n’est disponible pour %1.</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="43"/>
        <source>Update check failed</source>
        <translation>Échec de la vérification des mises à jour</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="50"/>
        <source>The check for updates failed.</source>
        <translation>La vérification des mises à jour a échoué.</translation>
    </message>
</context>
</TS>
