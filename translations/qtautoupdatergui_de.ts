<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en">
<context>
    <name>QtAutoUpdater::UpdateButton</name>
    <message>
        <source>Check for updates</source>
        <translation>Nach Updates suchen</translation>
    </message>
</context>
<context>
    <name>QtAutoUpdater::UpdateCheck</name>
    <message>
        <source>The maintenance tool reported updates, but its output contains no readable list of them.</source>
        <translation>Das Wartungsprogramm hat Updates gemeldet, seine Ausgabe enthält aber keine lesbare Liste davon.</translation>
    </message>
    <message>
        <source>The maintenance tool &quot;%1&quot; could not be started: %2</source>
        <translation>Das Wartungsprogramm „%1“ konnte nicht gestartet werden: %2</translation>
    </message>
    <message>
        <source>Its error output was:
%1</source>
        <translation>Seine Fehlerausgabe war:
%1</translation>
    </message>
    <message numerus="yes">
        <source>The maintenance tool did not finish within %n second(s) and was stopped.</source>
        <translation>
            <numerusform>Das Wartungsprogramm ist nicht innerhalb von %n Sekunde fertig geworden und wurde angehalten.</numerusform>
            <numerusform>Das Wartungsprogramm ist nicht innerhalb von %n Sekunden fertig geworden und wurde angehalten.</numerusform>
        </translation>
    </message>
    <message>
        <source>The maintenance tool produced far more output than expected and was stopped.</source>
        <translation>Das Wartungsprogramm hat weit mehr ausgegeben als erwartet und wurde angehalten.</translation>
    </message>
    <message>
        <source>The maintenance tool crashed.</source>
        <translation>Das Wartungsprogramm ist abgestürzt.</translation>
    </message>
    <message>
        <source>The maintenance tool failed with exit code %1.</source>
        <translation>Das Wartungsprogramm ist mit dem Exit-Code %1 fehlgeschlagen.</translation>
    </message>
    <message>
        <source>The check for updates was canceled.</source>
        <translation>Die Suche nach Updates wurde abgebrochen.</translation>
    </message>
    <message>
        <source>The maintenance tool &quot;%1&quot; does not exist or is not an executable file.</source>
        <translation>Das Wartungsprogramm „%1“ existiert nicht oder ist keine ausführbare Datei.</translation>
    </message>
</context>
<context>
    <name>QtAutoUpdater::UpdateWindows</name>
    <message>
        <source>Check for updates</source>
        <translation>Nach Updates suchen</translation>
    </message>
    <message>
        <source>Checking for updates...</source>
        <translation>Suche nach Updates …</translation>
    </message>
    <message>
        <source>Updates available</source>
        <translation>Updates verfügbar</translation>
    </message>
    <message numerus="yes">
        <source>%n update(s) available for %1.</source>
        <translation>
            <numerusform>%n Update für %1 verfügbar.</numerusform>
            <numerusform>%n Updates für %1 verfügbar.</numerusform>
        </translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>unbekannt</translation>
    </message>
    <message>
        <source>No updates</source>
        <translation>Keine Updates</translation>
    </message>
    <message>
        <source>No updates are available for %1.</source>
        <translation>Für %1 sind keine Updates verfügbar.</translation>
    </message>
    <message>
        <source>Update check failed</source>
        <translation>Suche nach Updates fehlgeschlagen</translation>
    </message>
    <message>
        <source>The check for updates failed.</source>
        <translation>Die Suche nach Updates ist fehlgeschlagen.</translation>
    </message>
</context>
</TS>
