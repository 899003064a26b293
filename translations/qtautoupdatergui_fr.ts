<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>QtAutoUpdater::UpdateButton</name>
    <message>
        <location filename="../src/autoupdater/updatebutton.cpp" line="17"/>
        <source>Check for updates</source>
        <translation>Rechercher des mises à jour</translation>
    </message>
</context>
<context>
    <name>QtAutoUpdater::UpdateController</name>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="285"/>
        <source>The maintenance tool &quot;%1&quot; does not exist.</source>
        <translation>L’outil de maintenance « %1 » n’existe pas.</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="290"/>
        <source>The maintenance tool &quot;%1&quot; is not an executable file.</source>
        <translation>L’outil de maintenance « %1 » n’est pas un fichier exécutable.</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="383"/>
        <source>The maintenance tool &quot;%1&quot; could not be started: %2</source>
        <translation>Impossible de lancer l’outil de maintenance « %1 » : %2</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="404"/>
        <source>The maintenance tool produced far more output than expected and was stopped.</source>
        <translation>L’outil de maintenance a produit bien plus de sortie que prévu et a été arrêté.</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="407"/>
        <source>The check for updates was canceled.</source>
        <translation>La recherche de mises à jour a été annulée.</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="412"/>
        <source>The maintenance tool crashed.</source>
        <translation>L’outil de maintenance s’est arrêté brutalement.</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="423"/>
        <source>The maintenance tool reported updates, but its output contains no readable list of them.</source>
        <translation>L’outil de maintenance a signalé des mises à jour, mais sa sortie n’en contient aucune liste lisible.</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="429"/>
        <source>The maintenance tool failed with exit code %1.</source>
        <translation>L’outil de maintenance a échoué avec le code de sortie %1.</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="438"/>
        <source>Its error output was:
%1</source>
        <translation>Sa sortie d’erreur était :
%1</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="498"/>
        <source>The maintenance tool did not finish within %1 seconds and was stopped.</source>
        <translation>L’outil de maintenance n’a pas terminé en %1 secondes et a été arrêté.</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="504"/>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="535"/>
        <source>Check for updates</source>
        <translation>Rechercher des mises à jour</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="505"/>
        <source>Do you want to check for updates now?</source>
        <translation>Voulez-vous rechercher des mises à jour maintenant ?</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="538"/>
        <source>Checking for updates...</source>
        <translation>Recherche de mises à jour en cours…</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="577"/>
        <source>Updates available</source>
        <translation>Mises à jour disponibles</translation>
    </message>
    <message numerus="yes">
        <location filename="../src/autoupdater/updatecontroller.cpp" line="580"/>
        <source>%n update(s) available for %1.</source>
        <translation>
            <numerusform>%n mise à jour disponible pour %1.</numerusform>
            <numerusform>%n mises à jour disponibles pour %1.</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="590"/>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="590"/>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="590"/>
        <source>Size</source>
        <translation>Taille</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="592"/>
        <source>unknown</source>
        <translation>inconnue</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="604"/>
        <source>%1 (version %2)</source>
        <translation>%1 (version %2)</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="610"/>
        <source>Download size: %1</source>
        <translation>Taille du téléchargement : %1</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="616"/>
        <source>Update now</source>
        <translation>Mettre à jour maintenant</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="618"/>
        <source>Update on exit</source>
        <translation>Mettre à jour en quittant</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="620"/>
        <source>Later</source>
        <translation>Plus tard</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="628"/>
        <source>Update failed</source>
        <translation>Échec de la mise à jour</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="629"/>
        <source>The updater &quot;%1&quot; could not be started.</source>
        <translation>Impossible de lancer le programme de mise à jour « %1 ».</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="649"/>
        <source>No updates</source>
        <translation>Aucune mise à jour</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="650"/>
        <source>No updates are available for %1.</source>
        <translation>Aucune mise à jour n’est disponible pour %1.</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="653"/>
        <source>Update check failed</source>
        <translation>Échec de la recherche de mises à jour</translation>
    </message>
    <message>
        <location filename="../src/autoupdater/updatecontroller.cpp" line="653"/>
        <source>The check for updates failed.</source>
        <translation>La recherche de mises à jour a échoué.</translation>
    </message>
</context>
</TS>
