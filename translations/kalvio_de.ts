<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
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
<context>
    <name>Kalvio::SensorViewMenu</name>
    <message>
        <source>Chart Tool Bar</source>
        <translation>Werkzeugleiste Diagramm</translation>
    </message>
    <message>
        <source>Connection Tool Bar</source>
        <translation>Werkzeugleiste Verbindung</translation>
    </message>
    <message>
        <source>Output Tool Bar</source>
        <translation>Werkzeugleiste Ausgang</translation>
    </message>
</context>
<context>
    <name>Kalvio::SerialConnectionBroker</name>
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
    <name>LinkMonitor::LinkMonitorDock</name>
    <message>
        <source>Link monitor</source>
        <translation>Leitungsmonitor</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Anhalten</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <source>Hide process data</source>
        <translation>Prozessdaten ausblenden</translation>
    </message>
    <message>
        <source>Export CSV...</source>
        <translation>Als CSV exportieren...</translation>
    </message>
    <message>
        <source>%1 frames/s   answered %2   unanswered %3   ERROR %4   unusable %5   round trip median %6 ms, 99 %: %7 ms</source>
        <translation>%1 Telegramme/s   beantwortet %2   unbeantwortet %3   ERROR %4   unbrauchbar %5   Umlaufzeit Median %6 ms, 99 %: %7 ms</translation>
    </message>
    <message>
        <source>Last error %1: %2</source>
        <translation>Letzter Fehler %1: %2</translation>
    </message>
    <message>
        <source>Port %1</source>
        <translation>Schnittstelle %1</translation>
    </message>
    <message>
        <source>Export the link monitor</source>
        <translation>Leitungsmonitor exportieren</translation>
    </message>
    <message>
        <source>CSV files (*.csv);;All files (*)</source>
        <translation>CSV-Dateien (*.csv);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>%1 cannot be written.</source>
        <translation>%1 kann nicht geschrieben werden.</translation>
    </message>
</context>
<context>
    <name>LinkMonitor::LinkTableModel</name>
    <message>
        <source>→ request</source>
        <translation>→ Anfrage</translation>
    </message>
    <message>
        <source>← answer</source>
        <translation>← Antwort</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Direction</source>
        <translation>Richtung</translation>
    </message>
    <message>
        <source>Bytes</source>
        <translation>Bytes</translation>
    </message>
    <message>
        <source>Meaning</source>
        <translation>Bedeutung</translation>
    </message>
    <message>
        <source>Round trip (ms)</source>
        <translation>Umlaufzeit (ms)</translation>
    </message>
</context>
</TS>
