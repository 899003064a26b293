<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>QtAutoUpdater::UpdateButton</name>
    <message>
        <location filename="../src/autoupdater/updatebutton.cpp" line="17"/>
        <source>Check for updates</source>
        <translation>Vérifier les mises à jour</translation>
    </message>
</context>
<context>
    <name>QtAutoUpdater::UpdateCheck</name>
    <message>
        <location filename="../src/autoupdater/updatecheck.cpp" line="128"/>
        <source>The maintenance tool reported updates, but its output contains no readable list of them.</source>
        <translation>L’outil de maintenance a signalé des mises à jour, mais sa sortie n’en contient aucune liste lisible.</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecheck.cpp" line="254"/>
        <source>The maintenance tool &quot;%1&quot; could not be started: %2</source>
        <translation>Impossible de lancer l’outil de maintenance « %1 » : %2</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecheck.cpp" line="343"/>
        <source>Its error output was:
%1</source>
        <translation>Sa sortie d’erreur était :
%1</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecheck.cpp" line="374"/>
        <source>The maintenance tool &quot;%1&quot; does not exist.</source>
        <translation>L’outil de maintenance « %1 » n’existe pas.</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecheck.cpp" line="376"/>
        <source>The maintenance tool &quot;%1&quot; is not an executable file.</source>
        <translation>L’outil de maintenance « %1 » n’est pas un fichier exécutable.</translation>
    </message>
    <message numerus="yes">
        <location filename="../src/autoupdater/updatecheck.cpp" line="378"/>
        <source>The maintenance tool did not finish within %n second(s) and was stopped.</source>
        <translation>
            <numerusform>L’outil de maintenance ne s’est pas terminé en %n seconde et a été arrêté.</numerusform>
            <numerusform>L’outil de maintenance ne s’est pas terminé en %n secondes et a été arrêté.</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecheck.cpp" line="381"/>
        <source>The maintenance tool produced far more output than expected and was stopped.</source>
        <translation>L’outil de maintenance a produit bien plus de sortie que prévu et a été arrêté.</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecheck.cpp" line="383"/>
        <source>The maintenance tool crashed.</source>
        <translation>L’outil de maintenance s’est arrêté brutalement.</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecheck.cpp" line="385"/>
        <source>The maintenance tool failed with exit code %1.</source>
        <translation>L’outil de maintenance a échoué avec le code de sortie %1.</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecheck.cpp" line="387"/>
        <source>The check for updates was canceled.</source>
        <translation>La vérification des mises à jour a été annulée.</translation>
    </message>
</context>
<context>
    <name>QtAutoUpdater::UpdateWindows</name>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="81"/>
        <location filename="../src/autoupdater/updatewindows.cpp" line="104"/>
        <source>Check for updates</source>
        <translation>Vérifier les mises à jour</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="82"/>
        <source>Do you want to check for updates now?</source>
        <translation>Voulez-vous vérifier les mises à jour maintenant ?</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="106"/>
        <source>Checking for updates...</source>
        <translation>Vérification des mises à jour en cours…</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="134"/>
        <source>Updates available</source>
        <translation>Mises à jour disponibles</translation>
    </message>
    <message numerus="yes">
        <location filename="../src/autoupdater/updatewindows.cpp" line="136"/>
        <source>%n update(s) available for %1.</source>
        <translation>
            <numerusform>%n mise à jour disponible pour %1.</numerusform>
            <numerusform>%n mises à jour disponibles pour %1.</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="145"/>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="145"/>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="145"/>
        <source>Size</source>
        <translation>Taille</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="147"/>
        <source>unknown</source>
        <translation>inconnue</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="158"/>
        <source>%1 (version %2)</source>
        <translation>%1 (version %2)</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="163"/>
        <source>Download size: %1</source>
        <translation>Taille du téléchargement : %1</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="169"/>
        <source>Update now</source>
        <translation>Mettre à jour maintenant</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="171"/>
        <source>Update on exit</source>
        <translation>Mettre à jour en quittant</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="173"/>
        <source>Later</source>
        <translation>Plus tard</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="191"/>
        <source>No updates</source>
        <translation>Aucune mise à jour</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="192"/>
        <source>No updates are available for %1.</source>
        <translation>Aucune mise à jour n’est disponible pour %1.</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="197"/>
        <source>Update check failed</source>
        <translation>Échec de la vérification des mises à jour</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="198"/>
        <source>The check for updates failed.</source>
        <translation>La vérification des mises à jour a échoué.</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="205"/>
        <source>Update failed</source>
        <translation>Échec de la mise à jour</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatewindows.cpp" line="206"/>
        <source>The updater &quot;%1&quot; could not be started.</source>
        <translation>Impossible de lancer le programme de mise à jour « %1 ».</translation>
    </message>
</context>
</TS>
