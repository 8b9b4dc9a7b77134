#pragma once

#include "extensionsystem/extensionsystem_global.h"
#include "extensionsystem/portsettings.h"

#include <QMetaType>
#include <QObject>

#include <string>
#include <vector>

namespace ExtensionSystem {

// A channel to one opened port. Frames are queued with uSendDataFrame() and run
// one at a time in the order queued; emitFinished(number) reports, always from
// the event loop, that the frame with that number is done and its answers are
// filled in. The caller owns every frame it queues.
class EXTENSIONSYSTEM_EXPORT CommunicationInterface : public QObject
{
    Q_OBJECT

public:
    struct FrameQuery
    {
        std::string request;        // bytes to send
        std::string answerPattern;  // "" or ".*" accept any answer, anything else is a regular expression
        std::string answer;         // filled by the channel
        int answered = 0;           // 1 when a complete answer came
        double timeoutMs = 1000.0;  // how long to wait for the answer
        int waitBeforeMs = 0;       // extra pause before the request is written
        int retries = 0;            // further attempts when no answer came
    };

    class DataFrame
    {
    public:
        std::vector<FrameQuery> queries;
    };

    explicit CommunicationInterface(QObject *parent = nullptr);
    ~CommunicationInterface() override;

    virtual void vSendString(std::string bytes) = 0;
    virtual unsigned int uSendDataFrame(DataFrame *frame) = 0;
    virtual void vApplyPortSettings(const PortSettings &settings) = 0;
    virtual PortSettings currentPortSettings() const = 0;

signals:
    void emitFinished(unsigned int frameNumber);
};

} // namespace ExtensionSystem

Q_DECLARE_METATYPE(ExtensionSystem::CommunicationInterface::DataFrame)
