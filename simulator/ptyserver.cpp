#include "simulator/ptyserver.h"

#include "simulator/mastersimulator.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace IoLinkSim {

namespace {

// A request that stays incomplete this long is a fragment: drop it and resynchronise.
constexpr auto FragmentTimeout = std::chrono::milliseconds(500);

} // namespace

PtyServer::PtyServer(MasterSimulator &master)
    : m_master(master)
{
}

PtyServer::~PtyServer()
{
    stop();
}

bool PtyServer::open()
{
    if (m_masterFd >= 0)
        return true;
    m_masterFd = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_masterFd < 0 || grantpt(m_masterFd) != 0 || unlockpt(m_masterFd) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        closeTerminal();
        return false;
    }
    char name[128] = {};
    if (ptsname_r(m_masterFd, name, sizeof name) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        closeTerminal();
        return false;
    }
    m_devicePath = QString::fromLocal8Bit(name);
    // Holding the device side open keeps the terminal alive between clients;
    // without it poll() reports a hang-up without end while no client is there.
    m_deviceFd = ::open(name, O_RDWR | O_NOCTTY);
    if (m_deviceFd < 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        closeTerminal();
        return false;
    }
    termios tio{};
    if (tcgetattr(m_deviceFd, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(m_deviceFd, TCSANOW, &tio);
    }
    fcntl(m_masterFd, F_SETFL, fcntl(m_masterFd, F_GETFL) | O_NONBLOCK);
    if (pipe(m_wakePipe) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        closeTerminal();
        return false;
    }
    m_stopping = false;
    return true;
}

bool PtyServer::start()
{
    if (!open())
        return false;
    if (m_thread.joinable())
        return true;
    m_thread = std::thread([this] { serve(); });
    return true;
}

void PtyServer::stop()
{
    m_stopping = true;
    if (m_wakePipe[1] >= 0) {
        const char wake = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wakePipe[1], &wake, 1);
    }
    if (m_thread.joinable())
        m_thread.join();
    closeTerminal();
}

void PtyServer::closeTerminal()
{
    for (int *fd : {&m_masterFd, &m_deviceFd, &m_wakePipe[0], &m_wakePipe[1]}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    m_outgoing.clear();
    m_input.clear();
}

void PtyServer::serve(int stopFd)
{
    while (!m_stopping && m_masterFd >= 0) {
        const Clock::time_point now = Clock::now();
        int timeoutMs = -1;
        if (!m_outgoing.empty()) {
            const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
                m_outgoing.front().due - now);
            timeoutMs = int(qMax<qint64>(0, wait.count()));
        }
        if (!m_input.isEmpty()) {
            const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
                m_inputSince + FragmentTimeout - now);
            const int fragmentWait = int(qMax<qint64>(0, wait.count()) + 1);
            timeoutMs = timeoutMs < 0 ? fragmentWait : qMin(timeoutMs, fragmentWait);
        }
        pollfd fds[3] = {{m_masterFd, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}, {stopFd, POLLIN, 0}};
        const int count = poll(fds, stopFd >= 0 ? 3 : 2, timeoutMs);
        if (count < 0 && errno != EINTR)
            break;
        if (m_stopping || (stopFd >= 0 && (fds[2].revents & POLLIN)))
            break;
        const Clock::time_point after = Clock::now();
        if (count > 0 && (fds[0].revents & POLLIN))
            readRequests(after);
        if (!m_input.isEmpty() && after - m_inputSince >= FragmentTimeout)
            m_input.clear();
        writeDue(Clock::now());
    }
}

void PtyServer::readRequests(Clock::time_point now)
{
    char chunk[512];
    for (;;) {
        const ssize_t got = ::read(m_masterFd, chunk, sizeof chunk);
        if (got <= 0)
            break;
        if (m_input.isEmpty())
            m_inputSince = now;
        m_input.append(chunk, int(got));
    }
    while (!m_input.isEmpty()) {
        const int length = 1 + quint8(m_input.at(0));
        if (length == 1) {
            m_input.remove(0, 1); // a zero length byte frames nothing
            continue;
        }
        if (m_input.size() < length)
            break;
        const QByteArray request = m_input.left(length);
        m_input.remove(0, length);
        m_inputSince = now;
        if (m_logger)
            m_logger('>', request);
        const MasterSimulator::Reply reply = m_master.handle(request);
        if (reply.bytes.isEmpty())
            continue;
        // A master answers in the order it was asked, so a late answer holds back the next.
        Clock::time_point due = now + std::chrono::milliseconds(reply.delayMs);
        if (!m_outgoing.empty() && m_outgoing.back().due > due)
            due = m_outgoing.back().due;
        m_outgoing.push_back(Outgoing{due, reply.bytes});
    }
}

void PtyServer::writeDue(Clock::time_point now)
{
    while (!m_outgoing.empty() && m_outgoing.front().due <= now) {
        const QByteArray bytes = m_outgoing.front().bytes;
        m_outgoing.pop_front();
        // A client that does not read loses answers instead of blocking the master.
        [[maybe_unused]] const ssize_t written = ::write(m_masterFd, bytes.constData(),
                                                         size_t(bytes.size()));
        if (m_logger)
            m_logger('<', bytes);
    }
}

} // namespace IoLinkSim
