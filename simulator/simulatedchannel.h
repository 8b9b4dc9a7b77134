#pragma once

#include "extensionsystem/communicationinterface.h"
#include "extensionsystem/framequeue.h"

#include <QByteArray>

class QTimer;

namespace IoLinkSim {

class MasterSimulator;

// A channel without a port: hands every request to a MasterSimulator in process and
// delivers its answer after the configured latency plus the delay the simulator
// chose. Its frames run through the same queue as the serial channel's; an answer
// that does not come within the query's timeoutMs, or comes incomplete, leaves the
// query unanswered (and the query's retries apply).
class SimulatedChannel : public ExtensionSystem::CommunicationInterface,
                         private ExtensionSystem::FrameQueue::Line
{
    Q_OBJECT
    Q_DISABLE_COPY(SimulatedChannel)

public:
    // The master must outlive the channel.
    explicit SimulatedChannel(MasterSimulator *master, QObject *parent = nullptr);
    ~SimulatedChannel() override;

    void setLatencyMs(int ms);
    int latencyMs() const { return m_latencyMs; }
    int pendingFrames() const { return m_frames->size(); }
    // Watches this channel's line; null stops watching.
    void setLinkTap(ExtensionSystem::LinkTap *tap) { m_frames->setTap(tap); }

    void vSendString(std::string bytes) override;
    unsigned int uSendDataFrame(DataFrame *frame) override;
    void vApplyPortSettings(const ExtensionSystem::PortSettings &settings) override;
    ExtensionSystem::PortSettings currentPortSettings() const override;

private:
    bool isLineOpen() const override { return true; }
    void startQuery(const FrameQuery &query, int attempt) override;
    void completeQuery();

    MasterSimulator *m_master;
    ExtensionSystem::PortSettings m_settings;
    ExtensionSystem::FrameQueue *m_frames;
    QTimer *m_answerTimer;
    QByteArray m_reply;
    bool m_answerInTime = false;
    int m_latencyMs = 5;
};

} // namespace IoLinkSim
