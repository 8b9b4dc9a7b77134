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

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long answers = argc > 1 ? std::max(2000L, std::atol(argv[1])) : 1330000L;
    setSleepFunction([](int) {});

    IoLinkSim::SensorDescription description;
    if (!description.load(QCoreApplication::applicationDirPath() + "/IoLinkZT4Kfamily.xml")) {
        std::fprintf(stderr, "%s\n", qPrintable(description.errorString()));
        return 1;
    }
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
    QCoreApplication::processEvents();
    malloc_trim(0);
    const double startMb = residentMb();
    const double startRedraw = redrawMs(state.chart, state.chart->poPlot(0));
    const double startOverview = redrawMs(state.chart, state.chart->timelinePlot());
    const Census start = census(window, channel);

    QElapsedTimer clock;
    clock.start();
    long done = warmUp;
    for (; done < answers && Access::connected(window); ++done)
        pollOnce();
    const double seconds = double(clock.elapsed()) / 1000.0;
    QCoreApplication::processEvents();
    malloc_trim(0);
    const double endMb = residentMb();
    const double endRedraw = redrawMs(state.chart, state.chart->poPlot(0));
    const double endOverview = redrawMs(state.chart, state.chart->timelinePlot());
    if (qEnvironmentVariableIsSet("DAYPOLL_LIST"))
        std::fprintf(stderr, "----\n");
    const Census end = census(window, channel);

    const std::size_t points = state.chart->history(0).size();
    const double grownBytes = (endMb - startMb) * 1024.0 * 1024.0;
    const double historyBytes = double(state.chart->history(0).memoryBytes());
    print("daypoll_answers", double(done), "answers");
    print("daypoll_points_drawn", double(points), "points");
    print("daypoll_simulated_hours", double(simulatedMs) / 3.6e6, "h");
    print("daypoll_seconds", seconds, "s");
    print("daypoll_rss_start", startMb, "MB");
    print("daypoll_rss_end", endMb, "MB");
    print("daypoll_memory_per_point", grownBytes / double(done - warmUp), "bytes");
    print("daypoll_chart_history_per_point_baseline", historyBytes / double(points), "bytes");
    print("daypoll_growth_over_history", (grownBytes - historyBytes) / (1024.0 * 1024.0), "MB");
    print("daypoll_redraw_start", startRedraw, "ms");
    print("daypoll_redraw_end", endRedraw, "ms");
    print("daypoll_redraw_overview_start", startOverview, "ms");
    print("daypoll_redraw_overview_end", endOverview, "ms");
    print("daypoll_timers_start", start.timers, "timers");
    print("daypoll_timers_end", end.timers, "timers");
    print("daypoll_active_timers_start", start.activeTimers, "timers");
    print("daypoll_active_timers_end", end.activeTimers, "timers");
    print("daypoll_connections_start", start.connections, "connections");
    print("daypoll_connections_end", end.connections, "connections");
    print("daypoll_objects_start", start.objects, "objects");
    print("daypoll_objects_end", end.objects, "objects");
    window.setCommunication(nullptr);
    const bool sound = done == answers && start.timers == end.timers
        && start.activeTimers == end.activeTimers && start.connections == end.connections
        && start.objects == end.objects && grownBytes - historyBytes < 20.0 * 1024 * 1024;
    return sound ? 0 : 1;
}
