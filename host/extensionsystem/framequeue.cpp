#include "extensionsystem/framequeue.h"

#include <QPointer>
#include <QRegularExpression>
#include <QTimer>

#include <chrono>

namespace ExtensionSystem {

namespace {

void markUnanswered(CommunicationInterface::DataFrame *frame)
{
    if (!frame)
        return;
    for (CommunicationInterface::FrameQuery &query : frame->queries) {
        query.answer.clear();
        query.answered = 0;
    }
}

bool matchesPattern(const CommunicationInterface::FrameQuery &query, const QByteArray &answer)
{
    if (query.answerPattern.empty() || query.answerPattern == ".*")
        return true;
    const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QString::fromStdString(query.answerPattern)),
        QRegularExpression::DotMatchesEverythingOption);
    return pattern.isValid() && pattern.match(QString::fromLatin1(answer)).hasMatch();
}

} // namespace

LinkTap::~LinkTap() = default;

FrameQueue::FrameQueue(CommunicationInterface *channel, Line *line)
    : QObject(channel)
    , m_channel(channel)
    , m_line(line)
    , m_runTimer(new QTimer(this))
    , m_finishTimer(new QTimer(this))
{
    for (QTimer *timer : {m_runTimer, m_finishTimer}) {
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
    }
    connect(m_runTimer, &QTimer::timeout, this, &FrameQueue::run);
    connect(m_finishTimer, &QTimer::timeout, this, &FrameQueue::finishFrame);
}

FrameQueue::~FrameQueue() = default;

unsigned int FrameQueue::enqueue(DataFrame *frame)
{
    ++m_lastNumber;
    if (m_lastNumber == 0)
        m_lastNumber = 1; // 0 means "no frame" to callers
    m_frames.append(Pending{m_lastNumber, frame});
    scheduleRun();
    return m_lastNumber;
}

void FrameQueue::scheduleRun()
{
    if (!m_runTimer->isActive())
        m_runTimer->start(0);
}

void FrameQueue::run()
{
    if (m_state != State::Idle || m_frames.isEmpty())
        return;
    if (!m_line->isLineOpen()) {
        failAll();
        return;
    }
    m_state = State::Running;
    m_queryIndex = 0;
    m_attempt = 0;
    startQuery();
}

FrameQueue::FrameQuery *FrameQueue::runningQuery() const
{
    if (m_state != State::Running || m_frames.isEmpty() || !m_frames.first().frame)
        return nullptr;
    std::vector<FrameQuery> &queries = m_frames.first().frame->queries;
    if (m_queryIndex < 0 || size_t(m_queryIndex) >= queries.size())
        return nullptr;
    return &queries[size_t(m_queryIndex)];
}

const FrameQueue::FrameQuery *FrameQueue::currentQuery() const
{
    return runningQuery();
}

void FrameQueue::startQuery()
{
    const FrameQuery *query = runningQuery();
    if (!query) {
        // Finished from a timer of its own: the channel may be inside its port's
        // readyRead, which the port does not emit again while a receiver runs a
        // nested event loop.
        m_state = State::Finishing;
        m_finishTimer->start(0);
        return;
    }
    m_line->startQuery(*query, m_attempt);
}

void FrameQueue::answered(const QByteArray &answer)
{
    completeQuery(true, answer);
}

void FrameQueue::unanswered(bool mayRetry)
{
    const FrameQuery *query = runningQuery();
    if (!query)
        return;
    note(LinkEvent::Timeout, QByteArray());
    if (mayRetry && m_attempt < query->retries) {
        ++m_attempt;
        startQuery();
        return;
    }
    completeQuery(false, QByteArray());
}

void FrameQueue::completeQuery(bool answered, const QByteArray &answer)
{
    FrameQuery *query = runningQuery();
    if (!query)
        return;
    const bool accepted = answered && matchesPattern(*query, answer);
    query->answer = accepted ? answer.toStdString() : std::string();
    query->answered = accepted ? 1 : 0;
    ++m_queryIndex;
    m_attempt = 0;
    startQuery();
}

void FrameQueue::finishFrame()
{
    if (m_state != State::Finishing)
        return;
    m_state = State::Idle;
    if (m_frames.isEmpty())
        return;
    const Pending done = m_frames.takeFirst();
    m_line->frameDone();
    if (!m_frames.isEmpty())
        scheduleRun();
    // A receiver may queue frames, run a nested event loop or delete the channel.
    emit m_channel->emitFinished(done.number);
}

void FrameQueue::interrupt(bool dropComplete)
{
    if (dropComplete || m_state != State::Finishing) {
        m_finishTimer->stop();
        m_state = State::Idle;
    }
    if (!m_frames.isEmpty())
        scheduleRun();
}

void FrameQueue::failAll()
{
    QPointer<FrameQueue> self(this);
    // Frames queued by the receivers meanwhile wait for the next turn, so that a
    // receiver that queues again on every failure cannot keep this loop going.
    for (int count = m_frames.size(); count > 0 && !m_frames.isEmpty(); --count) {
        const Pending pending = m_frames.takeFirst();
        markUnanswered(pending.frame);
        emit m_channel->emitFinished(pending.number);
        if (!self)
            return;
    }
    if (!m_frames.isEmpty())
        scheduleRun();
}

void FrameQueue::abandonAll()
{
    m_runTimer->stop();
    m_finishTimer->stop();
    m_state = State::Idle;
    // Whoever waits for a frame must not wait forever; receivers connected
    // directly still get these before the channel is gone.
    for (int guard = 0; guard < 100000 && !m_frames.isEmpty(); ++guard) {
        const Pending pending = m_frames.takeFirst();
        markUnanswered(pending.frame);
        emit m_channel->emitFinished(pending.number);
    }
}

void FrameQueue::note(LinkEvent::Kind kind, const QByteArray &bytes)
{
    if (!m_tap)
        return;
    LinkEvent event;
    event.kind = kind;
    event.timeNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                       .count();
    event.bytes = bytes;
    m_tap->linkEvent(m_channel, event);
}

} // namespace ExtensionSystem
