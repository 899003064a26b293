<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="fr_FR">
<context>
    <name>MainWindow</name>
    <message>
        <source>Sonavel</source>
        <translation>Sonavel</translation>
    </message>
    <message>
        <source>Quitter le logiciel</source>
        <translation>Programm beenden</translation>
    </message>
    <message>
        <source>Quitter</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Sélectionner un fichier MP3 à lire</source>
        <translation>Eine MP3-Datei zum Abspielen auswählen</translation>
    </message>
    <message>
        <source>Ouvrir un fichier</source>
        <translation>Datei öffnen</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Lautstärke</translation>
    </message>
    <message>
        <source>Nom du fichier</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>Titre de l&apos;album</source>
        <translation>Albumtitel</translation>
    </message>
    <message>
        <source>Artiste</source>
        <translation>Künstler</translation>
    </message>
    <message>
        <source>Le son est activé</source>
        <translation>Der Ton ist eingeschaltet</translation>
    </message>
    <message>
        <source>Lancer la musique</source>
        <translation>Musik abspielen</translation>
    </message>
    <message>
        <source>Stopper la musique</source>
        <translation>Musik stoppen</translation>
    </message>
    <message>
        <source>Progression de la musique</source>
        <translation>Wiedergabefortschritt</translation>
    </message>
    <message>
        <source>Avancement de la musique: </source>
        <translation>Wiedergabefortschritt: </translation>
    </message>
    <message>
        <source>Fichier</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Controles</source>
        <translation>Steuerung</translation>
    </message>
    <message>
        <source>Aide</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Ouvrir</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Couper le son</source>
        <translation>Ton ausschalten</translation>
    </message>
    <message>
        <source>A propos du logiciel</source>
        <translation>Über das Programm</translation>
    </message>
    <message>
        <source>A propos de Qt</source>
        <translation>Über Qt</translation>
    </message>
    <message>
        <source>Vérifier les mises à jour</source>
        <translation>Nach Updates suchen</translation>
    </message>
    <message>
        <source>Musique en pause</source>
        <translation>Musik pausiert</translation>
    </message>
    <message>
        <source>Musique en cours de lecture</source>
        <translation>Musik wird abgespielt</translation>
    </message>
    <message>
        <source>Sélectionner un fichier MP3</source>
        <translation>MP3-Datei auswählen</translation>
    </message>
    <message>
        <source>Fichier audio (*.mp3 *.wav *.wave)</source>
        <translation>Audiodatei (*.mp3 *.wav *.wave)</translation>
    </message>
    <message>
        <source>Musique arrêtée</source>
        <translation>Musik gestoppt</translation>
    </message>
    <message>
        <source>Le son est coupé</source>
        <translation>Der Ton ist ausgeschaltet</translation>
    </message>
    <message>
        <source>Voulez-vous quitter ?</source>
        <translation>Wirklich beenden?</translation>
    </message>
    <message>
        <source>Voulez-vous vraiment fermer l&apos;application ?</source>
        <translation>Möchten Sie die Anwendung wirklich schließen?</translation>
    </message>
    <message>
        <source>A propos du logicel</source>
        <translation>Über das Programm</translation>
    </message>
    <message>
        <source>Logiciel fait par &lt;b&gt;Quenbrik&lt;/b&gt; avec Qt.&lt;br&gt;&lt;a href=&quot;https://quenbrik.fr&quot;&gt;Site de Quenbrik&lt;/a&gt;&lt;br&gt;Version </source>
        <translation>Programm von &lt;b&gt;Quenbrik&lt;/b&gt;, erstellt mit Qt.&lt;br&gt;&lt;a href=&quot;https://quenbrik.fr&quot;&gt;Website von Quenbrik&lt;/a&gt;&lt;br&gt;Version </translation>
    </message>
    <message>
        <source>Titre: </source>
        <translation>Titel: </translation>
    </message>
    <message>
        <source>Album: </source>
        <translation>Album: </translation>
    </message>
    <message>
        <source>Artiste: </source>
        <translation>Künstler: </translation>
    </message>
    <message>
        <source>Mettre en pause</source>
        <translation>Pausieren</translation>
    </message>
    <message>
        <source>Activer le son</source>
        <translation>Ton einschalten</translation>
    </message>
    <message>
        <source>Lecture impossible : </source>
        <translation>Wiedergabe nicht möglich: </translation>
    </message>
    <message>
        <source>Sonavel ne lit que des fichiers locaux : </source>
        <translation>Sonavel spielt nur lokale Dateien ab: </translation>
    </message>
    <message>
        <source>Musique terminée</source>
        <translation>Musik beendet</translation>
    </message>
    <message>
        <source>le fichier contient des données illisibles</source>
        <translation>die Datei enthält unlesbare Daten</translation>
    </message>
    <message>
        <source>le fichier ne s&apos;est pas ouvert en %1 secondes ; il est sans doute abîmé</source>
        <translation>die Datei ließ sich nicht in %1 Sekunden öffnen; sie ist wohl beschädigt</translation>
    </message>
    <message>
        <source>aucune sortie audio, le serveur de son ne répond pas</source>
        <translation>keine Audioausgabe, der Soundserver antwortet nicht</translation>
    </message>
    <message>
        <source>%1 n&apos;est pas un fichier mais un tube, une socket ou un périphérique</source>
        <translation>%1 ist keine Datei, sondern eine Pipe, ein Socket oder ein Gerät</translation>
    </message>
</context>
</TS>
