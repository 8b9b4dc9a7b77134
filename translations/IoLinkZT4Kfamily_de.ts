<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>OrvexSensorPlugin::Core::SensorWindow</name>
    <message>
        <source>Offline</source>
        <translation>Nicht verbunden</translation>
    </message>
    <message>
        <source>Property tree</source>
        <translation>Parameterbaum</translation>
    </message>
    <message>
        <source> Process data</source>
        <translation> Prozessdaten</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>Ausgang</translation>
    </message>
    <message>
        <source>Save Settings</source>
        <translation>Einstellungen speichern</translation>
    </message>
    <message>
        <source>Save sensor settings to file</source>
        <translation>Sensoreinstellungen in einer Datei speichern</translation>
    </message>
    <message>
        <source>Open Settings</source>
        <translation>Einstellungen öffnen</translation>
    </message>
    <message>
        <source>Open a saved sensor from file</source>
        <translation>Gespeicherte Sensoreinstellungen aus einer Datei öffnen</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Supported sensors</source>
        <translation>Unterstützte Sensoren</translation>
    </message>
    <message>
        <source>DefaultSettings</source>
        <translation>Werkseinstellungen</translation>
    </message>
    <message>
        <source>Restore sensor&apos;s default settings</source>
        <translation>Werkseinstellungen des Sensors wiederherstellen</translation>
    </message>
    <message>
        <source>Export Chart Data</source>
        <translation>Diagrammdaten exportieren</translation>
    </message>
    <message>
        <source>Export chart data to file</source>
        <translation>Diagrammdaten in eine Datei exportieren</translation>
    </message>
    <message>
        <source>Enable live data</source>
        <translation>Live-Daten einschalten</translation>
    </message>
    <message>
        <source>Clear History</source>
        <translation>Verlauf löschen</translation>
    </message>
    <message>
        <source>Clear chart history</source>
        <translation>Diagrammverlauf löschen</translation>
    </message>
    <message>
        <source>Print chart view</source>
        <translation>Diagrammansicht drucken</translation>
    </message>
    <message>
        <source>Print current chart view</source>
        <translation>Aktuelle Diagrammansicht drucken</translation>
    </message>
    <message>
        <source>Export chart view</source>
        <translation>Diagrammansicht exportieren</translation>
    </message>
    <message>
        <source>Export current chart view</source>
        <translation>Aktuelle Diagrammansicht exportieren</translation>
    </message>
    <message>
        <source>Output 1</source>
        <translation>Ausgang 1</translation>
    </message>
    <message>
        <source>Output 1 led</source>
        <translation>LED Ausgang 1</translation>
    </message>
    <message>
        <source>Output 2</source>
        <translation>Ausgang 2</translation>
    </message>
    <message>
        <source>Output 2 led</source>
        <translation>LED Ausgang 2</translation>
    </message>
    <message>
        <source>Output 3</source>
        <translation>Ausgang 3</translation>
    </message>
    <message>
        <source>read</source>
        <translation>Alle Parameter vom Sensor lesen</translation>
    </message>
    <message>
        <source>Switch to FP</source>
        <translation>Auf FP umschalten</translation>
    </message>
    <message>
        <source>writings</source>
        <translation>Schreiben</translation>
    </message>
    <message>
        <source>Write mode</source>
        <translation>Schreibmodus</translation>
    </message>
    <message>
        <source>Read Thresholds</source>
        <translation>Schaltpunkte lesen</translation>
    </message>
    <message>
        <source>File Tool Bar</source>
        <translation>Werkzeugleiste Datei</translation>
    </message>
    <message>
        <source>Sensor Operations Tool Bar</source>
        <translation>Werkzeugleiste Sensorfunktionen</translation>
    </message>
    <message>
        <source>toolBar</source>
        <translation>Werkzeugleiste</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>the request was damaged on the line</source>
        <translation>die Anfrage wurde auf der Leitung verfälscht</translation>
    </message>
    <message>
        <source>index not available</source>
        <translation>Index nicht vorhanden</translation>
    </message>
    <message>
        <source>subindex not available</source>
        <translation>Subindex nicht vorhanden</translation>
    </message>
    <message>
        <source>access denied</source>
        <translation>Zugriff verweigert</translation>
    </message>
    <message>
        <source>value out of range</source>
        <translation>Wert außerhalb des zulässigen Bereichs</translation>
    </message>
    <message>
        <source>value too long</source>
        <translation>Wert zu lang</translation>
    </message>
    <message>
        <source>value too short</source>
        <translation>Wert zu kurz</translation>
    </message>
    <message>
        <source>function not available</source>
        <translation>Funktion nicht verfügbar</translation>
    </message>
    <message>
        <source>error %1</source>
        <translation>Fehler %1</translation>
    </message>
    <message>
        <source>The connected sensor does not match currently selected sensor, please try again with the proper sensor</source>
        <translation>Der angeschlossene Sensor passt nicht zum ausgewählten Sensor. Bitte versuchen Sie es mit dem richtigen Sensor erneut.</translation>
    </message>
    <message>
        <source>Kalvio</source>
        <translation>Kalvio</translation>
    </message>
    <message>
        <source>Sensor settings will be overwritten with the ones from PC</source>
        <translation>Die Einstellungen im Sensor werden mit denen vom PC überschrieben</translation>
    </message>
    <message>
        <source>Connecting to sensor...</source>
        <translation>Verbindung zum Sensor wird hergestellt...</translation>
    </message>
    <message>
        <source>The port %1 cannot be opened: %2</source>
        <translation>Die Schnittstelle %1 kann nicht geöffnet werden: %2</translation>
    </message>
    <message>
        <source>the port was refused</source>
        <translation>die Schnittstelle wurde verweigert</translation>
    </message>
    <message>
        <source>No IO-Link master answered on %1</source>
        <translation>An %1 hat kein IO-Link-Master geantwortet</translation>
    </message>
    <message>
        <source>The sensor did not tell its ProductID.</source>
        <translation>Der Sensor hat seine ProductID nicht gemeldet.</translation>
    </message>
    <message>
        <source>ProductID found: %1</source>
        <translation>Gefundene ProductID: %1</translation>
    </message>
    <message>
        <source>Connecting to sensor</source>
        <translation>Verbindung zum Sensor</translation>
    </message>
    <message>
        <source>The sensor did not respond, please make sure it is properly connected.</source>
        <translation>Der Sensor antwortet nicht. Bitte prüfen Sie, ob er richtig angeschlossen ist.</translation>
    </message>
    <message>
        <source>%1 to %2%3</source>
        <translation>%1 bis %2%3</translation>
    </message>
    <message>
        <source>%1 to %2</source>
        <translation>%1 bis %2</translation>
    </message>
    <message>
        <source>%1: %2 does not fit (allowed: %3)</source>
        <translation>%1: %2 ist nicht zulässig (erlaubt: %3)</translation>
    </message>
    <message>
        <source>a number</source>
        <translation>eine Zahl</translation>
    </message>
    <message>
        <source>%1: the sensor did not answer; %2 was not written</source>
        <translation>%1: Der Sensor hat nicht geantwortet; %2 wurde nicht geschrieben</translation>
    </message>
    <message>
        <source>%1: the sensor refused %2 (%3)</source>
        <translation>%1: Der Sensor hat %2 abgelehnt (%3)</translation>
    </message>
    <message>
        <source>Writing parameters</source>
        <translation>Parameter schreiben</translation>
    </message>
    <message>
        <source>These values were not written to the sensor, which keeps its own:
