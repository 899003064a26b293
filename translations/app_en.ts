<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="fr_FR">
<context>
    <name>MainWindow</name>
    <message>
        <source>Sonavel</source>
        <translation>Sonavel</translation>
    </message>
    <message>
        <source>Quitter le logiciel</source>
        <translation>Quit the program</translation>
    </message>
    <message>
        <source>Quitter</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>Sélectionner un fichier MP3 à lire</source>
        <translation>Select an MP3 file to play</translation>
    </message>
    <message>
        <source>Ouvrir un fichier</source>
        <translation>Open a file</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>Nom du fichier</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>Titre de l&apos;album</source>
        <translation>Album title</translation>
    </message>
    <message>
        <source>Artiste</source>
        <translation>Artist</translation>
    </message>
    <message>
        <source>Le son est activé</source>
        <translation>Sound is on</translation>
    </message>
    <message>
        <source>Lancer la musique</source>
        <translation>Play the music</translation>
    </message>
    <message>
        <source>Stopper la musique</source>
        <translation>Stop the music</translation>
    </message>
    <message>
        <source>Progression de la musique</source>
        <translation>Music progress</translation>
    </message>
    <message>
        <source>Avancement de la musique: </source>
        <translation>Playback progress: </translation>
    </message>
    <message>
        <source>Fichier</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Controles</source>
        <translation>Controls</translation>
    </message>
    <message>
        <source>Aide</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>Ouvrir</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Couper le son</source>
        <translation>Mute</translation>
    </message>
    <message>
        <source>A propos du logiciel</source>
        <translation>About the software</translation>
    </message>
    <message>
        <source>A propos de Qt</source>
        <translation>About Qt</translation>
    </message>
    <message>
        <source>Vérifier les mises à jour</source>
        <translation>Check for updates</translation>
    </message>
    <message>
        <source>Musique en pause</source>
        <translation>Music paused</translation>
    </message>
    <message>
        <source>Musique en cours de lecture</source>
        <translation>Music playing</translation>
    </message>
    <message>
        <source>Sélectionner un fichier MP3</source>
        <translation>Select an MP3 file</translation>
    </message>
    <message>
        <source>Fichier audio (*.mp3 *.wav *.wave)</source>
        <translation>Audio file (*.mp3 *.wav *.wave)</translation>
    </message>
    <message>
        <source>Musique arrêtée</source>
        <translation>Music stopped</translation>
    </message>
    <message>
        <source>Le son est coupé</source>
        <translation>Sound is off</translation>
    </message>
    <message>
        <source>Voulez-vous quitter ?</source>
        <translation>Do you want to quit?</translation>
    </message>
    <message>
        <source>Voulez-vous vraiment fermer l&apos;application ?</source>
        <translation>Do you really want to close the application?</translation>
    </message>
    <message>
        <source>A propos du logicel</source>
        <translation>About the software</translation>
    </message>
    <message>
        <source>Logiciel fait par &lt;b&gt;Quenbrik&lt;/b&gt; avec Qt.&lt;br&gt;&lt;a href=&quot;https://quenbrik.fr&quot;&gt;Site de Quenbrik&lt;/a&gt;&lt;br&gt;Version </source>
        <translation>Software made by &lt;b&gt;Quenbrik&lt;/b&gt; with Qt.&lt;br&gt;&lt;a href=&quot;https://quenbrik.fr&quot;&gt;Quenbrik&apos;s website&lt;/a&gt;&lt;br&gt;Version </translation>
    </message>
    <message>
        <source>Titre: </source>
        <translation>Title: </translation>
    </message>
    <message>
        <source>Album: </source>
        <translation>Album: </translation>
    </message>
    <message>
        <source>Artiste: </source>
        <translation>Artist: </translation>
    </message>
    <message>
        <source>Mettre en pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Activer le son</source>
        <translation>Unmute</translation>
    </message>
    <message>
        <source>Lecture impossible : </source>
        <translation>Cannot play: </translation>
    </message>
    <message>
        <source>Sonavel ne lit que des fichiers locaux : </source>
        <translation>Sonavel plays local files only: </translation>
    </message>
    <message>
        <source>Musique terminée</source>
        <translation>Music finished</translation>
    </message>
    <message>
        <source>le fichier contient des données illisibles</source>
        <translation>the file holds unreadable data</translation>
    </message>
    <message>
        <source>le fichier ne s&apos;est pas ouvert en %1 secondes ; il est sans doute abîmé</source>
        <translation>the file did not open within %1 seconds; it is probably damaged</translation>
    </message>
    <message>
        <source>aucune sortie audio, le serveur de son ne répond pas</source>
        <translation>no audio output, the sound server does not answer</translation>
    </message>
    <message>
        <source>%1 n&apos;est pas un fichier mais un tube, une socket ou un périphérique</source>
        <translation>%1 is not a file but a pipe, a socket or a device</translation>
    </message>
</context>
</TS>
