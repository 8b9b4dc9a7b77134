#include "extensionsystem/serialchannel.h"

#include <QDebug>
#include <QTimer>

#include <cmath>

namespace ExtensionSystem {

namespace {

bool isFatal(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
    case QSerialPort::PermissionError:
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::UnknownError:
        return true;
    default:
        return false;
    }
}

QSerialPort::Parity toParity(char parity)
{
    switch (parity) {
    case 'E':
        return QSerialPort::EvenParity;
    case 'O':
        return QSerialPort::OddParity;
    default:
        return QSerialPort::NoParity;
    }
}

// The 6-bit check of a frame [L][CK][CTRL][data...]: computed over CK with its
// checksum bits zero (type bits 01), CTRL and the data, seed 0x52.
bool hasValidCheckOctet(const QByteArray &frame)
{
    if (frame.size() < 3)
        return false;
    quint8 c = 0x52 ^ 0x40;
    for (int i = 2; i < frame.size(); ++i)
        c ^= quint8(frame.at(i));
    const auto bit = [c](int n) { return (c >> n) & 1; };
    const int r5 = bit(7) ^ bit(5) ^ bit(3) ^ bit(1);
    const int r4 = bit(6) ^ bit(4) ^ bit(2) ^ bit(0);
    const int r3 = bit(7) ^ bit(6);
    const int r2 = bit(5) ^ bit(4);
    const int r1 = bit(3) ^ bit(2);
    const int r0 = bit(1) ^ bit(0);
    const quint8 expected = quint8(0x40 | r5 << 5 | r4 << 4 | r3 << 3 | r2 << 2 | r1 << 1 | r0);
    return quint8(frame.at(1)) == expected;
}

} // namespace

SerialChannel::SerialChannel(const PortSettings &settings, QObject *parent)
    : CommunicationInterface(parent)
    , m_settings(settings)
    , m_port(new QSerialPort(this))
    , m_frames(new FrameQueue(this, this))
    , m_stepTimer(new QTimer(this))
    , m_answerTimer(new QTimer(this))
{
    m_clock.start();
    for (QTimer *timer : {m_stepTimer, m_answerTimer}) {
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
    }
    connect(m_stepTimer, &QTimer::timeout, this, [this] {
        if (m_step == Step::Waiting)
            continueWaiting();
        else if (m_step == Step::Writing)
            writeNext();
    });
    connect(m_answerTimer, &QTimer::timeout, this, &SerialChannel::onAnswerTimeout);
    connect(m_port, &QSerialPort::readyRead, this, &SerialChannel::onReadyRead);
    connect(m_port, &QSerialPort::errorOccurred, this, &SerialChannel::onPortError);
}

SerialChannel::~SerialChannel()
{
    disconnect(m_port, nullptr, this, nullptr);
    m_stepTimer->stop();
    m_answerTimer->stop();
    if (m_port->isOpen())
        m_port->close();
    m_frames->abandonAll();
}

bool SerialChannel::open()
{
    if (m_port->isOpen())
        return true;
    m_port->setPortName(m_settings.portName);
    if (!m_port->open(QIODevice::ReadWrite)) {
        m_errorString = m_port->errorString();
        m_port->clearError();
        return false;
    }
    m_failed = false;
    m_errorString.clear();
    applyLineSettings();
    m_port->clearError();
    m_port->clear(QSerialPort::AllDirections);
    m_frames->scheduleRun();
    return true;
}

bool SerialChannel::isOpen() const
{
    return m_port->isOpen();
}

void SerialChannel::close()
{
    m_stepTimer->stop();
    m_answerTimer->stop();
    if (m_port->isOpen())
        m_port->close();
    m_step = Step::Idle;
    m_frames->interrupt(true);
}

QString SerialChannel::errorString() const
{
    return m_errorString;
}

int SerialChannel::pendingFrames() const
{
    return m_frames->size();
}

