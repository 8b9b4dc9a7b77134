#include "window/sensorwindow.h"

#include "tree/treehandlingpause.h"

#include "window/sensorwindowstate.h"
#include "window/sensorwindowui.h"

#include "chart/outputlayout.h"
#include "chart/pressureunits.h"
#include "chart/processdatapanel.h"
#include "chart/processvalue.h"
#include "chart/unitscale.h"

#include "utils/charts/genericchart.h"
#include "utils/thresholdwindowwidget.h"

#include "propertybrowser/qtproperty.h"
#include "propertybrowser/qtpropertymanager.h"

#include <QComboBox>
#include <QIcon>
#include <QToolBar>
#include <QTreeWidgetItem>

namespace OrvexSensorPlugin {
namespace Core {

namespace {

const char *const lowerMarkIdA1 = "ThresholdsPressure1A1";
const char *const upperMarkIdA1 = "ThresholdsPressure2A1";
const char *const lowerMarkIdA2 = "ThresholdsPressure1A2";
const char *const upperMarkIdA2 = "ThresholdsPressure2A2";

// The six pressures that the tree holds in the display unit, in the order they are converted.
const char *const pressureIds[] = {lowerMarkIdA1, upperMarkIdA1, lowerMarkIdA2, upperMarkIdA2,
                                   "analogPressure0V", "analogPressure10V"};

} // namespace

void SensorWindow::createOutputCombo()
{
    const bool created = state->outputCombo == nullptr;
    if (created)
        state->outputCombo = new QComboBox(this);
    state->outputCombo->insertItem(0, tr("Output") + QStringLiteral(" 1"));
    state->outputCombo->insertItem(1, tr("Output") + QStringLiteral(" 2"));
    state->outputCombo->setCurrentIndex(0);
    connect(state->outputCombo, QOverload<int>::of(&QComboBox::currentIndexChanged),
            this, &SensorWindow::slotCurrentOutputChanged, Qt::UniqueConnection);
    if (created)
        ui->outuptsComboToolBar->addWidget(state->outputCombo);
}

void SensorWindow::initChartDecorations()
{
    lastUnitSetting = 0;
    ui->outuptsComboToolBar->hide();
    for (const char *id : {"NONCA2", "OnDelay2", "OffDelay2", "RemoteSwitchingOutput",
                           "remoteAnalogValue"})
        setParameterVisible(QLatin1String(id), false);

    Utils::Charts::GenericChart *chart = state->chart;
    if (!chart || !state->thresholdWindow)
        return;
    state->thresholdWindow->setUpperMark(state->maxRange * 0.5);
    state->thresholdWindow->setLowerMark(state->maxRange * 0.25);
    chart->setPlotTitle(0, QString(), false, QString(), true);
    chart->vSetMarkerRightVisible(0, true);
    chart->setRightMarkerVisible(0, true);
    chart->vEnableYRightAxis(0, true);
    chart->setYRightAxisScale(0, 4.0, 20.0, 2.0);
    chart->setCustomLabelsText(0, tr("Pressure") + QStringLiteral(" (bar)"), tr("Current (mA)"));
    chart->setCustomLabelsVisible(0, true, true);
}

void SensorWindow::slotCurrentOutputChanged(int)
{
    Utils::Charts::GenericChart *chart = state->chart;
    Utils::ThresholdWindowWidget *overlay = state->thresholdWindows.value(0);
    if (!chart || !overlay)
        return;
    TreeHandlingPause pause(this);
    refreshUnitScale();
    const int selected = state->outputCombo->currentIndex();
    ui->outuptsComboToolBar->hide();
    resetOutputDecorations();
    state->analogMode = enumParameter("AnalogMode");
    showOutput2Row(true);
    convertPressuresAfterRead();
    applyOutputLayout(outputLayout(enumParameter("PinFunctionA1"), enumParameter("PinFunctionA2"),
                                   state->analogMode, selected));
    // The output 2 row was reset above; offline it shows no reading.
    if (!connected) {
        state->pendingReading.reset();
        showNoReadings(state->processDataItems);
    }
}

QtProperty *SensorWindow::outputParameter(const char *id) const
{
    return state->rootProperty ? findPropertyById(state->rootProperty, id) : nullptr;
}

// A parameter missing from the description reads as -1: no known function.
int SensorWindow::enumParameter(const char *id) const
{
    QtProperty *property = outputParameter(id);
    return property ? state->enumManager->value(property) : -1;
}

double SensorWindow::doubleParameter(const char *id) const
{
    QtProperty *property = outputParameter(id);
    return property ? state->doubleManager->value(property) : 0.0;
}

void SensorWindow::renameParameter(const char *id, const QString &name)
{
    if (QtProperty *property = outputParameter(id))
        property->setPropertyName(name);
}

// Unit and scale. Without the unit parameter the unit stays as it was.
void SensorWindow::refreshUnitScale()
{
    Utils::Charts::GenericChart *chart = state->chart;
    if (outputParameter("TemperatureSettings"))
        state->unitIndex = enumParameter("TemperatureSettings");
    const UnitScale scale = unitScale(state->unitIndex, state->minRange, state->maxRange);
    if (scale.known) {
        chart->vSetYScale(0, scale.low, scale.high);
        state->unitSuffix = scale.suffix;
        chart->setTimelineScale(scale.timelineLow, scale.timelineHigh);
    }
    chart->setPlotTitle(0, tr("Pressure") + state->unitSuffix, false, QString(), true);
}

void SensorWindow::resetOutputDecorations()
{
    Utils::Charts::GenericChart *chart = state->chart;
    Utils::ThresholdWindowWidget *overlay = state->thresholdWindows.value(0);
    // The left axis names the unit; an analog output 2 adds the right axis.
    chart->setCustomLabelsText(0, unitOfSuffix(state->unitSuffix), QString());
    chart->setCustomLabelsVisible(0, true, false);
    chart->setBaselineTo(0);
    overlay->enableLowerMark(false);
    overlay->enableUpperMark(false);
    chart->vSetMarkerRightVisible(0, false);
    chart->setRightMarkerVisible(0, false);
}

// The output 2 row of the process data panel: "Off" while output 2 switches,
// blank for a function without an on/off state.
void SensorWindow::showOutput2Row(bool switching)
{
    state->output2Switching = switching;
    QTreeWidgetItem *output2Row = state->processDataItems.value(1);
    if (!output2Row)
        return;
    if (switching) {
        output2Row->setText(1, tr("Off"));
        output2Row->setIcon(1, QIcon(QStringLiteral(":/newPrefix/icons/led_state_1_2.svg")));
    } else {
        const QString neutral = QStringLiteral(":/newPrefix/icons/led_state_0.svg");
        output2Row->setText(1, QStringLiteral(" "));
        output2Row->setIcon(1, QIcon(neutral));
        output2Row->setData(1, Qt::UserRole, neutral); // no reading to translate
    }
}

// After a read of all parameters the pressures arrived in bar.
void SensorWindow::convertPressuresAfterRead()
{
    if (state->convertAfterRead) {
        const double low = convertPressure(state->minRange, state->unitIndex, true);
        const double high = convertPressure(state->maxRange, state->unitIndex, true);
        for (const char *id : pressureIds) {
            QtProperty *property = outputParameter(id);
            if (!property)
                continue;
            const double value = state->doubleManager->value(property);
            state->doubleManager->setMinimum(property, low);
            state->doubleManager->setMaximum(property, high);
            state->doubleManager->setValue(property,
                                           convertPressure(value, state->unitIndex, true));
        }
    }
    state->convertAfterRead = false;
}

void SensorWindow::applyOutputLayout(const OutputLayout &layout)
{
    if (layout.output1Switching) {
        setParameterVisible(QStringLiteral("SettingsPointsPressureA1"), true);
        renameParameter("SettingsPointsPressureA1",
                        tr("Switching points Pressure") + QStringLiteral(" ") + state->unitSuffix);
    }
    for (const QString &id : outputTwoParameterIds())
        setParameterVisible(id, false);
    state->chart->vEnableYRightAxis(0, false);
    for (const QString &id : layout.output2Parameters)
        setParameterVisible(id, true);
    if (layout.output2Switching)
        renameParameter("SettingsPointsPressureA2",
                        tr("Switching points Pressure ") + state->unitSuffix);
    if (layout.output2RowBlank)
        showOutput2Row(false);
    if (layout.rightAxis != AnalogSignal::None)
        showAnalogAxis(layout);
    applyOutputMarks(layout);
    if (layout.outputComboShown)
        ui->outuptsComboToolBar->show();
}

// The right axis in the analog signal's unit; the left axis spans exactly the
// pressures that the signal's ends stand for.
void SensorWindow::showAnalogAxis(const OutputLayout &layout)
{
    Utils::Charts::GenericChart *chart = state->chart;
    const bool voltage = layout.rightAxis == AnalogSignal::Voltage;
    chart->setPlotTitle(0, QString(), false, QString(), true);
    chart->vSetMarkerRightVisible(0, true);
    chart->setRightMarkerVisible(0, true);
    chart->vEnableYRightAxis(0, true);
    chart->setCustomLabelsVisible(0, true, true);
    chart->setYRightAxisScale(0, layout.rightAxisLow, layout.rightAxisHigh, layout.rightAxisStep);
    chart->setCustomLabelsText(0, tr("Pressure") + state->unitSuffix,
                               voltage ? tr("Voltage (V)") : tr("Current (mA)"));
    renameParameter("analogPressure0V", voltage ? tr("0 volt") : tr("4 mA"));
    renameParameter("analogPressure10V", voltage ? tr("10 volt") : tr("20 mA"));
    state->analogLow = doubleParameter("analogPressure0V");
    state->analogHigh = doubleParameter("analogPressure10V");
    chart->vSetYScale(0, state->analogLow, state->analogHigh);
}

void SensorWindow::applyOutputMarks(const OutputLayout &layout)
{
    Utils::ThresholdWindowWidget *overlay = state->thresholdWindows.value(0);
    if (layout.marksEnabled) {
        overlay->enableLowerMark(true);
        overlay->enableUpperMark(true);
    }
    if (layout.marks == MarkSource::Unchanged)
        return;
    const bool first = layout.marks == MarkSource::Output1;
    overlay->setUpperMark(doubleParameter(first ? upperMarkIdA1 : upperMarkIdA2));
    overlay->setLowerMark(doubleParameter(first ? lowerMarkIdA1 : lowerMarkIdA2));
}

void SensorWindow::chartThresholdChanged(unsigned int mark, double value)
{
    TreeHandlingPause pause(this);
    const int output = state->outputCombo ? state->outputCombo->currentIndex() + 1 : 1;
    Utils::ThresholdWindowWidget *overlay = state->thresholdWindows.value(0);

    QtProperty *applied = nullptr;
    // Sets a point of one output; the tree clamps and rounds, and the mark shows what it kept.
    auto apply = [&](const char *lowerId, const char *upperId) {
        QtProperty *property = findPropertyById(state->rootProperty,
                                                mark == 0 ? lowerId : upperId);
        if (!property)
            return;
        state->doubleManager->setValue(property, value);
        const double kept = state->doubleManager->value(property);
        if (overlay) {
            if (mark == 0)
                overlay->setLowerMark(kept);
            else
                overlay->setUpperMark(kept);
        }
        applied = property;
    };

    if (state->thresholdComponent == 0) {
        if (!ui->outuptsComboToolBar->isHidden()) {
            if (output == 1)
                apply(lowerMarkIdA1, upperMarkIdA1);
            else
                apply(lowerMarkIdA2, upperMarkIdA2);
        } else {
            if (isParameterVisible(QStringLiteral("SettingsPointsPressureA1")))
                apply(lowerMarkIdA1, upperMarkIdA1);
            if (isParameterVisible(QStringLiteral("SettingsPointsPressureA2")))
                apply(lowerMarkIdA2, upperMarkIdA2);
        }
        if (applied) {
            pendingProperty = applied;
            pendingValue = value;
            // A dragged mark is written at once, behind the edits already waiting.
            if (connected) {
                queueWrite(applied->propertyId(), value);
                sendDelayValue();
            }
        }
    }
}

} // namespace Core
} // namespace OrvexSensorPlugin
