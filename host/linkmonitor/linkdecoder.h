#pragma once

#include <QByteArray>
#include <QString>

namespace LinkMonitor {

// Reads the frames between a host and an IO-Link master as docs/iolink-wire-format.md
// describes them, on its own: what a request asks for, what an answer means, or why
// an answer cannot be used. Knows nothing of the plug-in's own frame code, so that
// it shows what is on the line even where that code is wrong.
class LinkDecoder
{
public:
    enum class Outcome {
        Request,      // a request of a known kind
        Answer,       // a usable answer: acknowledgement, value, text, master state
        ProcessData,  // a usable process-data answer
        Refusal,      // ERROR with an ISDU error code
        Unusable,     // bad check octet, wrong length, other control octet, garbage
        Timeout,      // no usable answer in time
    };

    struct Meaning
    {
        Outcome outcome = Outcome::Unusable;
        QString text;
        bool processData = false;  // a process-data poll or its answer
    };

    static Meaning request(const QByteArray &bytes);
    // `request` is the last request written on the same line.
    static Meaning answer(const QByteArray &bytes, const QByteArray &request);
    static QString isduErrorText(int code);
    static bool hasValidCheckOctet(const QByteArray &frame);
};

} // namespace LinkMonitor
