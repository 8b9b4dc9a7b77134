#include "window/sensorwindow.h"

#include "window/sensorwindowstate.h"
#include "window/sensorwindowui.h"

#include "chart/pressureunits.h"
#include "chart/processdatapanel.h"
#include "chart/processvalue.h"

#include "utils/charts/genericchart.h"
#include "utils/thresholdmultimanager.h"
#include "utils/thresholdwindowwidget.h"

#include <QAction>
#include <QColor>
#include <QCoreApplication>
#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QToolBar>
#include <QTreeWidgetItem>
#include <QVBoxLayout>

#include <utility>

namespace OrvexSensorPlugin {
namespace Core {

namespace {

enum ProcessDataRow { Output1Row = 0, Output2Row = 1, SignalRow = 2, ValueRow = 3 };

QTreeWidgetItem *processDataRow(const SensorWindowState *state, int row)
{
    return row < state->processDataItems.size() ? state->processDataItems.at(row) : nullptr;
}

// Rendering an SVG costs about a millisecond; the indicators change at most
// every poll, so each image is drawn once and each row is touched only when its
// state changes.
const QPixmap &ledImage(const QString &image)
{
    static QHash<QString, QPixmap> images;
    auto it = images.find(image);
    if (it == images.end()) {
        it = images.insert(image, QPixmap(image).scaled(40, 40, Qt::KeepAspectRatio,
                                                        Qt::SmoothTransformation));
    }
    return *it;
}

const QIcon &ledIcon(const QString &icon)
{
    static QHash<QString, QIcon> icons;
    auto it = icons.find(icon);
    if (it == icons.end())
        it = icons.insert(icon, QIcon(icon));
    return *it;
}

bool rowShows(QTreeWidgetItem *item, const QString &text, const QString &image)
{
    return item->text(1) == text && item->data(1, Qt::UserRole).toString() == image;
}

// An active indicator shows its image at LED size rather than as a small icon.
void showActive(QTreeWidgetItem *item, const QString &text, const QString &image)
{
    if (rowShows(item, text, image))
        return;
    clearNoReading(item);
    item->setText(1, text);
    item->setData(1, Qt::DecorationRole, ledImage(image));
    item->setData(1, Qt::UserRole, image);
}

void showInactive(QTreeWidgetItem *item, const QString &text, const QString &icon)
{
    if (rowShows(item, text, icon))
        return;
    clearNoReading(item);
    item->setText(1, text);
    item->setIcon(1, ledIcon(icon));
    item->setData(1, Qt::UserRole, icon);
}

QString translated(const char *text)
{
    return QCoreApplication::translate("OrvexSensorPlugin::Core::SensorWindow", text);
}

// Rows are addressed by position; a description with fewer rows shows fewer indicators.
void showPendingReading(SensorWindowState *state)
{
    if (!state->pendingReading)
        return;
    const SensorWindowState::PanelReading reading = *std::exchange(state->pendingReading, {});
    const ProcessValue &answer = reading.answer;
    if (QTreeWidgetItem *row = processDataRow(state, ValueRow)) {
        clearNoReading(row);
        row->setText(1, processValueText(reading.value, reading.unitSuffix));
    }
    if (QTreeWidgetItem *row = processDataRow(state, Output1Row)) {
        if (answer.output1Switched())
            showActive(row, translated("On"), QStringLiteral(":/newPrefix/icons/led_state_2_1.svg"));
        else
            showInactive(row, translated("Off"),
                         QStringLiteral(":/newPrefix/icons/led_state_1_1.svg"));
    }
    if (QTreeWidgetItem *row = processDataRow(state, Output2Row)) {
        if (!reading.output2Switching)
            showInactive(row, QStringLiteral(" "),
                         QStringLiteral(":/newPrefix/icons/led_state_0.svg"));
        else if (answer.output2Switched())
            showActive(row, translated("On"), QStringLiteral(":/newPrefix/icons/led_state_2_2.svg"));
        else
            showInactive(row, translated("Off"),
                         QStringLiteral(":/newPrefix/icons/led_state_1_2.svg"));
    }
    if (QTreeWidgetItem *row = processDataRow(state, SignalRow)) {
        if (answer.signalTooLow())
            showActive(row, translated("Signal too low"),
                       QStringLiteral(":/newPrefix/icons/!_galben_cerc_negru_mare.svg"));
        else
            showInactive(row, QStringLiteral("OK"),
                         QStringLiteral(":/newPrefix/icons/Check_box_galben_Negru_mare.svg"));
    }
}

} // namespace

Utils::Charts::GenericChart *SensorWindow::createChart(QWidget *parent)
{
    auto *chart = new Utils::Charts::GenericChart(1, parent, nullptr, true, false);
    connect(chart, &Utils::Charts::GenericChart::refreshed, this,
            [this] { showPendingReading(state); });
    chart->setCurrentValuePrecision(0, 2);
    chart->setScale(0, -100.0, 100000.0);
    chart->setAllowNegativeValues(0, true);
    chart->setPlotColor(0, QColor(0, 0, 188, 255), false, QColor(0, 0, 188, 20), 1);
    chart->vSetLabels(true);
    chart->AddLayoutRow(1);
    chart->UpdateLayout();
    chart->setMinPanOffset(0, 100);
    chart->setMaxPanOffset(0, 500);

    auto *overlay = new Utils::ThresholdWindowWidget(chart->poPlot(0), 0);
    state->thresholdWindow = overlay;
    state->thresholdWindows.append(overlay);
    state->thresholdManager = new Utils::ThresholdMultiManager(0); // deleted by the window
    overlay->allowOverlapping(true);
    // The slot needs to know which overlay a drag came from.
    connect(overlay, &Utils::ThresholdWindowWidget::emitValueChanged, this,
            [this, overlay](unsigned int mark, double value) {
                const int previous = state->thresholdComponent;
                state->thresholdComponent = overlay->getComponentIndex();
                chartThresholdChanged(mark, value);
                state->thresholdComponent = previous;
            });
    overlay->setWindowSizeVisible(false);
    overlay->setReadOnly(false);
    state->thresholdManager->setOutputs(2);

    createOutputCombo();

    auto *layout = new QVBoxLayout(parent);
    layout->addWidget(chart);
    chart->setScale(0, state->minRange, state->maxRange);
    return chart;
}

void SensorWindow::setPressurePlotTitle()
{
    if (state->chart)
        state->chart->setPlotTitle(0, tr("Pressure") + QStringLiteral(" (bar)"), false,
                                   QString(), true);
}

void SensorWindow::processDataReceived(const QString &hexAnswer)
{
    const ProcessValue answer = decodeProcessValue(hexAnswer);
    if (!state->liveDataEnabled || !connected || !state->chart)
        return;

    double value = answer.raw / state->decVal;
    if (state->unitIndex > 0)
        value = convertPressure(value, state->unitIndex, true);
    const double analog = analogEquivalent(value, state->analogLow, state->analogHigh,
                                           state->analogMode);
    // The panel shows the reading with the chart's next refresh.
    state->pendingReading =
        SensorWindowState::PanelReading{value, state->unitSuffix, answer, state->output2Switching};
    state->chart->vAppendData(0, value, true, analog, false, -1.0, -1.0);
}

void SensorWindow::updateChart()
{
    if (connected)
        ui->chartToolbar->setEnabled(true);
}

void SensorWindow::setWindowActive(bool)
{
    if (ui->actionEnable_live_data->isChecked() && state->chart)
        state->chart->jumpToPlottingArea();
}

void SensorWindow::vZommResetForNoiseLine()
{
}

} // namespace Core
} // namespace OrvexSensorPlugin
