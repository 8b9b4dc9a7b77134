#include "linkmonitor/linkrecorder.h"

#include "extensionsystem/communicationinterface.h"

#include <QDateTime>
#include <QTimer>

#include <chrono>

namespace LinkMonitor {

namespace {

constexpr int flushIntervalMs = 50;

} // namespace

LinkRecorder::LinkRecorder(QObject *parent)
    : QObject(parent)
    , m_flushTimer(new QTimer(this))
    , m_wallAtStartMs(QDateTime::currentMSecsSinceEpoch())
    , m_steadyAtStartNs(std::chrono::duration_cast<std::chrono::nanoseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count())
{
    m_flushTimer->setSingleShot(true);
    connect(m_flushTimer, &QTimer::timeout, this, &LinkRecorder::flush);
}

LinkRecorder::~LinkRecorder() = default;

void LinkRecorder::linkEvent(const ExtensionSystem::CommunicationInterface *channel,
                             const ExtensionSystem::LinkEvent &event)
{
    m_noted.append(Noted{channel->currentPortSettings().portName, event});
    if (!m_flushTimer->isActive())
        m_flushTimer->start(flushIntervalMs);
}

void LinkRecorder::flush()
{
    m_flushTimer->stop();
    if (m_noted.isEmpty())
        return;
    QVector<LinkRow> rows;
    rows.reserve(m_noted.size());
    for (const Noted &noted : qAsConst(m_noted))
        rows.append(makeRow(noted));
    m_noted.clear();
    emit rowsRecorded(rows);
}

LinkRow LinkRecorder::makeRow(const Noted &noted)
{
    using Kind = ExtensionSystem::LinkEvent::Kind;
    const ExtensionSystem::LinkEvent &event = noted.event;
    LinkRow row;
    row.port = noted.port;
    row.timeMs = m_wallAtStartMs + (event.timeNs - m_steadyAtStartNs) / 1000000;
    row.bytes = event.bytes;
    LastRequest &last = m_lastRequest[noted.port];
    if (event.kind == Kind::Request) {
        row.direction = LinkRow::Direction::Request;
        row.meaning = LinkDecoder::request(event.bytes);
        last = LastRequest{event.bytes, event.timeNs, false};
        return row;
    }
    row.direction = LinkRow::Direction::Answer;
    if (!last.bytes.isEmpty())
        row.roundTripUs = (event.timeNs - last.timeNs) / 1000;
    row.meaning = LinkDecoder::answer(event.kind == Kind::Timeout ? QByteArray() : event.bytes,
                                      last.bytes);
    if (event.kind == Kind::Timeout) {
        // Bytes came, but none of them made an answer.
        if (last.answerSeen)
            row.meaning.text = QStringLiteral("no usable answer in time");
        last.answerSeen = false;
    } else {
        last.answerSeen = true;
    }
    return row;
}

} // namespace LinkMonitor
