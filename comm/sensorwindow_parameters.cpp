#include "window/sensorwindow.h"

#include "chart/pressureunits.h"
#include "comm/exchangeguard.h"
#include "comm/modalmessagebox.h"
#include "comm/iolinkframes.h"
#include "comm/rawvalue.h"
#include "plugin/pluginpaths.h"
#include "window/sensorwindowstate.h"
#include "window/sensorwindowui.h"

#include "propertybrowser/qtboolpropertymanager.h"
#include "propertybrowser/qtdoublepropertymanager.h"
#include "propertybrowser/qtenumpropertymanager.h"
#include "propertybrowser/qtintpropertymanager.h"
#include "propertybrowser/qtproperty.h"
#include "propertybrowser/qtstringpropertymanager.h"

#include <QAction>
#include <QLoggingCategory>
#include <QPointer>
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

// Doubles the window shows in the chosen pressure unit and sends in bar.
bool isPressureValue(const QString &id)
{
    return thresholdIds().contains(id) || id == QLatin1String("analogPressure0V")
        || id == QLatin1String("analogPressure10V");
}

bool isExcludedFromWriteAll(const QString &id)
{
    return id.contains(QLatin1String("ReadOnly")) || id.contains(QLatin1String("InputMode"))
        || id.contains(QLatin1String("TEACHBUTTON"));
}

} // namespace

