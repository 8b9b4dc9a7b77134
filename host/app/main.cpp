// kalvio: the host application. Loads the plug-ins beside it, lists their
// sensors, opens sensors in sub-windows and lends them serial ports.

#include "app/commandline.h"
#include "app/connectionbroker.h"
#include "app/idlequitter.h"
#include "app/mainwindow.h"
#include "app/pluginloader.h"
#include "app/portwatcher.h"

#include "extensionsystem/globals.h"
#include "extensionsystem/plugininterface.h"
#include "utils/icons/iconresources.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
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
    if (commandLine.simulator) {
        const QString dataFile =
            QDir(QCoreApplication::applicationDirPath()).filePath("IoLinkZT4Kfamily.xml");
        if (window.broker()->enableSimulator(dataFile))
            window.portWatcher()->setSimulatedPort(Kalvio::ConnectionBroker::simulatedPortName());
        else
            std::fprintf(stderr, "kalvio: no simulator: %s\n",
                         qPrintable(window.broker()->errorString()));
    }
    QStringList ports = commandLine.ports;
    // The port to connect must be in the list the window chooses from.
    if (!commandLine.connectPort.isEmpty()
        && commandLine.connectPort != Kalvio::ConnectionBroker::simulatedPortName())
        ports << commandLine.connectPort;
    window.portWatcher()->setExtraPorts(ports);
    window.portWatcher()->start();
    window.resize(1180, 760);
    window.show();

    if (!commandLine.openSensor.isEmpty()) {
        QPointer<ExtensionSystem::PluginInterface> plugin =
            window.openSensor(commandLine.openSensor);
        if (!plugin) {
            std::fprintf(stderr, "kalvio: cannot open the sensor \"%s\"\n",
                         qPrintable(commandLine.openSensor));
            return 1;
        }
        if (!commandLine.connectPort.isEmpty()) {
            const QString port = commandLine.connectPort;
            QTimer::singleShot(0, plugin, [plugin, port] {
                if (plugin)
                    plugin->vAutoConnect(port);
            });
        }
    }

    int exitCode = 0;
    Kalvio::IdleQuitter quitter;
    if (commandLine.quitAfterMs >= 0 || !commandLine.screenshot.isEmpty()) {
        const int delay = commandLine.quitAfterMs >= 0 ? commandLine.quitAfterMs : 1500;
        QTimer::singleShot(delay, &window, [&window, &exitCode, &commandLine, &quitter] {
            if (!commandLine.screenshot.isEmpty()) {
                if (window.saveScreenshot(commandLine.screenshot)) {
                    std::printf("Screenshot saved to %s\n", qPrintable(commandLine.screenshot));
                    std::fflush(stdout);
                } else {
                    std::fprintf(stderr, "kalvio: cannot write %s\n",
                                 qPrintable(commandLine.screenshot));
                    exitCode = 1;
                }
            }
            quitter.quit(exitCode);
        });
    }
    const int result = app.exec();
    window.closeAllSensors();
    return result != 0 ? result : exitCode;
}
