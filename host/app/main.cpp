// kalvio: the host application. Loads the plug-ins beside it, lists their
// sensors, opens sensors in sub-windows and lends them serial ports.

#include "app/commandline.h"
#include "app/idlequitter.h"
#include "app/mainwindow.h"
#include "app/pluginloader.h"
#include "app/portwatcher.h"
#include "app/serialconnectionbroker.h"

#include "extensionsystem/globals.h"
#include "extensionsystem/plugininterface.h"
#include "linkmonitor/linkmonitordock.h"
#include "linkmonitor/linkrecorder.h"
#include "linkmonitor/linktracewriter.h"
#include "utils/icons/iconresources.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QSettings>
#include <QTimer>

#include <cstdio>

namespace {

QString pluginFolder(const Kalvio::CommandLine &commandLine)
{
    return commandLine.pluginDir.isEmpty() ? QCoreApplication::applicationDirPath()
                                           : commandLine.pluginDir;
}

int listPlugins(const Kalvio::CommandLine &commandLine)
{
    Kalvio::PluginLoader loader;
    loader.loadFolder(pluginFolder(commandLine));
    for (const QString &error : loader.errors())
        std::fprintf(stderr, "%s\n", qPrintable(error));
    std::fputs(Kalvio::describePlugins(loader).toUtf8().constData(), stdout);
    return loader.plugins().empty() ? 1 : 0;
}

// Command lines that need no window: the help text and the plug-in list; -1 otherwise.
int runWithoutWindow(int argc, char *argv[], const Kalvio::CommandLine &commandLine)
{
    if (!commandLine.error.isEmpty()) {
        std::fprintf(stderr, "kalvio: %s\n", qPrintable(commandLine.error));
        return 2;
    }
    if (commandLine.help) {
        QCoreApplication app(argc, argv);
        std::fputs(Kalvio::commandLineHelp().toUtf8().constData(), stdout);
        return 0;
    }
    if (commandLine.list) {
        // No windows: this works without a display.
        QCoreApplication app(argc, argv);
        return listPlugins(commandLine);
    }
    return -1;
}

void offerPorts(Kalvio::MainWindow &window, const Kalvio::CommandLine &commandLine)
{
    if (commandLine.simulator) {
        const QString dataFile =
            QDir(QCoreApplication::applicationDirPath()).filePath("IoLinkZT4Kfamily.xml");
        if (window.broker()->enableSimulator(dataFile))
            window.portWatcher()->setSimulatedPort(
                Kalvio::SerialConnectionBroker::simulatedPortName());
        else
            std::fprintf(stderr, "kalvio: no simulator: %s\n",
                         qPrintable(window.broker()->errorString()));
    }
    QStringList ports = commandLine.ports;
    // The port to connect must be in the list the window chooses from.
    if (!commandLine.connectPort.isEmpty()
        && commandLine.connectPort != Kalvio::SerialConnectionBroker::simulatedPortName())
        ports << commandLine.connectPort;
    window.portWatcher()->setExtraPorts(ports);
    window.portWatcher()->start();
}

// With --trace: every row the link monitor makes goes to the file; false when it
// cannot be written.
bool startTrace(Kalvio::MainWindow &window, const Kalvio::CommandLine &commandLine)
{
    if (commandLine.trace.isEmpty())
        return true;
    auto *trace = new LinkMonitor::LinkTraceWriter(commandLine.trace, &window);
    if (!trace->open()) {
        std::fprintf(stderr, "kalvio: cannot write %s: %s\n", qPrintable(commandLine.trace),
                     qPrintable(trace->errorString()));
        return false;
    }
    trace->follow(window.linkRecorder());
    return true;
}

// Opens the sensor the command line names and connects it; false when it cannot be opened.
bool openRequestedSensor(Kalvio::MainWindow &window, const Kalvio::CommandLine &commandLine)
{
    if (commandLine.openSensor.isEmpty())
        return true;
    QPointer<ExtensionSystem::PluginInterface> plugin = window.openSensor(commandLine.openSensor);
    if (!plugin) {
        std::fprintf(stderr, "kalvio: cannot open the sensor \"%s\"\n",
                     qPrintable(commandLine.openSensor));
        return false;
    }
    if (!commandLine.connectPort.isEmpty()) {
        const QString port = commandLine.connectPort;
        QTimer::singleShot(0, plugin, [plugin, port] {
            if (plugin)
                plugin->vAutoConnect(port);
        });
    }
    return true;
}

// With --quit-after or --screenshot: takes the picture, then quits once the
// application is idle; `exitCode` becomes 1 when the picture cannot be written.
void scheduleQuit(Kalvio::MainWindow &window, const Kalvio::CommandLine &commandLine,
                  Kalvio::IdleQuitter &quitter, int &exitCode)
{
    if (commandLine.quitAfterMs < 0 && commandLine.screenshot.isEmpty())
        return;
    const int delay = commandLine.quitAfterMs >= 0 ? commandLine.quitAfterMs : 1500;
    const QString screenshot = commandLine.screenshot;
    QTimer::singleShot(delay, &window, [&window, &exitCode, screenshot, &quitter] {
        if (!screenshot.isEmpty()) {
            if (window.saveScreenshot(screenshot)) {
                std::printf("Screenshot saved to %s\n", qPrintable(screenshot));
                std::fflush(stdout);
            } else {
                std::fprintf(stderr, "kalvio: cannot write %s\n", qPrintable(screenshot));
                exitCode = 1;
            }
        }
        quitter.quit(exitCode);
    });
}

// Automated runs (--quit-after, --screenshot) neither use nor change the size
// the user left the window at.
bool isAutomated(const Kalvio::CommandLine &commandLine)
{
    return commandLine.quitAfterMs >= 0 || !commandLine.screenshot.isEmpty();
}

void restoreSize(Kalvio::MainWindow &window, const Kalvio::CommandLine &commandLine,
                 const QSettings &layout)
{
    if (commandLine.size.isValid())
        window.resize(commandLine.size);
    else if (isAutomated(commandLine)
             || !window.restoreGeometry(layout.value(QStringLiteral("geometry")).toByteArray()))
        window.resize(1280, 800);
}

} // namespace

