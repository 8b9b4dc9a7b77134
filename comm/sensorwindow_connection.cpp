#include "window/sensorwindow.h"

#include "chart/processdatapanel.h"
#include "comm/connectionswitchdialog.h"
#include "comm/modalmessagebox.h"
#include "comm/runningguard.h"
#include "window/sensorwindowstate.h"
#include "window/sensorwindowui.h"

#include "plugin/pluginpaths.h"

#include "extensionsystem/connectionbroker.h"
#include "extensionsystem/plugininterface.h"
#include "utils/charts/genericchart.h"
#include "utils/connectionstatus.h"
#include "utils/thresholdwindowwidget.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QPointer>
#include <QToolBar>

namespace OrvexSensorPlugin {
namespace Core {

namespace {

const char *const mismatchText = QT_TRANSLATE_NOOP(
    "OrvexSensorPlugin::Core::SensorWindow",
    "The connected sensor does not match currently selected sensor, please try again with the "
    "proper sensor");

} // namespace

void SensorWindow::updateComPortList(const QStringList &ports)
{
    QComboBox *combo = state->portCombo;
    const QString current = combo->currentText();
    combo->clear();
    combo->insertItem(0, tr("Offline"), QVariant());
    combo->insertSeparator(1);
    combo->insertItems(2, ports);
    combo->setCurrentIndex(combo->findText(current, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void SensorWindow::actionConnectSensor(int index)
{
    QPointer<SensorWindow> alive(this);
    if (index <= 0) {
        flushPendingWrites();
        if (!alive)
            return;
        state->continuousDataTimer.stop();
        showTransferProgress(false);
        ui->sensorOperationsToolbar->setEnabled(false);
        connected = false;
        state->previousPortIndex = 0;
        vDisconnect();
    } else {
        // On the heap: the host may delete the window while the dialog is up.
        QPointer<ConnectionSwitchDialog> dialog = new ConnectionSwitchDialog(this);
        dialog->exec();
        if (!alive)
            return;
        const int direction = dialog ? dialog->result() : int(ConnectionSwitchDialog::Cancelled);
        delete dialog.data();
        if (direction == ConnectionSwitchDialog::Cancelled) {
            state->portCombo->setCurrentIndex(state->previousPortIndex);
            return;
        }
        const bool finished = direction == ConnectionSwitchDialog::SensorToPc
            ? connectSensorToPc()
            : direction == ConnectionSwitchDialog::PcToSensor && connectPcToSensor();
        if (!finished)
            return;
    }
    ui->sensorOperationsToolbar->setEnabled(connected);
    state->connectionStatus->setConnected(connected);
}

// Both directions start alike: the earlier connection is dropped, the port the
// combo names is opened and the sensor checked. On success the window counts as
// connected; a failure is abandoned here.
SensorWindow::LinkUp SensorWindow::bringUpLink(bool withProgress)
{
    QPointer<SensorWindow> alive(this);
    vDisconnect();
    emit vComPortSelected(state->portCombo->currentText());
    if (withProgress) {
        state->progressMaximum = 350;
        state->showProgress = true;
        showTransferProgress(true);
    }
    const bool sensorConnected = bConnectToSensor();
    if (!alive)
        return LinkUp::WindowGone;
    if (!sensorConnected) {
        abandonConnection();
        return LinkUp::Failed;
    }
    updateWindowTitle();
    connected = true;
    return LinkUp::Up;
}

// The sensor's settings are read into the window. False when the window is gone.
bool SensorWindow::connectSensorToPc()
{
    QPointer<SensorWindow> alive(this);
    const LinkUp link = bringUpLink(true);
    if (link != LinkUp::Up)
        return link == LinkUp::Failed;
    state->initialSyncPending = true;
    readAllParameters();
    if (!alive)
        return false;
    finishConnection(false);
    return true;
}

// The window's settings are written to the sensor, then read back. False when
// the user declined or the window is gone.
bool SensorWindow::connectPcToSensor()
{
    QPointer<SensorWindow> alive(this);
    const auto answer = execMessageBox(
        this, QMessageBox::Information, tr("Kalvio"),
        tr("Sensor settings will be overwritten with the ones from PC"),
        QMessageBox::Ok | QMessageBox::Cancel);
    if (!alive)
        return false;
    if (answer != QMessageBox::Ok) {
        state->portCombo->setCurrentIndex(0);
        state->previousPortIndex = 0;
        return false;
    }
    const LinkUp link = bringUpLink(false);
    if (link != LinkUp::Up)
        return link == LinkUp::Failed;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    buttonValueFlag = true;
    blockingSleep(250);
    QApplication::restoreOverrideCursor();
    ui->actionWriting->setChecked(false);
    state->progressMaximum = 430;
    state->showProgress = true;
    showTransferProgress(true);
    vWriteAllSettings(false);
    if (!alive)
        return false;
    state->readStringsEnabled = true;
    state->convertAfterRead = true;
    readAllParameters();
    if (!alive)
        return false;
    state->readStringsEnabled = false;
    finishConnection(true);
    return true;
}

// Both directions end here once the sensor is connected and its settings in line.
void SensorWindow::finishConnection(bool startPolling)
{
    ui->sensorOperationsToolbar->setEnabled(connected);
    state->previousPortIndex = state->portCombo->currentIndex();
    if (state->thresholdWindow)
        state->thresholdWindow->setReadOnly(false);
    state->continuousDataTimer.start();
    state->liveDataEnabled = true;
    ui->actionEnable_live_data->setChecked(true);
    if (startPolling && state->communication)
        state->chartPollTimer.start();
}

// Both directions end here when no sensor could be connected: back to Offline.
void SensorWindow::abandonConnection()
{
    showTransferProgress(false);
    state->previousPortIndex = 0;
    state->portCombo->setCurrentIndex(0);
    vDisconnect();
}

bool SensorWindow::bConnectToSensor()
{
    const QString port = state->portCombo->currentText();
    if (!state->communication) {
        if (state->portCombo->currentIndex() <= 0)
            return false;
        ExtensionSystem::ConnectionBroker *broker =
            ExtensionSystem::PluginInterface::connectionBroker();
        const QString reason = broker ? broker->lastError() : QString();
        return failConnection(tr("The port %1 cannot be opened: %2")
                                  .arg(port, reason.isEmpty() ? tr("the port was refused")
                                                              : reason));
    }
    QPointer<SensorWindow> alive(this);
    const MasterProbe probe = probeMaster();
    if (!alive || probe == MasterProbe::Withdrawn)
        return false;
    if (probe == MasterProbe::Unanswered && state->communication) {
        const QString line = state->communication->currentPortSettings().portName;
        return failConnection(
            tr("No IO-Link master answered on %1").arg(line.isEmpty() ? port : line));
    }
    if (probe == MasterProbe::Unanswered) {
        showTransferProgress(false);
        return false;
    }

    state->expectedSensorId = QString::fromStdString(sensor.id());
    bool identified = false;
    for (int attempt = 0; attempt < 10 && !identified; ++attempt) {
        identified = identifySensor();
        if (!alive)
            return false;
    }
    // A channel taken away meanwhile (the window was closed) is no foreign
    // sensor: as for the probe, that ends without a message.
    if (!identified && !state->communication) {
        showTransferProgress(false);
        connected = false;
        return false;
    }
    if (!identified) {
        const QString found = identification.isEmpty()
            ? tr("The sensor did not tell its ProductID.")
            : tr("ProductID found: %1").arg(identification);
        return failConnection(tr(mismatchText) + QStringLiteral("\n\n") + found);
    }

    applySensorVariantLimits();
    state->convertAfterRead = true;
    ui->actionOpen_Settings->setEnabled(false);
    return true;
}

// Each failure is told once, and leaves nothing running that would tell
// another one later.
bool SensorWindow::failConnection(const QString &text)
{
    QPointer<SensorWindow> alive(this);
    showTransferProgress(false);
    state->continuousDataTimer.stop();
    execMessageBox(this, QMessageBox::Warning, tr("Connecting to sensor..."), text,
                   QMessageBox::Ok);
    if (alive)
        connected = false;
    return false;
}

// Up to five probes at the master's default rate. Withdrawn: the window went
// away, or the channel was taken before a probe could be sent.
SensorWindow::MasterProbe SensorWindow::probeMaster()
{
    QPointer<SensorWindow> alive(this);
    DataFrame frame;
    ExtensionSystem::CommunicationInterface::FrameQuery probe;
    probe.request = std::string("\x03\x51\x12\x01", 4);
    probe.answerPattern = ".*";
    probe.timeoutMs = 1000.0;
    frame.queries.push_back(probe);

    ExtensionSystem::PortSettings settings = state->communication->currentPortSettings();
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!state->communication)
            return MasterProbe::Withdrawn;
        settings.vSetBaudrateDefault(2);
        state->communication->vApplyPortSettings(settings);
        frame.queries.front().answer.clear();
        frame.queries.front().answered = 0;
        sendDataFrame(&frame, state->showProgress);
        if (!alive)
            return MasterProbe::Withdrawn;
        if (frame.queries.front().answered != 0)
            return MasterProbe::Answered;
    }
    return MasterProbe::Unanswered;
}

void SensorWindow::vDisconnect()
{
    state->readStringsEnabled = true;
    ui->sensorOperationsToolbar->setEnabled(false);
    ui->actionOpen_Settings->setEnabled(true);
    connected = false;
    state->connectionStatus->setConnected(false);
    state->pendingReading.reset();
    showNoReadings(state->processDataItems);
    state->liveDataEnabled = false;
    ui->actionEnable_live_data->setChecked(false);
    emit vComPortSelected(QString());
    updateWindowTitle();
    if (state->chart)
        state->chart->updateChart(false);
    // One last poll runs while a channel is still set; it is not repeated.
    if (state->communication)
        state->chartPollTimer.start();
    state->liveDataEnabled = ui->actionEnable_live_data->isChecked();
    state->continuousDataTimer.stop();
}

void SensorWindow::slotContinousDataTimeout()
{
    // Every identification restarts the identity timer, and eleven failing ones
    // against a silent master take longer than its 19 s: the timer runs out again
    // inside this slot's own transfers. The check already running decides.
    if (state->recheckRunning)
        return;
    QPointer<SensorWindow> alive(this);
    bool identified = false;
    {
        RunningGuard recheck(this, state->recheckRunning);
        for (int attempt = 0; attempt < 11 && !identified; ++attempt) {
            identified = identifySensor();
            if (!alive)
                return;
        }
    }
    if (identified)
        return;
    state->continuousDataTimer.stop();
    if (state->portCombo->currentIndex() == 0)
        return;
    state->portCombo->setCurrentIndex(0);
    state->previousPortIndex = 0;
    vDisconnect();
    ui->sensorOperationsToolbar->setEnabled(connected);
    ui->outuptsComboToolBar->setEnabled(connected);
    execMessageBox(this, QMessageBox::Warning, tr("Connecting to sensor"),
                   tr("The sensor did not respond, please make sure it is properly connected."),
                   QMessageBox::Ok);
}

} // namespace Core
} // namespace OrvexSensorPlugin
