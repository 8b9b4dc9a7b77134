<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Kalvio::ConnectionBroker</name>
    <message>
        <source>No port name</source>
        <translation>Kein Schnittstellenname</translation>
    </message>
    <message>
        <source>The simulator is not enabled</source>
        <translation>Der Simulator ist nicht eingeschaltet</translation>
    </message>
</context>
<context>
    <name>Kalvio::MainWindow</name>
    <message>
        <source>%1 opened</source>
        <translation>%1 geöffnet</translation>
    </message>
    <message>
        <source>%1 cannot be opened: %2</source>
        <translation>%1 kann nicht geöffnet werden: %2</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>Open Settings...</source>
        <translation>Einstellungen öffnen...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>Presentation mode</source>
        <translation>Präsentationsmodus</translation>
    </message>
    <message>
        <source>&amp;Language</source>
        <translation>&amp;Sprache</translation>
    </message>
    <message>
        <source>&amp;Window</source>
        <translation>&amp;Fenster</translation>
    </message>
    <message>
        <source>&amp;Tile</source>
        <translation>&amp;Nebeneinander</translation>
    </message>
    <message>
        <source>&amp;Cascade</source>
        <translation>&amp;Überlappend</translation>
    </message>
    <message>
        <source>No plug-in offers the sensor %1</source>
        <translation>Kein Plug-in bietet den Sensor %1 an</translation>
    </message>
    <message>
        <source>Open Settings</source>
        <translation>Einstellungen öffnen</translation>
    </message>
    <message>
        <source>Settings files (*.wts);;All files (*)</source>
        <translation>Einstellungsdateien (*.wts);;Alle Dateien (*)</translation>
    </message>
</context>
<context>
    <name>Kalvio::PluginDock</name>
    <message>
        <source>Sensors</source>
        <translation>Sensoren</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Id</source>
        <translation>Kennung</translation>
    </message>
</context>
</TS>
