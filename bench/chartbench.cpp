// Chart speed with a long history: redraw, append, memory and history text,
// next to an all-points QwtPlotCurve redraw of the same data as the baseline;
// then a day of polls as the window records them (whole milliseconds, a raw
// 16-bit reading over 100, the 4-20 mA equivalent or the switching layout's
// non-finite one): bytes a point, the text's size against version 1 written
// the old way, and saving and opening a settings file holding it through the window.
#include "tests/common/windowaccess.h"
#include "chart/processvalue.h"
#include "settings/settingsfile.h"
#include "window/sensorwindow.h"

#include "extensionsystem/sensorbasic.h"
#include "utils/charts/charthistory.h"
#include "utils/charts/genericchart.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QImage>
#include <QPainter>

#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_renderer.h>

#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <charconv>
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

// A day of polls as the window records them: 65 ms apart and a little more
// now and then, the sensor's raw reading (noise of a few counts) over 100,
// and the analog equivalent of the analog layout (4-20 mA over -1..10 bar) or
// of the switching layout (both ends 0: not finite).
struct DayPoint
{
    double time;
    double value;
    double analog;
};

std::vector<DayPoint> dayOfPolls(bool analogLayout)
{
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0.0, 2.0);
    std::uniform_int_distribution<int> late(0, 9);
    std::vector<DayPoint> day(LongHistory);
    double t = StartMs;
    for (std::size_t i = 0; i < LongHistory; ++i) {
        const double pressure = 5.0 + 3.0 * std::sin(6.283 * 7.0 * double(i) / LongHistory);
        const int raw = int(std::lround(100.0 * pressure + noise(random)));
        const double value = raw / 100.0;
        using OrvexSensorPlugin::Core::analogEquivalent;
        day[i] = {t, value, analogLayout ? analogEquivalent(value, -1.0, 10.0, 1)
                                         : analogEquivalent(value, 0.0, 0.0, 1)};
        t += late(random) == 0 ? 67.0 : 65.0;
    }
    return day;
}

// Length of the text that version 1 wrote: every number whole, as to_chars gives it.
std::size_t version1Length(const Utils::Charts::ChartHistory &h)
{
    char buffer[40];
    std::size_t length = 12 + std::to_string(h.size()).size(); // "history;1;1;" and count
    auto number = [&](double d) {
        if (std::isnan(d))
            return std::size_t(3);
        return std::size_t(std::to_chars(buffer, buffer + sizeof buffer, d).ptr - buffer);
    };
    for (std::size_t i = 0; i < h.size(); ++i) {
        length += 3 + number(h.time(i)) + number(h.value(i, Utils::Charts::ChartHistory::Value))
            + number(h.value(i, Utils::Charts::ChartHistory::Analog));
    }
    return length;
}

void dayFigures(const char *layout, bool analogLayout)
{
    const std::vector<DayPoint> day = dayOfPolls(analogLayout);
    GenericChart chart(1, nullptr, nullptr, true, false);
    for (const DayPoint &p : day)
        chart.appendDataAt(0, p.time, p.value, p.analog);
    const Utils::Charts::ChartHistory &h = chart.history(0);
    const std::string prefix = std::string("day_") + layout + "_";
    print((prefix + "memory_per_point").c_str(), double(h.memoryBytes()) / double(h.size()),
          "bytes");
    const QString text = chart.dataToString();
    print((prefix + "history_text_size").c_str(), text.size() / 1.0e6, "Mchar");
    print((prefix + "baseline_history_text_v1_size").c_str(), version1Length(h) / 1.0e6,
          "Mchar");
    GenericChart other(1, nullptr, nullptr, true, false);
    const bool ok = other.setDataFromString(text, QLatin1Char(';'))
        && other.dataToString() == text;
    print((prefix + "history_text_roundtrip_ok").c_str(), ok ? 1.0 : 0.0, "bool");
}

using Access = OrvexSensorPlugin::Core::SensorWindowTestAccess;

// Saves a day (analog layout) through the window's Save Settings, its file dialog
// answered with `path` at once, and opens the file in a second window.
void settingsFigures()
{
    using OrvexSensorPlugin::Core::SensorWindow;
    QTemporaryDir dir;
    const QString path = dir.filePath("day.wts");
    ExtensionSystem::SensorBasic chosen;
    chosen.setName("ZT4K-010 -1...10 bar");
    SensorWindow saving(chosen);
    for (const DayPoint &p : dayOfPolls(true))
        Access::state(saving).chart->appendDataAt(0, p.time, p.value, p.analog);
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
            static_cast<QDialog *>(dialog)->done(QDialog::Accepted);
        }
    });
    answer.start(0);
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = cpuMs();
    saving.vSaveSettings();
    const double saveMs = timer.nsecsElapsed() / 1e6;
    const double saveCpu = cpuMs() - cpuStart;
    answer.stop();

    SensorWindow opening(chosen);
    timer.restart();
    const double openCpuStart = cpuMs();
    const bool opened = opening.bOpenSettings(path);
    const double openMs = timer.nsecsElapsed() / 1e6;
    const double openCpu = cpuMs() - openCpuStart;
    const bool same = opened && Access::state(opening).chart->history(0).size() == LongHistory
        && Access::state(opening).chart->dataToString()
            == Access::state(saving).chart->dataToString();
    print("settings_day_file_size", QFileInfo(path).size() / 1.0e6, "MB");
    print("settings_day_save_through_window", saveMs, "ms");
    print("settings_day_save_cpu", saveCpu, "ms");
    print("settings_day_open_through_window", openMs, "ms");
    print("settings_day_open_cpu", openCpu, "ms");
    print("settings_day_save_and_open", saveMs + openMs, "ms");
    print("settings_day_history_opened_ok", same ? 1.0 : 0.0, "bool");
}

void redrawFigures()
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

void appendFigures()
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

void historyTextFigures()
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

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    redrawFigures();
    appendFigures();
    historyTextFigures();
    dayFigures("switching", false);
    dayFigures("analog", true);
    settingsFigures();
    return 0;
}
