#include "window/sensorwindow.h"

#include "comm/exchangeguard.h"
#include "comm/iolinkframes.h"
#include "plugin/pluginpaths.h"
#include "window/sensorwindowstate.h"

#include "utils/progressbarui.h"

#include <QApplication>
#include <QCursor>
#include <QPointer>

namespace OrvexSensorPlugin {
namespace Core {

namespace {

using FrameQuery = ExtensionSystem::CommunicationInterface::FrameQuery;

SensorWindow::DataFrame oneQueryFrame(const std::string &request, const std::string &pattern,
                                      double timeoutMs)
{
    FrameQuery query;
    query.request = request;
    query.answerPattern = pattern;
    query.timeoutMs = timeoutMs;
    SensorWindow::DataFrame frame;
    frame.queries.push_back(query);
    return frame;
}

} // namespace

void SensorWindow::sendDataFrame(DataFrame *frame, bool showUi)
{
    // Held as a QPointer: the host may release and delete the channel while
    // this call waits in its local event loop.
    QPointer<ExtensionSystem::CommunicationInterface> channel = state->communication;
    if (!channel || !frame)
        return;

    auto *dialog = new Utils::ProgressBarUi(this);
    dialog->setModal(showUi);
    dialog->setShowUi(showUi);
    const unsigned int number = channel->uSendDataFrame(frame);
    const auto finished = connect(channel.data(),
                                  &ExtensionSystem::CommunicationInterface::emitFinished,
                                  dialog, &Utils::ProgressBarUi::exit);
    // A channel that goes away ends the wait; its frame stays unanswered.
    const auto gone = connect(channel.data(), &QObject::destroyed,
                              dialog, &Utils::ProgressBarUi::stop);
    if (showUi)
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));

    QPointer<Utils::ProgressBarUi> dialogGuard(dialog);
    dialog->exec(number);

    if (showUi)
        QApplication::restoreOverrideCursor();
    disconnect(finished);
    disconnect(gone);
    if (dialogGuard)
        dialog->deleteLater();
}

bool SensorWindow::bWriteFrame(std::string request, bool useProgress)
{
    DataFrame frame = oneQueryFrame(request, ".*", 2000.0);
    sendDataFrame(&frame, useProgress ? state->showProgress : false);
    const FrameQuery &query = frame.queries.front();
    return query.answered == 1 && query.answer.find("ERROR") == std::string::npos;
}

QByteArray SensorWindow::readAnswer(std::string request, std::string pattern)
{
    DataFrame frame = oneQueryFrame(request, pattern, 2000.0);
    sendDataFrame(&frame, state->showProgress);
    const FrameQuery &query = frame.queries.front();
    if (query.answered != 1)
        return QByteArray();
    return QByteArray(query.answer.data(), static_cast<int>(query.answer.size()));
}

bool SensorWindow::bCheckConnection()
{
    return readAnswer(probeRequest, "").size() == 4;
}

bool SensorWindow::identifySensor()
{
    ExchangeGuard exchange(state->parameterExchanges);
    bWriteFrame(probeRequest, false);
    bWriteFrame(setupRequest, false);
    bWriteFrame(processDataRequest, false);
    bWriteFrame(portModeRequest, false);
    bWriteFrame(productIdRequest, false);
    bWriteFrame(processDataRequest, false);
    // The master needs time to fetch the product id from the device.
    blockingSleep(50);
    bWriteFrame(processDataRequest, false);
    blockingSleep(50);

    const int requestLength = static_cast<int>(fetchRequest.size());
    const double timeoutMs = sensor.getLineDelay() + sensor.getCharacterDelay() * requestLength
        + 2000;
    DataFrame frame = oneQueryFrame(fetchRequest, "", timeoutMs);
    sendDataFrame(&frame, false);

    bool matches = false;
    const FrameQuery &query = frame.queries.front();
    if (query.answered != 0) {
        const QByteArray payload = extractPayload(query.answer, 3);
        if (payload.size() >= 3) {
            QByteArray head = payload.left(4);
            const int headZero = head.indexOf('\0');
            if (headZero >= 0)
                head.truncate(headZero);
            matches = state->expectedSensorId == QString::fromLatin1(head);
            const int zero = payload.indexOf('\0');
            identification = QString::fromLatin1(zero >= 0 ? payload.left(zero) : payload);
        }
    }

    if (!state->initialSyncPending)
        state->continuousDataTimer.start();
    return matches;
}

} // namespace Core
} // namespace OrvexSensorPlugin