%1</source>
        <translation>Diese Werte wurden nicht in den Sensor geschrieben; er behält seine eigenen:
%1</translation>
    </message>
    <message>
        <source>Another transfer with the sensor is running. Try again when it has finished.</source>
        <translation>Es läuft bereits eine Übertragung mit dem Sensor. Bitte versuchen Sie es erneut, wenn sie beendet ist.</translation>
    </message>
    <message>
        <source>Reading parameters</source>
        <translation>Parameter lesen</translation>
    </message>
    <message>
        <source>These parameters could not be read from the sensor and keep the values shown:
%1</source>
        <translation>Diese Parameter konnten nicht vom Sensor gelesen werden und behalten die angezeigten Werte:
%1</translation>
    </message>
    <message>
        <source>The sensor answered late; still connected</source>
        <translation>Der Sensor hat verspätet geantwortet; die Verbindung besteht weiter</translation>
    </message>
    <message>
        <source>updating...</source>
        <translation>Aktualisierung...</translation>
    </message>
    <message>
        <source>Pressure</source>
        <translation>Druck</translation>
    </message>
    <message>
        <source>On</source>
        <translation>Ein</translation>
    </message>
    <message>
        <source>Signal too low</source>
        <translation>Signal zu schwach</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Signal</source>
        <translation>Signal</translation>
    </message>
    <message>
        <source>Do you really want to clear chart history ?</source>
        <translation>Möchten Sie den Diagrammverlauf wirklich löschen?</translation>
    </message>
    <message>
        <source>Current (mA)</source>
        <translation>Strom (mA)</translation>
    </message>
    <message>
        <source>Switching points Pressure</source>
        <translation>Schaltpunkte Druck</translation>
    </message>
    <message>
        <source>Switching points Pressure </source>
        <translation>Schaltpunkte Druck </translation>
    </message>
    <message>
        <source>Voltage (V)</source>
        <translation>Spannung (V)</translation>
    </message>
    <message>
        <source>0 volt</source>
        <translation>0 Volt</translation>
    </message>
    <message>
        <source>10 volt</source>
        <translation>10 Volt</translation>
    </message>
    <message>
        <source>4 mA</source>
        <translation>4 mA</translation>
    </message>
    <message>
        <source>20 mA</source>
        <translation>20 mA</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Save As...</source>
        <translation>Speichern unter...</translation>
    </message>
    <message>
        <source>Saving settings...</source>
        <translation>Einstellungen werden gespeichert...</translation>
    </message>
    <message>
        <source>The settings could not be saved to %1: %2</source>
        <translation>Die Einstellungen konnten nicht in %1 gespeichert werden: %2</translation>
    </message>
    <message>
        <source>Sensor Settings (*.wts)</source>
        <translation>Sensoreinstellungen (*.wts)</translation>
    </message>
    <message>
        <source>Loaded settings will override the current project</source>
        <translation>Die geladenen Einstellungen ersetzen das aktuelle Projekt</translation>
    </message>
    <message>
        <source>Opening settings...</source>
        <translation>Einstellungen werden geöffnet...</translation>
    </message>
    <message>
        <source>The selected settings are corupted</source>
        <translation>Die ausgewählten Einstellungen sind beschädigt</translation>
    </message>
    <message>
        <source>The selected settings are not for the current sensor</source>
        <translation>Die ausgewählten Einstellungen gehören nicht zum aktuellen Sensor</translation>
    </message>
    <message>
        <source>Restore factory defaults</source>
        <translation>Werkseinstellungen wiederherstellen</translation>
    </message>
    <message>
        <source>All settings will be restored to factory defaults, continue ?</source>
        <translation>Alle Einstellungen werden auf die Werkseinstellungen zurückgesetzt. Fortfahren?</translation>
    </message>
    <message>
        <source>The selected file is larger than 64 MB; no settings file is that large</source>
        <translation>Die ausgewählte Datei ist größer als 64 MB; so groß ist keine Einstellungsdatei</translation>
    </message>
    <message>
        <source>The selected settings hold values that their parameters cannot take (%1); nothing was changed</source>
        <translation>Die ausgewählten Einstellungen enthalten Werte, die ihre Parameter nicht annehmen können (%1); nichts wurde geändert</translation>
    </message>
    <message>
        <source>The chart history in the selected settings is damaged; the chart keeps the history it has</source>
        <translation>Der Diagrammverlauf in den ausgewählten Einstellungen ist beschädigt; das Diagramm behält seinen bisherigen Verlauf</translation>
    </message>
</context>
<context>
    <name>connectionSwitchingDialog</name>
    <message>
        <source>Connect to sensor</source>
        <translation>Mit dem Sensor verbinden</translation>
    </message>
    <message>
        <source>The settings shown in this window and the settings stored in the sensor may differ. Which settings do you want to use?</source>
        <translation>Die in diesem Fenster angezeigten Einstellungen und die im Sensor gespeicherten Einstellungen können sich unterscheiden. Welche Einstellungen möchten Sie verwenden?</translation>
    </message>
    <message>
        <source>Write these settings to the sensor</source>
        <translation>Diese Einstellungen in den Sensor schreiben</translation>
    </message>
    <message>
        <source>Sensor settings will be overwritten with the ones from PC</source>
        <translation>Die Einstellungen im Sensor werden mit denen vom PC überschrieben</translation>
    </message>
    <message>
        <source>Read the sensor&apos;s settings</source>
        <translation>Einstellungen aus dem Sensor lesen</translation>
    </message>
    <message>
        <source>PC settings will be overwritten with the ones from the Sensor</source>
        <translation>Die Einstellungen am PC werden mit denen aus dem Sensor überschrieben</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
</TS>
