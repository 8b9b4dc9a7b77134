#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <thread>

namespace IoLinkSim {

class MasterSimulator;

// Serves a MasterSimulator on a pseudo-terminal, as a master on a serial line
// would: requests are framed by their length byte, answers are written after the
// delay the simulator chose, in order. The server keeps a descriptor of the
// device side open itself, so that a client closing the device does not end the
// service; stop() closes the terminal and the client's port fails as if its
// adapter had been pulled out.
class PtyServer
{
public:
    // direction '>' for a request received, '<' for an answer written.
    using Logger = std::function<void(char direction, const QByteArray &bytes)>;

    explicit PtyServer(MasterSimulator &master);
    ~PtyServer();
    PtyServer(const PtyServer &) = delete;
    PtyServer &operator=(const PtyServer &) = delete;

    // Opens the pseudo-terminal in raw mode; devicePath() is then the client's port name.
    bool open();
    bool isOpen() const { return m_masterFd >= 0; }
    QString devicePath() const { return m_devicePath; }
    QString errorString() const { return m_error; }
    void setLogger(Logger logger) { m_logger = std::move(logger); }

    // Serves on a thread of its own until stop().
    bool start();
    // Serves on the calling thread until `stopFd` becomes readable (or stop() from elsewhere).
    void serve(int stopFd = -1);
    // Ends the service and closes the pseudo-terminal.
    void stop();

private:
    using Clock = std::chrono::steady_clock;

    struct Outgoing
    {
        Clock::time_point due;
        QByteArray bytes;
    };

    void readRequests(Clock::time_point now);
    void writeDue(Clock::time_point now);
    void closeTerminal();

    MasterSimulator &m_master;
    Logger m_logger;
    int m_masterFd = -1;
    int m_deviceFd = -1;
    int m_wakePipe[2] = {-1, -1};
    QString m_devicePath;
    QString m_error;
    QByteArray m_input;
    Clock::time_point m_inputSince;
    std::deque<Outgoing> m_outgoing;
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
};

} // namespace IoLinkSim
