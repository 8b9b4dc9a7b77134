#include "simulator/simulatedchannel.h"

#include "simulator/mastersimulator.h"

#include <QTimer>

#include <cmath>

namespace IoLinkSim {

SimulatedChannel::SimulatedChannel(MasterSimulator *master, QObject *parent)
    : CommunicationInterface(parent)
    , m_master(master)
    , m_frames(new ExtensionSystem::FrameQueue(this, this))
    , m_answerTimer(new QTimer(this))
{
    m_settings.portName = QStringLiteral("simulated");
    m_answerTimer->setSingleShot(true);
    m_answerTimer->setTimerType(Qt::PreciseTimer);
    connect(m_answerTimer, &QTimer::timeout, this, &SimulatedChannel::completeQuery);
}

SimulatedChannel::~SimulatedChannel()
{
    m_answerTimer->stop();
    m_frames->abandonAll();
}

void SimulatedChannel::setLatencyMs(int ms)
{
    m_latencyMs = qMax(0, ms);
}

void SimulatedChannel::vSendString(std::string bytes)
{
    if (!m_master || bytes.empty())
        return;
    const QByteArray request(bytes.data(), int(bytes.size()));
    m_frames->noteRequest(request);
    m_master->handle(request);
}

unsigned int SimulatedChannel::uSendDataFrame(DataFrame *frame)
{
    return m_frames->enqueue(frame);
}

void SimulatedChannel::vApplyPortSettings(const ExtensionSystem::PortSettings &settings)
{
    m_settings = settings;
}

ExtensionSystem::PortSettings SimulatedChannel::currentPortSettings() const
{
    return m_settings;
}

void SimulatedChannel::startQuery(const FrameQuery &query, int)
{
    const int timeout = int(std::ceil(qMax(0.0, query.timeoutMs)));
    const QByteArray request(query.request.data(), int(query.request.size()));
    m_frames->noteRequest(request);
    MasterSimulator::Reply reply;
    if (m_master)
        reply = m_master->handle(request);
    const int arrival = m_latencyMs + reply.delayMs;
    // What arrives within the time-out is seen on the line, complete or not.
    m_reply = arrival <= timeout ? reply.bytes : QByteArray();
    m_answerInTime = !m_reply.isEmpty() && m_reply.size() >= 1 + quint8(m_reply.at(0));
    m_answerTimer->start(m_answerInTime ? arrival : timeout);
}

void SimulatedChannel::completeQuery()
{
    if (!m_reply.isEmpty())
        m_frames->noteReceived(m_reply);
    if (m_answerInTime)
        m_frames->answered(m_reply.left(1 + quint8(m_reply.at(0))));
    else
        m_frames->unanswered();
}

} // namespace IoLinkSim
