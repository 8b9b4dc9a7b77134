#pragma once

#include <QObject>

class QTimer;

namespace Kalvio {

// Ends the application once no plug-in waits inside a transfer. Leaving the
// event loop while a plug-in waits in its progress dialog's local loop would
// return from that wait with the frame still queued on the channel; so the quit
// is put off until the wait is over, and modal boxes nobody can answer (an
// offscreen run) are closed. After `patienceMs` the application quits anyway.
class IdleQuitter : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(IdleQuitter)

public:
    explicit IdleQuitter(QObject *parent = nullptr);

    void setPatience(int milliseconds) { m_patienceMs = milliseconds; }
    // True while some plug-in waits for a transfer.
    static bool transferRunning();

public slots:
    void quit(int exitCode);

private:
    void tryQuit();

    QTimer *m_retry;
    int m_exitCode = 0;
    int m_patienceMs = 15000;
    int m_waitedMs = 0;
};

} // namespace Kalvio
