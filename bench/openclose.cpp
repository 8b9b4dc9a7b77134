// Opens and closes a sensor window in the host's MDI area over and over, as a user
// does all day: offline, then connected to the host's in-process simulated master
// (connect with the initial read of all settings, a few polls, close). Prints the
// resident memory after the first 100 cycles and after all of them; the growth in
// between should stay well under 5 MB. The plug-in object is made the way the
// host's factory export makes it, so that blocking waits can be shortened
// (setSleepFunction) and a connected cycle costs a fraction of a second.
// Arguments: cycles per mode (default 1000), "offline" or "connected" for one mode.

#include "common/modalanswerer.h"
#include "common/windowaccess.h"

#include "plugin/pluginpaths.h"
#include "plugin/sensorinterface.h"

#include "app/serialconnectionbroker.h"
#include "app/mainwindow.h"
#include "app/pluginloader.h"
#include "app/portwatcher.h"
#include "app/sensorsubwindow.h"
#include "simulator/mastersimulator.h"
#include "simulator/simulatedchannel.h"

#include "extensionsystem/sensorbasic.h"
#include "utils/charts/genericchart.h"

#include "bench/residentmemory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QProgressBar>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

using namespace OrvexSensorPlugin::Core;
using Access = SensorWindowTestAccess;

namespace {

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

// One cycle: a sub-window with a plug-in object in the area, optionally connected
// and polling, then closed by the user and released as the host releases it.
bool cycle(Kalvio::MainWindow &host, bool connect)
{
    ExtensionSystem::SensorBasic chosen;
    chosen.setName("ZT4K-010 -1...10 bar");
    auto *sub = new Kalvio::SensorSubWindow; // owned by the area
    host.mdiArea()->addSubWindow(sub);
    QPointer<SensorInterface> plugin = new SensorInterface(chosen, sub);
    plugin->setSensorName(QString::fromStdString(chosen.name()));
    sub->watchWidget();
    QObject::connect(plugin.data(), &QObject::destroyed, sub, &QObject::deleteLater);
    QObject::connect(sub, &Kalvio::SensorSubWindow::finished, plugin.data(),
                     &QObject::deleteLater);
    sub->showMaximized();
    plugin->vAvailablePortsUpdated(host.portWatcher()->ports());
    bool ok = true;
    if (connect) {
        plugin->vAutoConnect(Kalvio::SerialConnectionBroker::simulatedPortName());
        SensorWindow &window = *plugin->sensorWindow();
        ok = window.isConnected();
        // The progress bar runs out at its next step; live data starts then.
        Access::state(window).progressBar->setValue(Access::state(window).progressBar->maximum());
        const std::size_t before = Access::state(window).chart->history(0).size();
        QElapsedTimer clock;
        clock.start();
        while (ok && Access::state(window).chart->history(0).size() < before + 3
               && clock.elapsed() < 3000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        ok = ok && Access::state(window).chart->history(0).size() >= before + 3;
    }
    sub->close();
    settle();
    // The built-in simulator logs every request (up to 100,000, some 12 MB): its
    // memory, not the window's.
    if (IoLinkSim::MasterSimulator *master = host.broker()->simulator())
        master->clearLog();
    return ok && !plugin;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const int cycles = argc > 1 ? std::max(100, std::atoi(argv[1])) : 1000;
    const char *only = argc > 2 ? argv[2] : "";
    setSleepFunction([](int) {});

    Kalvio::PluginLoader noPlugins;
    Kalvio::MainWindow host(noPlugins);
    host.resize(1200, 800);
    host.show();
    const QString bin = QCoreApplication::applicationDirPath();
    if (!host.broker()->enableSimulator(bin + "/IoLinkZT4Kfamily.xml")) {
        std::fprintf(stderr, "no simulator: %s\n", qPrintable(host.broker()->errorString()));
        return 1;
    }
    host.portWatcher()->setSimulatedPort(Kalvio::SerialConnectionBroker::simulatedPortName());
    host.portWatcher()->refresh();
    // The simulated master answers at once: the figures are about memory, not time.
    QObject::connect(host.broker(), &Kalvio::SerialConnectionBroker::connectionOpened, &host,
                     [&host] {
                         for (auto *channel :
                              host.broker()->findChildren<IoLinkSim::SimulatedChannel *>())
                             channel->setLatencyMs(0);
                     });
    ModalAnswerer answerer; // any message box is acknowledged

    int status = 0;
    for (const char *mode : {"offline", "connected"}) {
        if (*only && std::strcmp(only, mode) != 0)
            continue;
        const bool connect = std::strcmp(mode, "connected") == 0;
        double after100 = 0.0;
        int failed = 0;
        QElapsedTimer clock;
        clock.start();
        for (int i = 1; i <= cycles; ++i) {
            failed += cycle(host, connect) ? 0 : 1;
            if (i == 100) {
                malloc_trim(0);
                after100 = residentMb();
            }
        }
        malloc_trim(0);
        const double afterAll = residentMb();
        std::printf("openclose_%s_rss_after_100: %.1f MB\n", mode, after100);
        std::printf("openclose_%s_rss_after_%d: %.1f MB\n", mode, cycles, afterAll);
        std::printf("openclose_%s_growth_after_100: %.2f MB\n", mode, afterAll - after100);
        std::printf("openclose_%s_ms_per_cycle: %.1f ms\n", mode,
                    double(clock.elapsed()) / cycles);
        std::printf("openclose_%s_failed_cycles: %d cycles\n", mode, failed);
        std::printf("openclose_%s_message_boxes: %d boxes\n", mode, answerer.answered());
        std::fflush(stdout);
        if (failed || afterAll - after100 >= 5.0)
            status = 1;
    }
    return status;
}
