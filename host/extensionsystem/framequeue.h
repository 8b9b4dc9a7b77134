#pragma once

#include "extensionsystem/communicationinterface.h"
#include "extensionsystem/extensionsystem_global.h"
#include "extensionsystem/linktap.h"

#include <QByteArray>
#include <QList>
#include <QObject>

class QTimer;

namespace ExtensionSystem {

// The frames a channel has been given, run one at a time in the order queued and,
// within a frame, query after query. The queue numbers the frames, decides after
// each query whether it is retried, answered (the answer pattern applies) or left
// unanswered, and finishes every frame with the channel's emitFinished() from the
// event loop. How a request gets over the line and its answer back is the
// channel's part (Line); both the serial channel and the simulator's channel run
// their frames through this one queue, so they cannot differ in it.
//
// A LinkTap set on the queue sees every request written, every answer and
// left-over bytes taken off the line, and every time-out, as they happen.
class EXTENSIONSYSTEM_EXPORT FrameQueue : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(FrameQueue)

public:
    using FrameQuery = CommunicationInterface::FrameQuery;
    using DataFrame = CommunicationInterface::DataFrame;

    // The channel's side of a query.
    class Line
    {
    public:
        virtual ~Line() = default;
        // False: the frames waiting finish unanswered.
        virtual bool isLineOpen() const = 0;
        // Sends the query's request (`attempt` 0 first, then the retries) and
        // reports later with answered() or unanswered().
        virtual void startQuery(const FrameQuery &query, int attempt) = 0;
        // A frame is done; the next one starts after what the line needs.
        virtual void frameDone() {}
    };

    // `channel` (also the parent) emits emitFinished(); `line` must outlive the queue's use.
    FrameQueue(CommunicationInterface *channel, Line *line);
    ~FrameQueue() override;

    unsigned int enqueue(DataFrame *frame);
    // Frames queued and not yet finished, the running one included.
    int size() const { return m_frames.size(); }
    bool isRunning() const { return m_state != State::Idle; }
    // The query under way, or null.
    const FrameQuery *currentQuery() const;

    // The running query's outcome. unanswered() retries while the query has retries
    // left and `mayRetry`.
    void answered(const QByteArray &answer);
    void unanswered(bool mayRetry = true);

    // Starts the next frame from the event loop unless one is running.
    void scheduleRun();
    // The line was closed: the running frame is dropped (its queries answered so far
    // stay unanswered); one complete already and about to finish finishes as it is
    // unless `dropComplete`.
    void interrupt(bool dropComplete);
    // Finishes every frame now, unanswered; for the channel's destructor.
    void abandonAll();

    void setTap(LinkTap *tap) { m_tap = tap; }
    LinkTap *tap() const { return m_tap; }
    // Tells the tap; channels call these where the bytes really cross the line.
    void noteRequest(const QByteArray &bytes) { note(LinkEvent::Request, bytes); }
    void noteReceived(const QByteArray &bytes) { note(LinkEvent::Answer, bytes); }

private:
    enum class State { Idle, Running, Finishing };

    struct Pending
    {
        unsigned int number = 0;
        DataFrame *frame = nullptr;
    };

    void run();
    void startQuery();
    void completeQuery(bool answered, const QByteArray &answer);
    void finishFrame();
    void failAll();
    FrameQuery *runningQuery() const;
    void note(LinkEvent::Kind kind, const QByteArray &bytes);

    CommunicationInterface *m_channel;
    Line *m_line;
    LinkTap *m_tap = nullptr;
    QTimer *m_runTimer;
    QTimer *m_finishTimer;
    QList<Pending> m_frames;
    unsigned int m_lastNumber = 0;
    State m_state = State::Idle;
    int m_queryIndex = 0;
    int m_attempt = 0;
};

} // namespace ExtensionSystem
