// Process-data polling of the window against the iolink-master-sim program on a
// pseudo-terminal, through the host's SerialChannel: the window's own poll slot
// with its 65 ms single-shot timer, restarted after each answer, as in live
// operation. Prints the interval between two poll requests handed to the channel
// (median and 99th percentile; the baseline is the 65 ms timer itself) and the
// CPU time of this process per poll (plug-in, channel, chart and Qt; the simulator
// runs in its own process), then again for a quarter as many polls whose answers are
// not drawn (live data off), which leaves out the chart's share, and for half as
// many polls with the previous drawing path as the baseline: the whole plot
// redrawn every 100 ms while points come in; last, as the floor, a bare serial
// port polling at the same pace. Argument: the number of polls (default 2000).

#include "tests/common/windowaccess.h"

#include "utils/charts/genericchart.h"

#include "extensionsystem/portsettings.h"
#include "extensionsystem/sensorbasic.h"
#include "extensionsystem/serialchannel.h"

#include "bench/simulatorprocess.h"
#include "bench/timedchannel.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QSerialPort>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace OrvexSensorPlugin::Core;
using Access = SensorWindowTestAccess;

namespace {

struct Run
{
    std::vector<double> intervals;
    double cpu = 0.0;
    bool connected = false;

    double cpuPerPollMs() const
    {
        return 1000.0 * cpu / double(std::max<std::size_t>(1, intervals.size()));
    }
};

// `count` polls as in live operation; without live data the answers are
// handled but not drawn, which separates the chart's share of the CPU time.
// With redrawWhole the plot is also redrawn whole every 100 ms, as the
// previous drawing path did on every refresh.
Run runPolls(SensorWindow &window, TimedChannel &channel, int count, bool liveData,
             bool redrawWhole)
{
    QTimer fullRedraw;
    QObject::connect(&fullRedraw, &QTimer::timeout, &window,
                     [&] { Access::state(window).chart->updateChart(true); });
    if (redrawWhole)
        fullRedraw.start(100);
    Access::state(window).liveDataEnabled = liveData;
    Access::connected(window) = true;
    channel.sentNs.clear();
    channel.sentNs.reserve(std::size_t(count) + 1);
    channel.stopAfter = std::size_t(count) + 1;
    channel.onEnough = [] { qApp->quit(); };
    // Polling stops for good when the window gives the sensor up.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, qApp, [&] {
        if (!Access::connected(window))
            qApp->quit();
    });
    watch.start(1000);
    const double cpuBefore = cpuSeconds();
    Access::queryStatusData(window, 0);
    qApp->exec();
    Run result;
    result.cpu = cpuSeconds() - cpuBefore;
    fullRedraw.stop();
    result.connected = Access::connected(window);
    // Let the poll in flight finish without starting another.
    Access::connected(window) = false;
    Access::state(window).chartPollTimer.stop();
    QElapsedTimer settle;
    settle.start();
    while (Access::state(window).pendingFrameNumber != 0 && settle.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    result.intervals = channel.intervalsMs();
    return result;
}

void printFigures(const Run &live, const Run &quiet, const Run &previous, std::size_t points,
                  int redraws)
{
    const std::vector<double> &intervals = live.intervals;
    const double p99 = percentile(intervals, 0.99);
    std::printf("poll_count: %zu polls\n", intervals.size());
    std::printf("poll_points_drawn: %zu points\n", points);
    std::printf("poll_interval_baseline: 65.0 ms\n");
    std::printf("poll_interval_median: %.2f ms\n", percentile(intervals, 0.5));
    std::printf("poll_interval_p99: %.2f ms\n", p99);
    std::printf("poll_interval_max: %.2f ms\n",
                *std::max_element(intervals.begin(), intervals.end()));
    std::printf("poll_p99_over_baseline: %.2f ms\n", p99 - 65.0);
    std::printf("poll_cpu_per_poll: %.3f ms\n", live.cpuPerPollMs());
    std::printf("poll_cpu_per_poll_not_drawn: %.3f ms\n", quiet.cpuPerPollMs());
    std::printf("poll_full_redraws_per_100_polls: %.2f redraws\n",
                100.0 * redraws / double(intervals.size()));
    std::printf("baseline_poll_cpu_per_poll_previous_drawing: %.3f ms\n",
                previous.cpuPerPollMs());
}

