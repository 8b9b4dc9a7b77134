#include "window/sensorwindow.h"

#include "chart/pressureunits.h"
#include "comm/exchangeguard.h"
#include "comm/iolinkframes.h"
#include "comm/rawvalue.h"
#include "plugin/pluginpaths.h"
#include "window/sensorwindowstate.h"
#include "window/sensorwindowui.h"

#include "qtboolpropertymanager.h"
#include "qtdoublepropertymanager.h"
#include "qtenumpropertymanager.h"
#include "qtintpropertymanager.h"
#include "qtproperty.h"
#include "qtstringpropertymanager.h"

#include <QAction>
#include <QLoggingCategory>
#include <QSet>

namespace OrvexSensorPlugin {
namespace Core {

Q_LOGGING_CATEGORY(lcParameterAccess, "orvex.comm.parameters")

namespace {

// The frames exist for one- and two-byte values only. A description node with
// another size is neither read nor written; it is reported once per identifier.
void reportUnsupportedSize(const QString &id, int sizeCode)
{
    static QSet<QString> reported;
    if (reported.contains(id))
        return;
    reported.insert(id);
    qCWarning(lcParameterAccess).noquote()
        << "Parameter" << id << "has size code" << sizeCode
        << "- no frame is defined for it, so it is neither read nor written";
}

const QStringList &thresholdIds()
{
    static const QStringList ids = {
        QStringLiteral("ThresholdsPressure1A1"), QStringLiteral("ThresholdsPressure2A1"),
        QStringLiteral("ThresholdsPressure1A2"), QStringLiteral("ThresholdsPressure2A2")};
    return ids;
}

bool isExcludedFromWriteAll(const QString &id)
{
    return id.contains(QLatin1String("ReadOnly")) || id.contains(QLatin1String("InputMode"))
        || id.contains(QLatin1String("TEACHBUTTON"));
}

} // namespace

void SensorWindow::readParameter(const QString &id, bool useProgress)
{
    const auto address = parseParameterAddress(parameterAddresses.value(id));
    QtProperty *property = findPropertyById(state->rootProperty, id.toStdString());
    enableTreeDataHandling(false);
    if (!property || !address) {
        enableTreeDataHandling(true);
        return;
    }
    const auto request = buildReadRequest(*address);
    if (!request) {
        reportUnsupportedSize(id, address->sizeCode);
        enableTreeDataHandling(true);
        return;
    }

    ExchangeGuard exchange(state->parameterExchanges);
    const bool requested = bWriteFrame(*request, useProgress);
    // The master fetches the value from the device in the background; the
    // process-data requests give it the cycles to do so.
    blockingSleep(50);
    bWriteFrame(processDataRequest, true);
    blockingSleep(70);
    bWriteFrame(processDataRequest, true);
    blockingSleep(70);
    const QByteArray answer = readAnswer(fetchRequest, "");

    // A refused or unanswered read leaves the shown value as it was: decoding
    // an empty answer would put 0 into the tree, and from there into files and
    // back into the sensor.
    if (!requested || !isUsableAnswer(answer)) {
        enableTreeDataHandling(true);
        return;
    }
    // A delayed write served during the transfers switches edit handling back
    // on at its end; the value read must not be taken for an edit.
    enableTreeDataHandling(false);

    QtAbstractPropertyManager *manager = property->propertyManager();
    if (manager == state->boolManager) {
        state->boolManager->setValue(property, decodeLastTwoUnsigned(answer) != 0,
                                     QString(), QString());
    } else if (manager == state->intManager) {
        state->intManager->setValue(property, static_cast<int>(decodeValueNumber(answer)));
    } else if (manager == state->doubleManager) {
        const int raw = decodeSignedRaw(answer);
        if (id.contains(QLatin1String("Pressure"))) {
            state->doubleManager->setMinimum(property, -1.0);
            state->doubleManager->setMaximum(property, 10000000.0);
            state->doubleManager->setValue(property, decodeDoubleValue(id, raw, state->decVal));
            state->doubleManager->setDecimals(property, pressureDecimals(state->decVal));
        } else {
            state->doubleManager->setValue(property, decodeDoubleValue(id, raw, state->decVal));
        }
    } else if (manager == state->stringManager || manager == state->stringManager2) {
        if (state->readStringsEnabled) {
            static_cast<QtStringPropertyManager *>(manager)->setValue(
                property, decodeStringAnswer(answer));
        }
    } else if (manager == state->enumManager) {
        const int index = enumIndexFromRaw(id, decodeValueNumber(answer));
        if (id == QLatin1String("TemperatureSettings"))
            lastUnitSetting = index;
        state->enumManager->setValue(property, index);
    }
    enableTreeDataHandling(true);
}

void SensorWindow::sendDelayValue()
{
    if (state->parameterExchanges > 0) {
        // Come due inside another exchange's transfers: the pending write waits.
        writeDelayTimer.start();
        return;
    }
    ExchangeGuard exchange(state->parameterExchanges);
    enableTreeDataHandling(false);
    QtProperty *property = pendingProperty;
    const QVariant value = pendingValue;
    const QString id = property ? property->propertyId() : QString();

    if (!id.isEmpty()) {
        const QString addressText = parameterAddresses.value(id);
        const auto address = parseParameterAddress(addressText);
        if (!addressText.isEmpty()) {
            int raw = 0;
            bool textParameter = false;
            QtAbstractPropertyManager *manager = property->propertyManager();
            if (manager == state->boolManager || manager == state->intManager) {
                raw = value.toInt();
            } else if (manager == state->enumManager) {
                raw = enumRawFromIndex(id, value.toInt());
            } else if (manager == state->doubleManager) {
                double x = value.toDouble();
                const int unit = state->unitIndex;
                if (isParameterVisible(QStringLiteral("AnalogPointsPressure"))) {
                    if (id == QLatin1String("analogPressure0V")) {
                        x = convertPressure(value.toDouble(), unit, false);
                        const double high = convertPressure(state->analogHigh, unit, false);
                        state->analogLow = x;
                        if (state->analogLow == high) {
                            // Both points equal: the shown low point moves one bar
                            // away; the frame still carries the value entered.
                            state->analogLow = high == 0.0 ? high + 1.0 : high - 1.0;
                            state->doubleManager->setValue(
                                property, convertPressure(state->analogLow, unit, true));
                        }
                    } else if (id == QLatin1String("analogPressure10V")) {
                        x = convertPressure(value.toDouble(), unit, false);
                        const double low = convertPressure(state->analogLow, unit, false);
                        if (state->analogHigh == low) {
                            state->doubleManager->setValue(
                                property, convertPressure(state->analogHigh, unit, true));
                        }
                    }
                }
                if (thresholdIds().contains(id))
                    x = convertPressure(x, unit, false);
                raw = doubleRawValue(id, x, state->decVal);
            } else if (manager == state->stringManager || manager == state->stringManager2) {
                // A text parameter holds text: the command value 1 that buttons
                // send would overwrite it (write-all reaches every string).
                textParameter = true;
            } else {
                // Button parameters: the command value.
                raw = buttonValueFlag ? 1 : 0;
            }

            const auto request = address && !textParameter
                ? buildWriteRequest(*address, raw) : std::nullopt;
            if (address && !request && !textParameter)
                reportUnsupportedSize(id, address->sizeCode);
            if (connected && request) {
                // The fetch clears the master's last result; it needs the pauses around it.
                blockingSleep(100);
                bWriteFrame(fetchRequest, false);
                blockingSleep(100);
                readAnswer(*request, "");
            }
        }
        if (!state->liveDataEnabled && connected && !state->initialSyncPending)
            bWriteFrame(processDataRequest, true);
        writeDelayTimer.stop();
    }

    if (!bulkWriteRunning)
        slotCurrentOutputChanged(0);
    enableTreeDataHandling(true);
}

void SensorWindow::readAllParameters()
{
    state->continuousDataTimer.stop();
    const QStringList ids = parameterAddresses.keys();
    for (const QString &id : ids) {
        // A channel released during the walk ends it: nothing more can be read.
        if (!state->communication)
            break;
        blockingSleep(120);
        readParameter(id, false);
    }
    slotCurrentOutputChanged(0);
    state->continuousDataTimer.start();
}

void SensorWindow::writeAllSettings()
{
    pendingValue = QVariant(-1);
    state->continuousDataTimer.stop();
    enableTreeDataHandling(false);

    const QStringList ids = parameterAddresses.keys();
    for (const QString &id : ids) {
        if (!state->communication)
            break;
        // sendDelayValue() switches the tree's edit handling back on at its end.
        enableTreeDataHandling(false);
        QtProperty *property = findPropertyById(state->rootProperty, id.toStdString());
        pendingProperty = property;
        if (!property)
            continue;
        QtAbstractPropertyManager *manager = property->propertyManager();
        if (manager == state->boolManager)
            pendingValue = state->boolManager->value(property);
        else if (manager == state->intManager)
            pendingValue = state->intManager->value(property);
        else if (manager == state->enumManager)
            pendingValue = state->enumManager->value(property);
        else if (manager == state->doubleManager)
            pendingValue = state->doubleManager->value(property);
        if (isExcludedFromWriteAll(id))
            continue;
        blockingSleep(250);
        sendDelayValue();
        blockingSleep(250);
    }

    enableTreeDataHandling(true);
    state->continuousDataTimer.start();
}

void SensorWindow::vWriteAllSettings(bool)
{
    const bool liveData = ui->actionEnable_live_data->isChecked();
    ui->actionEnable_live_data->setChecked(false);
    state->liveDataEnabled = false;
    if (state->communication)
        state->chartPollTimer.start();
    enableTreeDataHandling(false);
    bulkWriteRunning = true;
    writeAllSettings();
    bulkWriteRunning = false;
    state->liveDataEnabled = liveData;
    ui->actionEnable_live_data->setChecked(liveData);
    enableEditableParameters();
    enableTreeDataHandling(true);
}

void SensorWindow::vRadAllSettings(bool)
{
    ui->actionWriting->setChecked(false);
    state->progressMaximum = 430;
    state->showProgress = true;
    showTransferProgress(true);
    state->readStringsEnabled = false;
    state->convertAfterRead = true;
    readAllParameters();
    state->readStringsEnabled = true;
}

} // namespace Core
} // namespace OrvexSensorPlugin
