#pragma once

#include "extensionsystem/communicationinterface.h"
#include "extensionsystem/extensionsystem_global.h"
#include "extensionsystem/framequeue.h"
#include "extensionsystem/portsettings.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QString>

class QTimer;

namespace ExtensionSystem {

// The channel the host lends a plug-in for a serial port.
//
// Frames run one at a time in the order queued. For every query the channel
// discards whatever stale bytes wait on the line, writes the request (one
// character at a time when the port has a character delay), and reads one
// length-prefixed answer ([L] and L further bytes) until it is complete or
// timeoutMs has passed; an incomplete answer counts as none. An answer whose
// third byte differs from the request's control octet (third byte) belongs to an
// earlier request that was answered late, and is skipped. The line delay keeps
// the line quiet after each request before the next one is written.
//
// Once the master's first answer carried a valid check octet, an answer with a
// wrong one counts as unanswered, like one that is incomplete in time, and the
// query's retries apply. After an unanswered request the line must fall quiet
// (for up to the request's time-out) before the next request is written.
//
// emitFinished() always comes from the event loop. When the port fails (device
// unplugged, other side of a pseudo-terminal closed) the channel closes it at the
// first error and finishes every queued frame unanswered; deleting the channel
// finishes the frames still queued as well.
class EXTENSIONSYSTEM_EXPORT SerialChannel : public CommunicationInterface,
                                             private FrameQueue::Line
{
    Q_OBJECT
    Q_DISABLE_COPY(SerialChannel)

public:
    explicit SerialChannel(const PortSettings &settings, QObject *parent = nullptr);
    ~SerialChannel() override;

    // Opens settings.portName; false with errorString() when the port cannot be opened.
    bool open();
    bool isOpen() const;
    // Closes the port; queued frames finish unanswered.
    void close();
    QString errorString() const;
    // Frames queued and not yet finished, the running one included.
    int pendingFrames() const;

    void vSendString(std::string bytes) override;
    unsigned int uSendDataFrame(DataFrame *frame) override;
    // Applies baud rate, data bits, parity, stop bits and the delays; a new port
    // name takes effect at the next open().
    void vApplyPortSettings(const PortSettings &settings) override;
    PortSettings currentPortSettings() const override;
    // Watches this channel's line; null stops watching.
    void setLinkTap(LinkTap *tap) { m_frames->setTap(tap); }

signals:
    // The open port failed and was closed; emitted once per failure.
    void portFailed(const QString &errorString);

private:
    enum class Step { Idle, Waiting, Writing, Reading };
    // Whether this master's answers carry a check octet, learnt from its first answer.
    enum class CheckOctets { Unknown, Enforced, Absent };
    static constexpr qint64 quietGapMs = 50;

    bool isLineOpen() const override;
    void startQuery(const FrameQuery &query, int attempt) override;
    void frameDone() override;
    void applyLineSettings();
    void continueWaiting();
    void beginWrite();
    void writeNext();
    void onReadyRead();
    void takeCompleteAnswers();
    void onAnswerTimeout();
    void failQuery();
    bool isCheckOctetAccepted(const QByteArray &frame);
    void completeQuery(bool answered);
    void onPortError(QSerialPort::SerialPortError error);
    qint64 msUntilLineFree() const;
    void discardInput();

    PortSettings m_settings;
    QSerialPort *m_port = nullptr;
    FrameQueue *m_frames = nullptr;
    QTimer *m_stepTimer = nullptr;
    QTimer *m_answerTimer = nullptr;
    Step m_step = Step::Idle;
    double m_timeoutMs = 0.0;
    bool m_mayRetry = false;
    QByteArray m_request;
    int m_written = 0;
    QByteArray m_buffer;
    QByteArray m_answer;
    bool m_answerReady = false;
    bool m_answerDamaged = false;
    CheckOctets m_checkOctets = CheckOctets::Unknown;
    qint64 m_waitUntil = 0;
    qint64 m_drainUntil = 0;
    qint64 m_lastByteAt = 0;
    QElapsedTimer m_clock;
    qint64 m_lineFreeAt = 0;
    QString m_errorString;
    bool m_failed = false;
};

} // namespace ExtensionSystem
