#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

namespace Kalvio {

// What the command line asks of the host.
struct CommandLine
{
    bool list = false;
    bool help = false;
    QString openSensor;
    QStringList ports;
    bool simulator = false;
    QString language;
    bool presentation = false;
    QString connectPort;
    QString screenshot;
    int quitAfterMs = -1;
    QString pluginDir;
    QSize size;     // invalid: as last closed, else 1280 x 800
    QString trace;           // CSV file for every frame on the lines
    bool linkMonitor = false;
    QString error;  // non-empty: the arguments make no sense
};

// `arguments` includes the program name first, as QCoreApplication::arguments().
CommandLine parseCommandLine(const QStringList &arguments);
QString commandLineHelp();

} // namespace Kalvio
