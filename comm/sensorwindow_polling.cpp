#include "window/sensorwindow.h"

#include "comm/iolinkframes.h"
#include "comm/modalmessagebox.h"
#include "comm/runningguard.h"
#include "window/sensorwindowstate.h"
#include "window/sensorwindowui.h"

#include <QAction>
#include <QComboBox>
#include <QMessageBox>
#include <QPointer>
#include <QStatusBar>
#include <QToolBar>

#include <utility>

namespace OrvexSensorPlugin {
namespace Core {

namespace {

// Holds the window's frame lock; when the window was deleted meanwhile (the host
// may do so during the handler's message box), the lock went with it.
class FrameLock
{
public:
    FrameLock(SensorWindow *window, QMutex *mutex)
        : m_window(window)
        , m_mutex(mutex)
    {
        m_mutex->lock();
    }
    ~FrameLock()
    {
        if (m_window)
            m_mutex->unlock();
    }
    FrameLock(const FrameLock &) = delete;
    FrameLock &operator=(const FrameLock &) = delete;

private:
    QPointer<SensorWindow> m_window;
    QMutex *m_mutex;
};

} // namespace

void SensorWindow::queryStatusData(unsigned int number)
{
    // The answer handler runs nested event loops (a message box, the connection
    // check), in which the poll timer or another emitFinished can call this slot
    // again. Such a call must neither wait for the lock held further up nor touch
    // the frame being handled: a new poll is started once the handler returned,
    // answers of other frames are not ours anyway.
    if (state->pollHandlerRunning) {
        if (number == 0)
            state->pollDeferred = true;
        return;
    }

    bool startDeferred = false;
    QPointer<SensorWindow> alive(this);
    {
        FrameLock lock(this, &state->frameMutex);
        ExtensionSystem::CommunicationInterface *channel = state->communication;
        if (!channel)
            return;
        if (number == 0) {
            sendPoll(channel);
            return;
        }
        if (number != state->pendingFrameNumber)
            return;

        disconnect(channel, &ExtensionSystem::CommunicationInterface::emitFinished, this,
                   QOverload<unsigned int>::of(&SensorWindow::queryStatusData));
        DataFrame *frame = state->pendingFrames.value(number);
        const bool finish = handlePollAnswer(frame);
        // Deleted meanwhile: the window's state freed the frame with the others.
        if (!alive)
            return;

        // The frame is done with either way; only a successful connection check
        // lets a new poll follow.
        state->pendingFrames.remove(number);
        delete frame;
        state->pendingFrameNumber = 0;
        if (finish && connected && state->communication)
            state->chartPollTimer.start();
        startDeferred = std::exchange(state->pollDeferred, false);
    }
    if (startDeferred && state->communication)
        queryStatusData(0);
}

void SensorWindow::sendPoll(ExtensionSystem::CommunicationInterface *channel)
{
    auto *frame = new DataFrame; // owned through pendingFrames
    ExtensionSystem::CommunicationInterface::FrameQuery poll;
    poll.request = std::string("\x02\x70\x22", 3);
    poll.answerPattern = ".*";
    poll.timeoutMs = 2000.0;
    frame->queries.push_back(poll);
    connect(channel, &ExtensionSystem::CommunicationInterface::emitFinished, this,
            QOverload<unsigned int>::of(&SensorWindow::queryStatusData), Qt::UniqueConnection);
    state->pendingFrameNumber = channel->uSendDataFrame(frame);
    state->pendingFrames.insert(state->pendingFrameNumber, frame);
}

// Shows an answered poll; the third unanswered one in a row means the sensor is
// gone. A late answer now and then on a slow line is told in the status bar and
// forgiven by the next answer. False when no new poll may follow.
bool SensorWindow::handlePollAnswer(const DataFrame *frame)
{
    const bool answered = frame && !frame->queries.empty() && frame->queries.front().answered;
    if (answered) {
        if (state->statusRetries < 2) {
            state->statusRetries = 2;
            updateWindowTitle();
        }
        if (!ui->chartToolbar->isEnabled())
            ui->chartToolbar->setEnabled(true);
        const std::string &answer = frame->queries.front().answer;
        const QByteArray bytes(answer.data(), int(answer.size()));
        // A refusal is longer than process data, but no pressure.
        if (isProcessDataAnswer(bytes))
            processDataReceived(QString::fromLatin1(bytes.toHex()));
        return true;
    }
    if (state->statusRetries > 0) {
        --state->statusRetries;
        ui->statusBar->showMessage(tr("The sensor answered late; still connected"));
        return true;
    }
    return reportSilentSensor();
}

// The sensor stopped answering: offline, tell the user, check the line again.
// True when the check was answered (or the window is gone).
bool SensorWindow::reportSilentSensor()
{
    QPointer<SensorWindow> alive(this);
    RunningGuard handler(this, state->pollHandlerRunning);
    state->statusRetries = 2;
    state->continuousDataTimer.stop();
    state->portCombo->setCurrentIndex(0);
    state->previousPortIndex = 0;
    vDisconnect();
    ui->sensorOperationsToolbar->setEnabled(connected);
    execMessageBox(this, QMessageBox::Warning, tr("Connecting to sensor"),
                   tr("The sensor did not respond, please make sure it is properly connected."),
                   QMessageBox::Ok);
    if (!alive)
        return true;
    const bool answeredCheck = bCheckConnection();
    if (!alive)
        return true;
    if (!answeredCheck) {
        --state->statusRetries;
        return false;
    }
    return true;
}

void SensorWindow::queryChartData()
{
    queryStatusData(0);
}

void SensorWindow::enableStatusChecking(bool on)
{
    state->liveDataEnabled = on;
    if (state->communication)
        state->chartPollTimer.start();
}

void SensorWindow::actionEnableLiveData()
{
    state->liveDataEnabled = ui->actionEnable_live_data->isChecked();
    if (state->communication)
        state->chartPollTimer.start();
}

} // namespace Core
} // namespace OrvexSensorPlugin
