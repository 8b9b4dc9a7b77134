// A day of process-data polling in about two minutes: one window connected to the
// in-process simulated master, whose clock advances 65 ms with every answer, takes
// 1.33 million answers (24 h at 65 ms). The window's poll handler is driven directly
// instead of by its 65 ms timer. Prints the memory growth per point next to the
// chart history's own bytes per point (the baseline; the bound is that plus 20 MB in
// all), the redraw time of the chart at the start and at the end, and the window's
// timers, connections and objects at the start and at the end (which must be equal).
// The chart stamps points with the wall clock, so its live view at the end holds far
// more points than a real day's would: the end redraw is a worst case.
// Argument: the number of answers (default 1330000).

#include "common/windowaccess.h"

#include "plugin/pluginpaths.h"

#include "simulator/mastersimulator.h"
#include "simulator/simulatedchannel.h"

#include "extensionsystem/sensorbasic.h"
#include "utils/charts/genericchart.h"

#include "bench/residentmemory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMetaMethod>
#include <QPainter>
#include <QSet>

#include <qwt_plot.h>
#include <qwt_plot_renderer.h>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace OrvexSensorPlugin::Core;
using Access = SensorWindowTestAccess;

namespace {

// Connections leaving an object: the receivers of each of its signals.
struct Receivers : QObject
{
    static int of(const QObject *object)
    {
        const QMetaObject *meta = object->metaObject();
        int count = 0;
        for (int i = 0; i < meta->methodCount(); ++i) {
            const QMetaMethod method = meta->method(i);
            if (method.methodType() == QMetaMethod::Signal)
                count += static_cast<const Receivers *>(object)->receivers(
                    QByteArray("2" + method.methodSignature()).constData());
        }
        return count;
    }
};

struct Census
{
    int objects = 0;
    int timers = 0;
    int activeTimers = 0;
    int connections = 0;
};

// Every object of the window (Qt children and the timers its state holds as
// members) and the channel.
Census census(SensorWindow &window, QObject &channel)
{
    // Style animations started by a redraw end by themselves; let them.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    SensorWindowState &state = Access::state(window);
    QList<QObject *> objects = window.findChildren<QObject *>();
    objects << &window << &channel << &state.chartPollTimer << &state.continuousDataTimer
            << &state.writeModeIconTimer << &Access::writeDelayTimer(window)
            << &state.progressDialog;
    objects << channel.findChildren<QObject *>();
    objects << state.progressDialog.findChildren<QObject *>();
    objects = QSet<QObject *>(objects.begin(), objects.end()).values();
    Census c;
    if (qEnvironmentVariableIsSet("DAYPOLL_LIST"))
        for (QObject *object : objects)
            std::fprintf(stderr, "%s %s %d %s\n", object->metaObject()->className(),
                         qPrintable(object->objectName()), Receivers::of(object),
                         object->parent() ? object->parent()->metaObject()->className() : "-");
    for (QObject *object : objects) {
        ++c.objects;
        c.connections += Receivers::of(object);
        if (auto *timer = qobject_cast<QTimer *>(object)) {
            ++c.timers;
            c.activeTimers += timer->isActive() ? 1 : 0;
        }
    }
    return c;
}

// Median time of drawing a plot of the chart into an 800 x 400 image as the screen
// would: the live plot in its current view, or the overview strip of the history.
double redrawMs(Utils::Charts::GenericChart *chart, QwtPlot *plot)
{
    chart->updateChart(false);
    QImage image(800, 400, QImage::Format_ARGB32_Premultiplied);
    QwtPlotRenderer renderer;
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        image.fill(Qt::white);
        QPainter painter(&image);
        QElapsedTimer clock;
        clock.start();
        renderer.render(plot, &painter, QRectF(0, 0, 800, 400));
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void print(const char *name, double value, const char *unit)
{
    std::printf("%s: %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

bool loadDescription(IoLinkSim::SensorDescription &description)
{
    if (description.load(QCoreApplication::applicationDirPath() + "/IoLinkZT4Kfamily.xml"))
        return true;
    std::fprintf(stderr, "%s\n", qPrintable(description.errorString()));
    return false;
}

// Memory, redraw times and the window's census at one moment, after the
// events due have run and freed memory went back to the system.
struct Snapshot
{
    double mb = 0;
    double redraw = 0;
    double overview = 0;
    Census census;
};

Snapshot snapshot(SensorWindow &window, QObject &channel, Utils::Charts::GenericChart *chart)
{
    QCoreApplication::processEvents();
    malloc_trim(0);
    Snapshot shot;
    shot.mb = residentMb();
    shot.redraw = redrawMs(chart, chart->poPlot(0));
    shot.overview = redrawMs(chart, chart->timelinePlot());
    shot.census = census(window, channel);
    return shot;
}

// Prints the figures; true when nothing grew but the history.
bool report(long done, long warmUp, qint64 simulatedMs, double seconds, const Snapshot &start,
            const Snapshot &end, const Utils::Charts::ChartHistory &history)
{
    const std::size_t points = history.size();
    const double grownBytes = (end.mb - start.mb) * 1024.0 * 1024.0;
    const double historyBytes = double(history.memoryBytes());
    print("daypoll_answers", double(done), "answers");
    print("daypoll_points_drawn", double(points), "points");
    print("daypoll_simulated_hours", double(simulatedMs) / 3.6e6, "h");
    print("daypoll_seconds", seconds, "s");
    print("daypoll_rss_start", start.mb, "MB");
    print("daypoll_rss_end", end.mb, "MB");
    print("daypoll_memory_per_point", grownBytes / double(done - warmUp), "bytes");
    print("daypoll_chart_history_per_point_baseline", historyBytes / double(points), "bytes");
    print("daypoll_growth_over_history", (grownBytes - historyBytes) / (1024.0 * 1024.0), "MB");
    print("daypoll_redraw_start", start.redraw, "ms");
    print("daypoll_redraw_end", end.redraw, "ms");
    print("daypoll_redraw_overview_start", start.overview, "ms");
    print("daypoll_redraw_overview_end", end.overview, "ms");
    print("daypoll_timers_start", start.census.timers, "timers");
    print("daypoll_timers_end", end.census.timers, "timers");
    print("daypoll_active_timers_start", start.census.activeTimers, "timers");
    print("daypoll_active_timers_end", end.census.activeTimers, "timers");
    print("daypoll_connections_start", start.census.connections, "connections");
    print("daypoll_connections_end", end.census.connections, "connections");
    print("daypoll_objects_start", start.census.objects, "objects");
    print("daypoll_objects_end", end.census.objects, "objects");
    return start.census.timers == end.census.timers
        && start.census.activeTimers == end.census.activeTimers
        && start.census.connections == end.census.connections
        && start.census.objects == end.census.objects
        && grownBytes - historyBytes < 20.0 * 1024 * 1024;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long answers = argc > 1 ? std::max(2000L, std::atol(argv[1])) : 1330000L;
    setSleepFunction([](int) {});

    IoLinkSim::SensorDescription description;
    if (!loadDescription(description))
        return 1;
    IoLinkSim::MasterSimulator master(description);
    qint64 simulatedMs = 0;
    master.setClock([&simulatedMs] { return simulatedMs; });
    IoLinkSim::SimulatedChannel channel(&master);
    channel.setLatencyMs(0);

    ExtensionSystem::SensorBasic chosen;
    chosen.setName("ZT4K-010 -1...10 bar");
    SensorWindow window(chosen);
    // Not shown: a live window repaints about 15 times a second, here that would be
    // thousands; the chart is drawn on purpose at the start and at the end instead.
    window.setCommunication(&channel);
    Access::connected(window) = true;
    Access::setLive(window, true);
    SensorWindowState &state = Access::state(window);

    // One poll as the 65 ms timer would start it, handled to its end.
    const auto pollOnce = [&] {
        simulatedMs += 65;
        Access::queryStatusData(window, 0);
        while (state.pendingFrameNumber != 0)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        state.chartPollTimer.stop();
        // The simulator's request log is the simulator's memory, not the window's.
        if (simulatedMs % (65 * 10000) == 0)
            master.clearLog();
        // No event loop runs here: what asked to be deleted later goes now, as the
        // host's loop would do it.
        if (simulatedMs % (65 * 1000) == 0)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };

    const long warmUp = 1000;
    for (long i = 0; i < warmUp; ++i)
        pollOnce();
    const Snapshot start = snapshot(window, channel, state.chart);

    QElapsedTimer clock;
    clock.start();
    long done = warmUp;
    for (; done < answers && Access::connected(window); ++done)
        pollOnce();
    const double seconds = double(clock.elapsed()) / 1000.0;
    if (qEnvironmentVariableIsSet("DAYPOLL_LIST"))
        std::fprintf(stderr, "----\n");
    const Snapshot end = snapshot(window, channel, state.chart);

    const bool sound = report(done, warmUp, simulatedMs, seconds, start, end,
                              state.chart->history(0));
    window.setCommunication(nullptr);
    return sound && done == answers ? 0 : 1;
}
