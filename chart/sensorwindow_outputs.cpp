#include "window/sensorwindow.h"

#include "window/sensorwindowstate.h"
#include "window/sensorwindowui.h"

#include "chart/pressureunits.h"
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

enum PinFunctionA2 { Switching = 0, Analog = 1, RemoteSwitching = 2, RemoteAnalog = 3 };

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

    auto parameter = [this](const char *id) -> QtProperty * {
        return state->rootProperty ? findPropertyById(state->rootProperty, id) : nullptr;
    };
    // A parameter missing from the description reads as -1: no known function.
    auto enumValue = [&](const char *id) {
        QtProperty *property = parameter(id);
        return property ? state->enumManager->value(property) : -1;
    };
    auto doubleValue = [&](const char *id) {
        QtProperty *property = parameter(id);
        return property ? state->doubleManager->value(property) : 0.0;
    };
    auto rename = [&](const char *id, const QString &name) {
        if (QtProperty *property = parameter(id))
            property->setPropertyName(name);
    };
    auto setShown = [this](std::initializer_list<const char *> ids, bool visible) {
        for (const char *id : ids)
            setParameterVisible(QLatin1String(id), visible);
    };
    auto setMarks = [&](const char *lowerId, const char *upperId) {
        overlay->setUpperMark(doubleValue(upperId));
        overlay->setLowerMark(doubleValue(lowerId));
    };
    QTreeWidgetItem *output2Row = state->processDataItems.value(1);
    auto blankOutput2Row = [&] {
        state->output2Switching = false;
        if (output2Row) {
            output2Row->setText(1, QStringLiteral(" "));
            output2Row->setIcon(1, QIcon(QStringLiteral(":/newPrefix/icons/led_state_0.svg")));
        }
    };

    enableTreeDataHandling(false);

    // Unit and scale. Without the unit parameter the unit stays as it was.
    if (parameter("TemperatureSettings"))
        state->unitIndex = enumValue("TemperatureSettings");
    const UnitScale scale = unitScale(state->unitIndex, state->minRange, state->maxRange);
    if (scale.known) {
        chart->vSetYScale(0, scale.low, scale.high);
        state->unitSuffix = scale.suffix;
        chart->setTimelineScale(scale.timelineLow, scale.timelineHigh);
    }
    chart->setPlotTitle(0, tr("Pressure") + state->unitSuffix, false, QString(), true);

    const int selected = state->outputCombo->currentIndex();
    ui->outuptsComboToolBar->hide();

    chart->setCustomLabelsVisible(0, false, false);
    chart->setBaselineTo(0);
    overlay->enableLowerMark(false);
    overlay->enableUpperMark(false);
    chart->vSetMarkerRightVisible(0, false);
    chart->setRightMarkerVisible(0, false);

    state->analogMode = enumValue("AnalogMode");
    state->output2Switching = true;
    if (output2Row) {
        output2Row->setText(1, tr("Off"));
        output2Row->setIcon(1, QIcon(QStringLiteral(":/newPrefix/icons/led_state_1_2.svg")));
    }

    // After a read of all parameters the pressures arrived in bar.
    if (state->convertAfterRead) {
        const double low = convertPressure(state->minRange, state->unitIndex, true);
        const double high = convertPressure(state->maxRange, state->unitIndex, true);
        for (const char *id : pressureIds) {
            QtProperty *property = parameter(id);
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

    const int pinFunctionA1 = enumValue("PinFunctionA1");
    const int pinFunctionA2 = enumValue("PinFunctionA2");

    if (pinFunctionA1 == 0) {
        setShown({"SettingsPointsPressureA1"}, true);
        overlay->enableLowerMark(true);
        overlay->enableUpperMark(true);
        setMarks(lowerMarkIdA1, upperMarkIdA1);
        rename("SettingsPointsPressureA1",
               tr("Switching points Pressure") + QStringLiteral(" ") + state->unitSuffix);
        if (pinFunctionA2 == Switching) {
            ui->outuptsComboToolBar->show();
            if (selected == 1)
                setMarks(lowerMarkIdA2, upperMarkIdA2);
        }
    }

    setShown({"OnDelay2", "OffDelay2", "NONCA2", "SettingsPointsPressureA2",
              "AnalogPointsPressure", "AnalogMode", "RemoteSwitchingOutput", "remoteAnalogValue"},
             false);
    chart->vEnableYRightAxis(0, false);

    switch (pinFunctionA2) {
    case Switching:
        setShown({"SettingsPointsPressureA2", "OnDelay2", "OffDelay2", "NONCA2"}, true);
        overlay->enableLowerMark(true);
        overlay->enableUpperMark(true);
        setMarks(lowerMarkIdA2, upperMarkIdA2);
        rename("SettingsPointsPressureA2",
               tr("Switching points Pressure ") + state->unitSuffix);
        if (pinFunctionA1 == 0) {
            ui->outuptsComboToolBar->show();
            if (selected == 0)
                setMarks(lowerMarkIdA1, upperMarkIdA1);
            else
                setMarks(lowerMarkIdA2, upperMarkIdA2);
        }
        break;
    case Analog:
        blankOutput2Row();
        setShown({"AnalogPointsPressure", "AnalogMode"}, true);
        chart->setPlotTitle(0, QString(), false, QString(), true);
        chart->vSetMarkerRightVisible(0, true);
        chart->setRightMarkerVisible(0, true);
        chart->vEnableYRightAxis(0, true);
        chart->setCustomLabelsVisible(0, true, true);
        if (state->analogMode == 0) {
            chart->setYRightAxisScale(0, 0.0, 10.0, 2.0);
            chart->setCustomLabelsText(0, tr("Pressure") + state->unitSuffix, tr("Voltage (V)"));
            rename("analogPressure0V", tr("0 volt"));
            rename("analogPressure10V", tr("10 volt"));
        } else {
            chart->setYRightAxisScale(0, 4.0, 20.0, 2.0);
            chart->setCustomLabelsText(0, tr("Pressure") + state->unitSuffix, tr("Current (mA)"));
            rename("analogPressure0V", tr("4 mA"));
            rename("analogPressure10V", tr("20 mA"));
        }
        state->analogLow = doubleValue("analogPressure0V");
        state->analogHigh = doubleValue("analogPressure10V");
        chart->vSetYScale(0, state->analogLow, state->analogHigh);
        if (pinFunctionA1 == 0)
            setMarks(lowerMarkIdA1, upperMarkIdA1);
        break;
    case RemoteSwitching:
        blankOutput2Row();
        setShown({"RemoteSwitchingOutput"}, true);
        break;
    case RemoteAnalog:
        blankOutput2Row();
        setShown({"remoteAnalogValue", "AnalogMode"}, true);
        break;
    default:
        break;
    }

    enableTreeDataHandling(true);
}

void SensorWindow::chartThresholdChanged(unsigned int mark, double value)
{
    enableTreeDataHandling(false);
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

    enableTreeDataHandling(true);
}

} // namespace Core
} // namespace OrvexSensorPlugin
