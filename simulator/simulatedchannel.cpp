#include "simulator/simulatedchannel.h"

#include "simulator/mastersimulator.h"

#include <QPointer>
#include <QRegularExpression>
#include <QTimer>

#include <cmath>

namespace IoLinkSim {

SimulatedChannel::SimulatedChannel(MasterSimulator *master, QObject *parent)
    : CommunicationInterface(parent)
    , m_master(master)
    , m_runTimer(new QTimer(this))
    , m_answerTimer(new QTimer(this))
{
    m_settings.portName = QStringLiteral("simulated");
    m_runTimer->setSingleShot(true);
    m_answerTimer->setSingleShot(true);
    m_answerTimer->setTimerType(Qt::PreciseTimer);
    connect(m_runTimer, &QTimer::timeout, this, &SimulatedChannel::run);
    connect(m_answerTimer, &QTimer::timeout, this, &SimulatedChannel::completeQuery);
}

SimulatedChannel::~SimulatedChannel()
{
    m_runTimer->stop();
    m_answerTimer->stop();
    for (int guard = 0; guard < 100000 && !m_queue.isEmpty(); ++guard) {
        const Pending pending = m_queue.takeFirst();
        if (pending.frame) {
            for (FrameQuery &query : pending.frame->queries) {
                query.answer.clear();
                query.answered = 0;
            }
        }
        emit emitFinished(pending.number);
    }
}

void SimulatedChannel::setLatencyMs(int ms)
{
    m_latencyMs = qMax(0, ms);
}

void SimulatedChannel::vSendString(std::string bytes)
{
    if (m_master && !bytes.empty())
        m_master->handle(QByteArray(bytes.data(), int(bytes.size())));
}

unsigned int SimulatedChannel::uSendDataFrame(DataFrame *frame)
{
    if (++m_lastNumber == 0)
        m_lastNumber = 1;
    m_queue.append(Pending{m_lastNumber, frame});
    if (!m_busy && !m_runTimer->isActive())
        m_runTimer->start(0);
    return m_lastNumber;
}

void SimulatedChannel::vApplyPortSettings(const ExtensionSystem::PortSettings &settings)
{
    m_settings = settings;
}

ExtensionSystem::PortSettings SimulatedChannel::currentPortSettings() const
{
    return m_settings;
}

void SimulatedChannel::run()
{
    if (m_busy || m_queue.isEmpty())
        return;
    m_busy = true;
    m_queryIndex = 0;
    startQuery();
}

void SimulatedChannel::startQuery()
{
    DataFrame *frame = m_queue.first().frame;
    if (!frame || size_t(m_queryIndex) >= frame->queries.size()) {
        finishFrame();
        return;
    }
    const FrameQuery &query = frame->queries[size_t(m_queryIndex)];
    const int timeout = int(std::ceil(qMax(0.0, query.timeoutMs)));
    MasterSimulator::Reply reply;
    if (m_master)
        reply = m_master->handle(QByteArray(query.request.data(), int(query.request.size())));
    const int arrival = m_latencyMs + reply.delayMs;
    const bool complete = !reply.bytes.isEmpty()
                          && reply.bytes.size() >= 1 + quint8(reply.bytes.at(0));
    m_answerInTime = complete && arrival <= timeout;
    m_answer = m_answerInTime ? reply.bytes.left(1 + quint8(reply.bytes.at(0))) : QByteArray();
    m_answerTimer->start(m_answerInTime ? arrival : timeout);
}

void SimulatedChannel::completeQuery()
{
    if (m_queue.isEmpty())
        return;
    DataFrame *frame = m_queue.first().frame;
    if (frame && size_t(m_queryIndex) < frame->queries.size()) {
        FrameQuery &query = frame->queries[size_t(m_queryIndex)];
        bool accepted = m_answerInTime;
        if (accepted && !query.answerPattern.empty() && query.answerPattern != ".*") {
            const QRegularExpression pattern(
                QRegularExpression::anchoredPattern(QString::fromStdString(query.answerPattern)),
                QRegularExpression::DotMatchesEverythingOption);
            accepted = pattern.isValid()
                       && pattern.match(QString::fromLatin1(m_answer)).hasMatch();
        }
        query.answer = accepted ? m_answer.toStdString() : std::string();
        query.answered = accepted ? 1 : 0;
    }
    ++m_queryIndex;
    startQuery();
}

void SimulatedChannel::finishFrame()
{
    const Pending done = m_queue.takeFirst();
    m_busy = false;
    if (!m_queue.isEmpty())
        m_runTimer->start(0);
    emit emitFinished(done.number);
}

} // namespace IoLinkSim