void SerialChannel::vSendString(std::string bytes)
{
    if (m_port->isOpen() && !bytes.empty()) {
        m_frames->noteRequest(QByteArray(bytes.data(), int(bytes.size())));
        m_port->write(bytes.data(), qint64(bytes.size()));
    }
}

unsigned int SerialChannel::uSendDataFrame(DataFrame *frame)
{
    return m_frames->enqueue(frame);
}

void SerialChannel::vApplyPortSettings(const PortSettings &settings)
{
    m_settings = settings;
    if (m_port->isOpen())
        applyLineSettings();
}

PortSettings SerialChannel::currentPortSettings() const
{
    return m_settings;
}

void SerialChannel::applyLineSettings()
{
    m_port->setBaudRate(m_settings.baudRate);
    m_port->setDataBits(QSerialPort::DataBits(m_settings.dataBits));
    m_port->setParity(toParity(m_settings.parity));
    m_port->setStopBits(m_settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
}

bool SerialChannel::isLineOpen() const
{
    return m_port->isOpen();
}

qint64 SerialChannel::msUntilLineFree() const
{
    return qMax<qint64>(0, m_lineFreeAt - m_clock.elapsed());
}

void SerialChannel::startQuery(const FrameQuery &query, int attempt)
{
    const qint64 wait = qMax<qint64>(attempt == 0 ? query.waitBeforeMs : 0, msUntilLineFree());
    m_waitUntil = m_clock.elapsed() + wait;
    m_step = Step::Waiting;
    continueWaiting();
}

void SerialChannel::continueWaiting()
{
    const qint64 now = m_clock.elapsed();
    qint64 wait = m_waitUntil - now;
    // After an unanswered request, late or damaged bytes may still be under way:
    // the line must have been quiet for a while (or the time-out be over) before
    // the next request, so that they are not taken for its answer.
    if (now < m_drainUntil) {
        const qint64 quietFor = now - m_lastByteAt;
        if (quietFor < quietGapMs)
            wait = qMax(wait, qMin(quietGapMs - quietFor, m_drainUntil - now));
    }
    if (wait > 0)
        m_stepTimer->start(int(wait));
    else
        beginWrite();
}

void SerialChannel::discardInput()
{
    QByteArray leftOver = m_buffer + m_port->readAll();
    m_port->clear(QSerialPort::Input);
    leftOver += m_port->readAll();
    m_buffer.clear();
    if (!leftOver.isEmpty())
        m_frames->noteReceived(leftOver);
}

void SerialChannel::beginWrite()
{
    const FrameQuery *query = m_frames->currentQuery();
    if (!query || !m_port->isOpen())
        return;
    // Bytes on the line now are left over from an earlier exchange.
    discardInput();
    m_answer.clear();
    m_answerReady = false;
    m_answerDamaged = false;
    m_request = QByteArray(query->request.data(), int(query->request.size()));
    m_written = 0;
    m_step = Step::Writing;
    m_frames->noteRequest(m_request);
    m_answerTimer->start(int(std::ceil(qMax(0.0, query->timeoutMs))));
    writeNext();
}

void SerialChannel::writeNext()
{
    if (m_step != Step::Writing || !m_port->isOpen())
        return;
    const int characterDelay = qMax(0, m_settings.characterDelay);
    if (m_written < m_request.size()) {
        const int count = characterDelay > 0 ? 1 : m_request.size() - m_written;
        m_port->write(m_request.constData() + m_written, count);
        // Handed to the driver now rather than from the port's write notifier an
        // event-loop turn later; the second call ends the port's write sequence,
        // so that the notifier does not wake the loop again just to find nothing left.
        m_port->flush();
        m_port->flush();
        // The write may have failed the port, which resets the step.
        if (m_step != Step::Writing)
            return;
        m_written += count;
        if (m_written < m_request.size()) {
            m_stepTimer->start(characterDelay);
            return;
        }
    }
    m_lineFreeAt = m_clock.elapsed() + qMax(0, m_settings.lineDelay);
    m_step = Step::Reading;
    if (m_answerReady)
        completeQuery(true);
    else if (m_answerDamaged && m_buffer.isEmpty())
        failQuery();
}

void SerialChannel::onReadyRead()
{
    const QByteArray bytes = m_port->readAll();
    if (!bytes.isEmpty())
        m_lastByteAt = m_clock.elapsed();
    if (m_step != Step::Writing && m_step != Step::Reading) {
        if (!bytes.isEmpty())
            m_frames->noteReceived(bytes); // nobody asked: stale
        return;
    }
    m_buffer.append(bytes);
    takeCompleteAnswers();
}

void SerialChannel::takeCompleteAnswers()
{
    while (!m_answerReady && !m_buffer.isEmpty()) {
        const int length = 1 + quint8(m_buffer.at(0));
        if (m_buffer.size() < length)
            return;
        const QByteArray frame = m_buffer.left(length);
        m_buffer.remove(0, length);
        m_frames->noteReceived(frame);
        if (length < 2)
            continue;
        if (m_request.size() >= 3 && (frame.size() < 3 || frame.at(2) != m_request.at(2)))
            continue; // the late answer to an earlier request
        if (!isCheckOctetAccepted(frame)) {
            m_answerDamaged = true;
            continue;
        }
        m_answer = frame;
        m_answerReady = true;
    }
    if (m_step != Step::Reading)
        return;
    if (m_answerReady)
        completeQuery(true);
    else if (m_answerDamaged && m_buffer.isEmpty())
        failQuery();
}

bool SerialChannel::isCheckOctetAccepted(const QByteArray &frame)
{
    const bool valid = hasValidCheckOctet(frame);
    if (m_checkOctets == CheckOctets::Unknown) {
        // The first answer tells whether this master's answers carry a check octet.
        m_checkOctets = valid ? CheckOctets::Enforced : CheckOctets::Absent;
        if (!valid) {
            qInfo().noquote() << "SerialChannel:" << m_settings.portName
                              << "- the master's answers carry no check octet; not checked";
        }
    }
    return valid || m_checkOctets == CheckOctets::Absent;
}

void SerialChannel::onAnswerTimeout()
{
    if (m_step != Step::Writing && m_step != Step::Reading)
        return;
    failQuery();
}

void SerialChannel::failQuery()
{
    const FrameQuery *query = m_frames->currentQuery();
    const double timeoutMs = query ? qMax(0.0, query->timeoutMs) : 0.0;
    m_drainUntil = m_clock.elapsed() + qint64(std::ceil(timeoutMs));
    // An incomplete answer is dropped: what follows of it comes as stale bytes.
    if (!m_buffer.isEmpty())
        m_frames->noteReceived(m_buffer);
    m_buffer.clear();
    completeQuery(false);
}

void SerialChannel::completeQuery(bool answered)
{
    m_answerTimer->stop();
    m_stepTimer->stop();
    // Only a request written whole is tried again.
    const bool mayRetry = m_step == Step::Reading;
    m_step = Step::Idle;
    const QByteArray answer = m_answer;
    m_answer.clear();
    m_answerReady = false;
    m_answerDamaged = false;
    if (answered)
        m_frames->answered(answer);
    else
        m_frames->unanswered(mayRetry);
}

void SerialChannel::frameDone()
{
    m_lineFreeAt = qMax(m_lineFreeAt, m_clock.elapsed() + qMax(0, m_settings.interFrameDelay));
}

void SerialChannel::onPortError(QSerialPort::SerialPortError error)
{
    if (!isFatal(error) || !m_port->isOpen())
        return;
    // A vanished pseudo-terminal reports ReadError without end until the port is closed.
    m_errorString = m_port->errorString();
    m_failed = true;
    m_stepTimer->stop();
    m_answerTimer->stop();
    m_port->close();
    m_step = Step::Idle;
    m_frames->interrupt(false); // a frame already complete keeps its answers
    emit portFailed(m_errorString);
}

} // namespace ExtensionSystem
