#include "window/sensorwindow.h"

#include "tree/treehandlingpause.h"

#include "chart/pressureunits.h"
#include "comm/exchangeguard.h"
#include "comm/modalmessagebox.h"
#include "comm/iolinkframes.h"
#include "comm/rawvalue.h"
#include "comm/runningguard.h"
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
    TreeHandlingPause pause(this);
    if (!property || !address)
        return true;
    const auto request = buildReadRequest(*address);
    if (!request) {
        reportUnsupportedSize(id, address->sizeCode);
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
    if (!requested || !isUsableAnswer(answer)
        || !answerFitsParameter(id, property, answer, address->sizeCode))
        return false;
    // A delayed write served during the transfers switches edit handling back
    // on at its end; the value read must not be taken for an edit.
    enableTreeDataHandling(false);
    showReadValue(id, property, answer);
    return true;
}

// A number only from an answer of the parameter's own size: a damaged or late
// answer (a text, another parameter's value) would show a value the sensor
// never had.
bool SensorWindow::answerFitsParameter(const QString &id, QtProperty *property,
                                       const QByteArray &answer, int sizeCode) const
{
    QtAbstractPropertyManager *kind = property->propertyManager();
    const bool isText = kind == state->stringManager || kind == state->stringManager2;
    if (quint8(answer.size() > 2 ? answer.at(2) : 0) == 0x27
        && (isText || fitsSizeCode(answer, sizeCode)))
        return true;
    qCWarning(lcParameterAccess).noquote()
        << "Answer for" << id << "does not fit its size code" << sizeCode
        << ":" << answer.toHex(' ') << "- value left unchanged";
    return false;
}

void SensorWindow::showReadValue(const QString &id, QtProperty *property,
                                 const QByteArray &answer)
{
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
    if (manager == state->doubleManager && isPressureParameter(id))
        sensorValues.insert(id, decodeDoubleValue(id, decodeSignedRaw(answer), state->decVal));
    else
        rememberSensorValue(property);
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
    TreeHandlingPause pause(this);
    const QString id = property->propertyId();
    bool written = false;

    const QString addressText = parameterAddresses.value(id);
    const auto address = parseParameterAddress(addressText);
    if (!id.isEmpty() && !addressText.isEmpty()) {
        EncodedWrite encoded = encodeWrite(id, property, value);
        if (address && !encoded.text && encoded.fits) {
            const RawRange range = rawRangeOf(address->sizeCode,
                                              property->propertyManager() == state->doubleManager);
            if (!range.contains(encoded.raw)) {
                encoded.fits = false;
                if (encoded.allowed.isEmpty())
                    encoded.allowed = tr("%1 to %2").arg(range.minimum).arg(range.maximum);
            }
        }
        const auto request = address && !encoded.text && encoded.fits
            ? buildWriteRequest(*address, encoded.raw) : std::nullopt;
        if (address && !request && !encoded.text && encoded.fits)
            reportUnsupportedSize(id, address->sizeCode);
        if (connected && !encoded.text && !encoded.fits) {
            // Never wrapped into another number: the sensor keeps its value.
            refusedWrites << tr("%1: %2 does not fit (allowed: %3)")
                                 .arg(property->propertyName(), value.toString(),
                                      encoded.allowed.isEmpty() ? tr("a number")
                                                                : encoded.allowed);
            restoreSensorValue(property);
        } else if (connected && request) {
            written = transmitWrite(id, property, value, *request, encoded.raw);
        }
    }
    if (!state->liveDataEnabled && connected && !state->initialSyncPending)
        bWriteFrame(processDataRequest, true);
    return written;
}

// Sends one write and tells the user of a refusal; true when the sensor took it.
bool SensorWindow::transmitWrite(const QString &id, QtProperty *property, const QVariant &value,
                                 const std::string &request, int raw)
{
    // The fetch clears the master's last result; it needs the pauses around it.
    blockingSleep(100);
    bWriteFrame(fetchRequest, false);
    blockingSleep(100);
    const QByteArray answer = readAnswer(request, "");
    if (answer.isEmpty() && state->communication) {
        refusedWrites << tr("%1: the sensor did not answer; %2 was not written")
                             .arg(property->propertyName(), value.toString());
        restoreSensorValue(property);
        return false;
    }
    if (const int code = refusalCode(answer)) {
        refusedWrites << tr("%1: the sensor refused %2 (%3)")
                             .arg(property->propertyName(), value.toString(), refusalText(code));
        restoreSensorValue(property);
        return false;
    }
    if (answer.isEmpty())
        return false;
    if (property->propertyManager() == state->doubleManager && isPressureParameter(id))
        sensorValues.insert(id, double(raw) / state->decVal);
    else
        rememberSensorValue(property);
    return true;
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
    else if (manager == state->doubleManager && !isPressureParameter(id))
        sensorValues.insert(id, state->doubleManager->value(property));
}

void SensorWindow::restoreSensorValue(QtProperty *property)
{
    const QString id = property->propertyId();
    if (!sensorValues.contains(id))
        return;
    const QVariant known = sensorValues.value(id);
    showValue(property, isPressureParameter(id)
                            ? QVariant(convertPressure(known.toDouble(), state->unitIndex, true))
                            : known);
}

void SensorWindow::showValue(QtProperty *property, const QVariant &known)
{
    TreeHandlingPause pause(this);
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
    TreeHandlingPause pause(this);

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
    {
        TreeHandlingPause pause(this);
        {
            RunningGuard bulkWrite(this, bulkWriteRunning);
            writeAllSettings();
        }
        state->liveDataEnabled = liveData;
        ui->actionEnable_live_data->setChecked(liveData);
        enableEditableParameters();
    }
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
