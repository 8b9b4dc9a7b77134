// Eight sensor windows polling at once, as on a test bench with eight sensors:
// each window talks through the host's SerialChannel to its own iolink-master-sim
// on a pseudo-terminal, live data on, with the window's own 65 ms poll cycle.
// Prints per window the 99th percentile of the interval between two poll
// requests (the baseline is the 65 ms timer itself), and the CPU time of this
// process (all windows, channels, charts and Qt) and of the simulators, as a
// share of one core over the run. Arguments: polls per window (default 2000),
// windows (default 8).

#include "tests/common/windowaccess.h"

#include "extensionsystem/portsettings.h"
#include "extensionsystem/sensorbasic.h"
#include "extensionsystem/serialchannel.h"

#include "bench/simulatorprocess.h"
#include "bench/timedchannel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace OrvexSensorPlugin::Core;
using Access = SensorWindowTestAccess;

namespace {

// User and system time of another process, from /proc.
double processCpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0.0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0.0;
    return (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
}

struct Station
{
    QProcess simulator;
    std::unique_ptr<TimedChannel> channel;
    std::unique_ptr<SensorWindow> window;
};

// A window polling its own simulator through its own channel.
std::unique_ptr<Station> startStation(const QDir &bin, const QElapsedTimer &clock, int polls)
{
    auto station = std::make_unique<Station>();
    const QString device = startSimulatorProcess(station->simulator, bin);
    if (device.isEmpty())
        return nullptr;
    ExtensionSystem::PortSettings settings;
    settings.portName = device;
    station->channel = std::make_unique<TimedChannel>(settings);
    station->channel->clock = &clock;
    station->channel->sentNs.reserve(std::size_t(polls) + 8);
    if (!station->channel->open()) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(device));
        return nullptr;
    }
    ExtensionSystem::SensorBasic chosen;
    chosen.setName("ZT4K-010 -1...10 bar");
    station->window = std::make_unique<SensorWindow>(chosen);
    station->window->setCommunication(station->channel.get());
    Access::connected(*station->window) = true;
    Access::state(*station->window).liveDataEnabled = true;
    station->window->resize(1280, 800);
    station->window->show();
    return station;
}

// Prints the station's intervals; false when its polling stopped early.
bool reportStation(std::size_t index, Station &s, int polls, double &worst)
{
    const bool connected = Access::connected(*s.window);
    Access::connected(*s.window) = false;
    Access::state(*s.window).chartPollTimer.stop();
    const std::vector<double> intervals = s.channel->intervalsMs();
    if (!connected || intervals.size() < std::size_t(polls)) {
        std::fprintf(stderr, "window %zu stopped after %zu polls\n", index, intervals.size());
        return false;
    }
    const double p99 = percentile(intervals, 0.99);
    worst = std::max(worst, p99);
    std::printf("multi_window%zu_poll_interval_p99: %.2f ms\n", index, p99);
    std::printf("multi_window%zu_poll_interval_median: %.2f ms\n", index,
                percentile(intervals, 0.5));
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int polls = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;
    const int count = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 16) : 8;
    const QDir bin(QCoreApplication::applicationDirPath());
    QElapsedTimer clock;
    clock.start();
    std::vector<std::unique_ptr<Station>> stations;
    for (int i = 0; i < count; ++i) {
        stations.push_back(startStation(bin, clock, polls));
        if (!stations.back())
            return 1;
    }

    int stationsDone = 0;
    for (const auto &s : stations) {
        s->channel->stopAfter = std::size_t(polls) + 1;
        s->channel->onEnough = [&stationsDone, count] {
            if (++stationsDone == count)
                qApp->quit();
        };
    }
    // Polling stops for good when a window gives its sensor up.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &app, [&] {
        if (std::any_of(stations.begin(), stations.end(),
                        [](const auto &s) { return !Access::connected(*s->window); }))
            app.quit();
    });
    watch.start(1000);
    double simulatorsCpu = 0.0;
    for (const auto &s : stations)
        simulatorsCpu -= processCpuSeconds(s->simulator.processId());
    const double cpuBefore = cpuSeconds();
    const qint64 wallBefore = clock.nsecsElapsed();
    for (const auto &s : stations)
        Access::queryStatusData(*s->window, 0);
    app.exec();
    const double wall = double(clock.nsecsElapsed() - wallBefore) / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    for (const auto &s : stations)
        simulatorsCpu += processCpuSeconds(s->simulator.processId());

    int status = 0;
    double worst = 0.0;
    for (std::size_t i = 0; i < stations.size(); ++i)
        status |= reportStation(i + 1, *stations[i], polls, worst) ? 0 : 1;
    std::printf("multi_windows: %d windows\n", count);
    std::printf("multi_polls_per_window: %d polls\n", polls);
    std::printf("multi_poll_interval_baseline: 65.0 ms\n");
    std::printf("multi_poll_interval_p99_worst_window: %.2f ms\n", worst);
    std::printf("multi_wall_time: %.1f s\n", wall);
    std::printf("multi_host_cpu: %.2f %% of one core\n", 100.0 * cpu / wall);
    std::printf("multi_host_cpu_per_poll: %.3f ms\n", 1000.0 * cpu / (double(polls) * count));
    std::printf("multi_simulators_cpu: %.2f %% of one core\n", 100.0 * simulatorsCpu / wall);
    for (const auto &s : stations) {
        s->window->setCommunication(nullptr);
        s->channel.reset(); // as the host does: the channel goes before the window's frames
        s->window.reset();
        s->simulator.terminate();
        s->simulator.waitForFinished(3000);
    }
    return status;
}
