<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>QtAutoUpdater::UpdateCheck</name>
    <message numerus="yes">
        <location filename="../src/autoupdater/updatecheck.cpp" line="285"/>
        <source>The maintenance tool did not finish within %n second(s) and was stopped.</source>
        <translation>
            <numerusform>The maintenance tool did not finish within %n second and was stopped.</numerusform>
            <numerusform>The maintenance tool did not finish within %n seconds and was stopped.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>QtAutoUpdater::UpdateWindows</name>
    <message numerus="yes">
        <location filename="../src/autoupdater/updatewindows.cpp" line="46"/>
        <source>%n update(s) available for %1.</source>
        <translation>
            <numerusform>%n update available for %1.</numerusform>
            <numerusform>%n updates available for %1.</numerusform>
        </translation>
    </message>
</context>
</TS>