int main(int argc, char *argv[])
{
    // Without TZ the C library looks at /etc/localtime again on every local-time
    // conversion, and the live chart's time axis converts many times a second.
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const Kalvio::CommandLine commandLine = Kalvio::parseCommandLine(arguments);
    const int early = runWithoutWindow(argc, argv, commandLine);
    if (early >= 0)
        return early;
    // A trace needs no screen: without one the windows live off-screen.
    if (!commandLine.trace.isEmpty() && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kalvio"));
    Utils::registerIconResources();
    ExtensionSystem::Globals::setPresentationMode(commandLine.presentation);

    Kalvio::PluginLoader loader;
    loader.loadFolder(pluginFolder(commandLine));
    for (const QString &error : loader.errors())
        std::fprintf(stderr, "kalvio: %s\n", qPrintable(error));

    Kalvio::MainWindow window(loader);
    window.setLanguage(commandLine.language.isEmpty() ? QStringLiteral("en")
                                                      : commandLine.language);
    offerPorts(window, commandLine);
    if (!startTrace(window, commandLine))
        return 1;
    window.linkMonitor()->setVisible(commandLine.linkMonitor);
    QSettings layout(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("kalvio"),
                     QStringLiteral("kalvio"));
    restoreSize(window, commandLine, layout);
    window.show();
    if (!openRequestedSensor(window, commandLine))
        return 1;

    int exitCode = 0;
    Kalvio::IdleQuitter quitter;
    scheduleQuit(window, commandLine, quitter, exitCode);
    const int result = app.exec();
    if (!isAutomated(commandLine))
        layout.setValue(QStringLiteral("geometry"), window.saveGeometry());
    window.closeAllSensors();
    window.linkRecorder()->flush(); // the last rows reach the trace too
    return result != 0 ? result : exitCode;
}