// The least a poll can cost in this process: a bare port, without plug-in, channel
// or window, that writes the poll request 65 ms after each complete answer. The
// event loop wakes for the timer and for the answer as in live operation.
double bareCpuPerPollMs(const QString &device, int count)
{
    QSerialPort port(device);
    if (!port.open(QIODevice::ReadWrite))
        return -1.0;
    QByteArray buffer;
    int answered = 0;
    QTimer next;
    next.setSingleShot(true);
    next.setInterval(65);
    QObject::connect(&next, &QTimer::timeout, &port, [&] {
        port.write("\x02\x70\x22", 3);
        port.flush();
        port.flush();
    });
    QObject::connect(&port, &QSerialPort::readyRead, &port, [&] {
        buffer += port.readAll();
        while (!buffer.isEmpty() && buffer.size() >= 1 + quint8(buffer.at(0))) {
            buffer.remove(0, 1 + quint8(buffer.at(0)));
            if (++answered == count)
                qApp->quit();
            else
                next.start();
        }
    });
    QTimer guard; // a simulator that stopped answering ends the run
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, qApp, &QCoreApplication::quit);
    guard.start(count * 200);
    const double cpuBefore = cpuSeconds();
    next.start();
    qApp->exec();
    const double cpu = cpuSeconds() - cpuBefore;
    return answered == count ? 1000.0 * cpu / count : -1.0;
}

// The three runs against the simulator on `device`; false when polling stopped.
bool measure(const QString &device, int polls)
{
    ExtensionSystem::PortSettings settings;
    settings.portName = device;
    TimedChannel channel(settings);
    if (!channel.open()) {
        std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(device),
                     qPrintable(channel.errorString()));
        return false;
    }
    ExtensionSystem::SensorBasic chosen;
    chosen.setName("ZT4K-010 -1...10 bar");
    SensorWindow window(chosen);
    window.setCommunication(&channel);
    window.show();

    QElapsedTimer clock;
    clock.start();
    channel.clock = &clock;
    const int redrawsBefore = Access::state(window).chart->fullRedrawCount();
    const Run live = runPolls(window, channel, polls, true, false);
    const int redraws = Access::state(window).chart->fullRedrawCount() - redrawsBefore;
    const std::size_t points = Access::state(window).chart->history(0).size();
    const Run quiet = live.connected ? runPolls(window, channel, std::max(10, polls / 4), false,
                                                false)
                                     : Run();
    const Run previous = quiet.connected
        ? runPolls(window, channel, std::max(10, polls / 2), true, true)
        : Run();
    window.setCommunication(nullptr);
    if (!live.connected || !quiet.connected || !previous.connected
        || live.intervals.size() < std::size_t(polls)) {
        std::fprintf(stderr, "polling stopped after %zu polls\n", live.intervals.size());
        return false;
    }
    printFigures(live, quiet, previous, points, redraws);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int polls = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;
    const QDir bin(QCoreApplication::applicationDirPath());

    QProcess simulator;
    const QString device = startSimulatorProcess(simulator, bin);
    if (device.isEmpty())
        return 1;
    bool measured = measure(device, polls);
    const double bare = measured ? bareCpuPerPollMs(device, std::max(10, polls / 4)) : -1.0;
    if (bare < 0.0) {
        std::fprintf(stderr, "the bare port got no answers\n");
        measured = false;
    } else {
        std::printf("baseline_poll_cpu_per_poll_bare_port: %.3f ms\n", bare);
    }
    simulator.terminate();
    simulator.waitForFinished(3000);
    return measured ? 0 : 1;
}