bool SensorWindow::readParameter(const QString &id, bool useProgress)
{
    const auto address = parseParameterAddress(parameterAddresses.value(id));
    QtProperty *property = findPropertyById(state->rootProperty, id.toStdString());
    enableTreeDataHandling(false);
    if (!property || !address) {
        enableTreeDataHandling(true);
        return true;
    }
    const auto request = buildReadRequest(*address);
    if (!request) {
        reportUnsupportedSize(id, address->sizeCode);
        enableTreeDataHandling(true);
        return true;
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
        return false;
    }
    // A number only from an answer of the parameter's own size: a damaged or
    // late answer (a text, another parameter's value) would show a value the
    // sensor never had.
    QtAbstractPropertyManager *kind = property->propertyManager();
    const bool isText = kind == state->stringManager || kind == state->stringManager2;
    if (quint8(answer.size() > 2 ? answer.at(2) : 0) != 0x27
        || (!isText && !fitsSizeCode(answer, address->sizeCode))) {
        qCWarning(lcParameterAccess).noquote()
            << "Answer for" << id << "does not fit its size code" << address->sizeCode << ":"
            << answer.toHex(' ') << "- value left unchanged";
        enableTreeDataHandling(true);
        return false;
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
    if (manager == state->doubleManager && isPressureValue(id))
        sensorValues.insert(id, decodeDoubleValue(id, decodeSignedRaw(answer), state->decVal));
    else
        rememberSensorValue(property);
    enableTreeDataHandling(true);
    return true;
}

void SensorWindow::sendDelayValue()
{
    if (state->parameterExchanges > 0) {
        // Come due inside another exchange's transfers: the pending writes wait.
        writeDelayTimer.start();
        return;
    }
    writeDelayTimer.stop();
    QList<PendingWrite> writes;
    writes.swap(pendingWrites);

    QPointer<SensorWindow> alive(this);
    for (const PendingWrite &write : qAsConst(writes)) {
        QtProperty *property = findPropertyById(state->rootProperty, write.id.toStdString());
        if (!property)
            continue;
        // A read that ran while the edit waited showed the sensor's old value;
        // the tree shows what is written.
        showValue(property, write.value);
        writeParameter(property, write.value);
        if (!alive)
            return;
    }
    if (!bulkWriteRunning) {
        slotCurrentOutputChanged(0);
        reportRefusedWrites();
    }
}

bool SensorWindow::writeParameter(QtProperty *property, const QVariant &value)
{
    ExchangeGuard exchange(state->parameterExchanges);
    enableTreeDataHandling(false);
    const QString id = property->propertyId();
    bool written = false;

    const QString addressText = parameterAddresses.value(id);
    const auto address = parseParameterAddress(addressText);
    if (!id.isEmpty() && !addressText.isEmpty()) {
        int raw = 0;
        bool textParameter = false;
        bool fits = true;
        QString allowed;
        QtAbstractPropertyManager *manager = property->propertyManager();
        const bool isDouble = manager == state->doubleManager;
        if (manager == state->boolManager || manager == state->intManager) {
            raw = value.toInt();
        } else if (manager == state->enumManager) {
            raw = enumRawFromIndex(id, value.toInt());
        } else if (isDouble) {
            double x = value.toDouble();
            const int unit = state->unitIndex;
            bool inBar = thresholdIds().contains(id);
            if (isParameterVisible(QStringLiteral("AnalogPointsPressure"))) {
                inBar = inBar || isPressureValue(id);
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
            raw = doubleRawValue(id, x, state->decVal, &fits);
            if (inBar) {
                // A file may have widened the limits beyond the sensor's range.
                const double slack = 0.5 / state->decVal;
                if (!(x >= state->minRange - slack && x <= state->maxRange + slack))
                    fits = false;
                allowed = tr("%1 to %2%3")
                              .arg(convertPressure(state->minRange, unit, true))
                              .arg(convertPressure(state->maxRange, unit, true))
                              .arg(pressureUnitSuffix(unit));
            }
        } else if (manager == state->stringManager || manager == state->stringManager2) {
            // A text parameter holds text: the command value 1 that buttons
            // send would overwrite it (write-all reaches every string).
            textParameter = true;
        } else {
            // Button parameters: the command value.
            raw = buttonValueFlag ? 1 : 0;
        }

        if (address && !textParameter && fits) {
            const RawRange range = rawRangeOf(address->sizeCode, isDouble);
            if (!range.contains(raw)) {
                fits = false;
                if (allowed.isEmpty())
                    allowed = tr("%1 to %2").arg(range.minimum).arg(range.maximum);
            }
        }
        const auto request = address && !textParameter && fits
            ? buildWriteRequest(*address, raw) : std::nullopt;
        if (address && !request && !textParameter && fits)
            reportUnsupportedSize(id, address->sizeCode);
        if (connected && !textParameter && !fits) {
            // Never wrapped into another number: the sensor keeps its value.
            refusedWrites << tr("%1: %2 does not fit (allowed: %3)")
                                 .arg(property->propertyName(), value.toString(),
                                      allowed.isEmpty() ? tr("a number") : allowed);
            restoreSensorValue(property);
        } else if (connected && request) {
            // The fetch clears the master's last result; it needs the pauses around it.
            blockingSleep(100);
            bWriteFrame(fetchRequest, false);
            blockingSleep(100);
            const QByteArray answer = readAnswer(*request, "");
            if (answer.isEmpty() && state->communication) {
                refusedWrites << tr("%1: the sensor did not answer; %2 was not written")
                                     .arg(property->propertyName(), value.toString());
                restoreSensorValue(property);
            } else if (const int code = refusalCode(answer)) {
                refusedWrites << tr("%1: the sensor refused %2 (%3)")
                                     .arg(property->propertyName(), value.toString(),
                                          refusalText(code));
                restoreSensorValue(property);
            } else if (!answer.isEmpty()) {
                written = true;
                if (isDouble && isPressureValue(id)) {
                    sensorValues.insert(id, double(raw) / state->decVal);
                } else {
                    rememberSensorValue(property);
                }
            }
        }
    }
    if (!state->liveDataEnabled && connected && !state->initialSyncPending)
        bWriteFrame(processDataRequest, true);
    enableTreeDataHandling(true);
    return written;
}

void SensorWindow::rememberSensorValue(QtProperty *property)
{
    QtAbstractPropertyManager *manager = property->propertyManager();
    const QString id = property->propertyId();
    if (manager == state->boolManager)
        sensorValues.insert(id, state->boolManager->value(property));
    else if (manager == state->intManager)
        sensorValues.insert(id, state->intManager->value(property));
    else if (manager == state->enumManager)
        sensorValues.insert(id, state->enumManager->value(property));
    else if (manager == state->doubleManager && !isPressureValue(id))
        sensorValues.insert(id, state->doubleManager->value(property));
}

void SensorWindow::restoreSensorValue(QtProperty *property)
{
    const QString id = property->propertyId();
    if (!sensorValues.contains(id))
        return;
    const QVariant known = sensorValues.value(id);
    showValue(property, isPressureValue(id)
                            ? QVariant(convertPressure(known.toDouble(), state->unitIndex, true))
                            : known);
}

void SensorWindow::showValue(QtProperty *property, const QVariant &known)
{
    enableTreeDataHandling(false);
    QtAbstractPropertyManager *manager = property->propertyManager();
    if (manager == state->boolManager) {
        state->boolManager->setValue(property, known.toBool(), QString(), QString());
    } else if (manager == state->intManager) {
        state->intManager->setValue(property, known.toInt());
    } else if (manager == state->enumManager) {
        state->enumManager->setValue(property, known.toInt());
    } else if (manager == state->doubleManager) {
        state->doubleManager->setValue(property, known.toDouble());
    }
    enableTreeDataHandling(true);
}

void SensorWindow::reportRefusedWrites()
{
    if (refusedWrites.isEmpty())
        return;
    const QString lines = refusedWrites.join(QLatin1Char('\n'));
    refusedWrites.clear();
    execMessageBox(this, QMessageBox::Warning, tr("Writing parameters"),
                   tr("These values were not written to the sensor, which keeps its own:\n%1")
                       .arg(lines),
                   QMessageBox::Ok);
}

// Write all and opening a settings file send every parameter; started while
// another exchange is in its transfers (a read all, say), they would report
// writes they never sent.
bool SensorWindow::refuseWhileTransferring()
{
    if (state->parameterExchanges == 0)
        return false;
    execMessageBox(this, QMessageBox::Information, tr("Writing parameters"),
                   tr("Another transfer with the sensor is running. Try again when it has "
                      "finished."),
                   QMessageBox::Ok);
    return true;
}

void SensorWindow::readAllParameters()
{
    state->continuousDataTimer.stop();
    const QStringList ids = parameterAddresses.keys();
    QStringList unread;
    for (const QString &id : ids) {
        // A channel released during the walk ends it: nothing more can be read.
        if (!state->communication)
            break;
        blockingSleep(120);
        if (!readParameter(id, false)) {
            QtProperty *property = findPropertyById(state->rootProperty, id.toStdString());
            unread << (property ? property->propertyName() : id);
        }
    }
    slotCurrentOutputChanged(0);
    state->continuousDataTimer.start();
    if (!unread.isEmpty() && state->communication) {
        // Values the sensor did not give keep what the window showed; the user
        // must know which ones before saving or writing them back.
        execMessageBox(this, QMessageBox::Warning, tr("Reading parameters"),
                       tr("These parameters could not be read from the sensor and keep the "
                          "values shown:\n%1").arg(unread.join(QLatin1Char('\n'))),
                       QMessageBox::Ok);
    }
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
        // writeParameter() switches the tree's edit handling back on at its end.
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
        writeParameter(property, pendingValue);
        blockingSleep(250);
    }

    enableTreeDataHandling(true);
    state->continuousDataTimer.start();
}

void SensorWindow::vWriteAllSettings(bool)
{
    if (refuseWhileTransferring())
        return;
    flushPendingWrites();
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
    reportRefusedWrites();
}

void SensorWindow::vRadAllSettings(bool)
{
    // Edits still in their delay go first; the read would otherwise show the
    // sensor's old values and the edits would follow unseen.
    flushPendingWrites();
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
