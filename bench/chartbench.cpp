// Chart speed with a long history: redraw, append, memory and history text,
// next to an all-points QwtPlotCurve redraw of the same data as the baseline.
#include "utils/charts/charthistory.h"
#include "utils/charts/genericchart.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_renderer.h>

#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

using Utils::Charts::GenericChart;

namespace {

constexpr std::size_t LongHistory = 1330000;
constexpr std::size_t ShortHistory = 10000;
constexpr double StartMs = 1.7e12;
constexpr double HistorySpanMs = LongHistory * 65.0;
constexpr int Width = 800;
constexpr int Height = 400;
constexpr int Repeats = 15;

void print(const char *name, double value, const char *unit)
{
    std::printf("%s: %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

double noisyValue(std::mt19937 &random, std::size_t i, std::size_t n)
{
    std::normal_distribution<double> noise(0.0, 0.4);
    return 5.0 + 3.0 * std::sin(6.283 * 7.0 * double(i) / double(n)) + noise(random);
}

struct Timing
{
    double median;
    double fastest;
    double cpuMedian;
};

double cpuMs();

// Time in ms of rendering the whole plot into an 800 x 400 image. The fastest
// of the runs is the figure least disturbed by other work on the machine.
Timing redrawMs(QwtPlot *plot)
{
    QImage image(Width, Height, QImage::Format_ARGB32_Premultiplied);
    QwtPlotRenderer renderer;
    std::vector<double> times;
    std::vector<double> cpu;
    for (int i = 0; i < Repeats; ++i) {
        image.fill(Qt::white);
        QPainter painter(&image);
        const double cpuStart = cpuMs();
        QElapsedTimer timer;
        timer.start();
        renderer.render(plot, &painter, QRectF(0, 0, Width, Height));
        times.push_back(timer.nsecsElapsed() / 1e6);
        cpu.push_back(cpuMs() - cpuStart);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    return {times[times.size() / 2], times.front(), cpu[cpu.size() / 2]};
}

void configure(GenericChart &chart)
{
    chart.setScale(0, -1.0, 15.0);
    chart.setPlotColor(0, QColor(0, 0, 188, 255), false, QColor(0, 0, 188, 20), 1);
    chart.setMinPanOffset(0, 100);
    chart.setMaxPanOffset(0, 500);
    chart.resize(Width, Height + 100);
}

std::unique_ptr<GenericChart> filledChart(std::size_t points)
{
    auto chart = std::make_unique<GenericChart>(1, nullptr, nullptr, true, false);
    configure(*chart);
    std::mt19937 random(7);
    const double step = HistorySpanMs / double(points);
    for (std::size_t i = 0; i < points; ++i)
        chart->appendDataAt(0, StartMs + double(i) * step, noisyValue(random, i, points), 5.0);
    chart->setView(StartMs, StartMs + HistorySpanMs);
    return chart;
}

// CPU time of this thread, user and system, in ms: on a machine shared with
// other work the wall-clock figures also count the time spent waiting for a core.
double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

std::size_t heapBytes()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    {
        auto shortChart = filledChart(ShortHistory);
        auto longChart = filledChart(LongHistory);
        const Timing small = redrawMs(shortChart->poPlot(0));
        const Timing large = redrawMs(longChart->poPlot(0));
        print("redraw_10k_points_median", small.median, "ms");
        print("redraw_10k_points_fastest", small.fastest, "ms");
        print("redraw_1330k_points_median", large.median, "ms");
        print("redraw_1330k_points_fastest", large.fastest, "ms");
        print("redraw_10k_points_cpu_median", small.cpuMedian, "ms");
        print("redraw_1330k_points_cpu_median", large.cpuMedian, "ms");
        print("redraw_ratio_1330k_to_10k_median", large.median / small.median, "x");
        print("redraw_ratio_1330k_to_10k_fastest", large.fastest / small.fastest, "x");

        // Baseline: the same data handed to a plain curve, every point drawn
        // (line only: filling a polygon of a million points takes seconds).
        QwtPlot plain;
        plain.setAxisScale(QwtPlot::yLeft, -1.0, 15.0);
        plain.setAxisScale(QwtPlot::xBottom, StartMs, StartMs + HistorySpanMs);
        const Utils::ValueOverTime data = longChart->getData(0);
        auto *curve = new QwtPlotCurve;
        curve->setPen(QColor(0, 0, 188), 1);
        curve->setSamples(data.pxData(), data.pyData(), data.size());
        curve->attach(&plain);
        const Timing baseline = redrawMs(&plain);
        print("baseline_redraw_1330k_points_plain_qwtplotcurve_median", baseline.median, "ms");
        print("baseline_redraw_1330k_points_plain_qwtplotcurve_fastest", baseline.fastest, "ms");
        print("baseline_redraw_1330k_points_plain_qwtplotcurve_cpu_median", baseline.cpuMedian,
              "ms");
    }

    {
        GenericChart chart(1, nullptr, nullptr, true, false);
        configure(chart);
        std::mt19937 random(11);
        std::vector<double> values(LongHistory);
        for (std::size_t i = 0; i < LongHistory; ++i)
            values[i] = noisyValue(random, i, LongHistory);
        malloc_trim(0);
        const std::size_t before = heapBytes();
        QElapsedTimer timer;
        timer.start();
        for (std::size_t i = 0; i < LongHistory; ++i)
            chart.vAppendData(0, values[i], true, values[i] * 0.5, false, -1.0, -1.0);
        const double appendNs = double(timer.nsecsElapsed()) / double(LongHistory);
        const std::size_t after = heapBytes();
        print("append_per_point", appendNs / 1000.0, "us");
        print("memory_per_point_heap", double(after - before) / double(LongHistory), "bytes");
        print("memory_per_point_history",
              double(chart.history(0).memoryBytes()) / double(LongHistory), "bytes");
    }

    {
        auto chart = filledChart(LongHistory);
        double best = 0.0;
        double bestCpu = 0.0;
        for (int run = 0; run < 3; ++run) {
            const double cpuStart = cpuMs();
            QElapsedTimer timer;
            timer.start();
            const QString text = chart->dataToString();
            const double writeMs = timer.nsecsElapsed() / 1e6;
            timer.restart();
            const bool ok = chart->setDataFromString(text, QLatin1Char(';'));
            const double readMs = timer.nsecsElapsed() / 1e6;
            const double cpu = cpuMs() - cpuStart;
            bestCpu = run == 0 ? cpu : std::min(bestCpu, cpu);
            if (run == 0) {
                print("history_text_size", text.size() / 1.0e6, "Mchar");
                print("history_text_roundtrip_ok", ok ? 1.0 : 0.0, "bool");
            }
            std::printf("history_to_string_run%d: %.3f ms\n", run + 1, writeMs);
            std::printf("history_from_string_run%d: %.3f ms\n", run + 1, readMs);
            best = run == 0 ? writeMs + readMs : std::min(best, writeMs + readMs);
        }
        print("history_text_roundtrip_fastest", best, "ms");
        print("history_text_roundtrip_cpu_fastest", bestCpu, "ms");
    }
    return 0;
}
