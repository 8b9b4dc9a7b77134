#pragma once

#include "extensionsystem/extensionsystem_global.h"

#include <QByteArray>

namespace ExtensionSystem {

class CommunicationInterface;

// One thing that happened on a channel's line, as its frame queue saw it.
struct LinkEvent
{
    enum Kind : quint8 {
        Request,  // a request was written
        Answer,   // bytes came off the line: one length-framed answer, or what was left over
        Timeout,  // the query ended without a usable answer
    };

    Kind kind = Request;
    qint64 timeNs = 0;  // std::chrono::steady_clock, nanoseconds
    QByteArray bytes;
};

// Watches the lines of channels. Called on the channel's thread, inside the channel's
// own steps: an implementation must only take note and return at once, never wait or
// run an event loop.
class EXTENSIONSYSTEM_EXPORT LinkTap
{
public:
    virtual ~LinkTap();
    virtual void linkEvent(const CommunicationInterface *channel, const LinkEvent &event) = 0;
};

} // namespace ExtensionSystem
