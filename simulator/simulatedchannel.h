#pragma once

#include "extensionsystem/communicationinterface.h"

#include <QList>

class QTimer;

namespace IoLinkSim {

class MasterSimulator;

// A channel without a port: hands every request to a MasterSimulator in process and
// delivers its answer after the configured latency plus the delay the simulator
// chose. Frames run one at a time in the order queued; an answer that does not come
// within the query's timeoutMs, or comes incomplete, leaves the query unanswered.
// emitFinished() always comes from the event loop.
class SimulatedChannel : public ExtensionSystem::CommunicationInterface
{
    Q_OBJECT
    Q_DISABLE_COPY(SimulatedChannel)

public:
    // The master must outlive the channel.
    explicit SimulatedChannel(MasterSimulator *master, QObject *parent = nullptr);
    ~SimulatedChannel() override;

    void setLatencyMs(int ms);
    int latencyMs() const { return m_latencyMs; }
    int pendingFrames() const { return m_queue.size(); }

    void vSendString(std::string bytes) override;
    unsigned int uSendDataFrame(DataFrame *frame) override;
    void vApplyPortSettings(const ExtensionSystem::PortSettings &settings) override;
    ExtensionSystem::PortSettings currentPortSettings() const override;

private:
    struct Pending
    {
        unsigned int number = 0;
        DataFrame *frame = nullptr;
    };

    void run();
    void startQuery();
    void completeQuery();
    void finishFrame();

    MasterSimulator *m_master;
    ExtensionSystem::PortSettings m_settings;
    QTimer *m_runTimer;
    QTimer *m_answerTimer;
    QList<Pending> m_queue;
    unsigned int m_lastNumber = 0;
    bool m_busy = false;
    int m_queryIndex = 0;
    QByteArray m_answer;
    bool m_answerInTime = false;
    int m_latencyMs = 5;
};

} // namespace IoLinkSim
