#include "simulator/mastersimulator.h"

#include "simulator/iolinkframe.h"

#include <QDateTime>

namespace IoLinkSim {

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

constexpr int MaxLogEntries = 100000;

} // namespace

MasterSimulator::MasterSimulator(const SensorDescription &description, const QString &productId)
    : m_sensor(std::make_unique<SimulatedSensor>(description, productId))
    , m_clock([] { return QDateTime::currentMSecsSinceEpoch(); })
    , m_random(1)
{
}

const char *MasterSimulator::faultName(Fault fault)
{
    switch (fault) {
    case Fault::None:
        return "none";
    case Fault::Drop:
        return "drop";
    case Fault::Late:
        return "late";
    case Fault::Error:
        return "error";
    case Fault::Garbage:
        return "garbage";
    case Fault::Truncated:
        return "truncated";
    case Fault::Silent:
        return "silent";
    }
    return "?";
}

void MasterSimulator::setProductId(const QString &productId)
{
    Lock lock(m_mutex);
    m_sensor->setProductId(productId);
    m_hasResult = false;
}

void MasterSimulator::injectFault(Fault fault, int count)
{
    Lock lock(m_mutex);
    for (int i = 0; i < count; ++i)
        m_injected.append(fault);
}

void MasterSimulator::setFaultRate(Fault fault, double probability)
{
    Lock lock(m_mutex);
    m_rates[int(fault)] = qBound(0.0, probability, 1.0);
}

void MasterSimulator::setLateDelayMs(int ms)
{
    Lock lock(m_mutex);
    m_lateDelayMs = qMax(0, ms);
}

int MasterSimulator::lateDelayMs() const
{
    Lock lock(m_mutex);
    return m_lateDelayMs;
}

void MasterSimulator::setAnswerDelayMs(int ms)
{
    Lock lock(m_mutex);
    m_answerDelayMs = qMax(0, ms);
}

void MasterSimulator::setSilentAfter(int requests)
{
    Lock lock(m_mutex);
    m_silentAfter = requests;
}

void MasterSimulator::setSeed(quint32 seed)
{
    Lock lock(m_mutex);
    m_random.seed(seed);
    m_sensor->setSeed(seed);
}

void MasterSimulator::setClock(SimulatedSensor::Clock clock)
{
    Lock lock(m_mutex);
    if (!clock)
        return;
    m_clock = clock;
    m_sensor->setClock(clock);
}

void MasterSimulator::clearFaults()
{
    Lock lock(m_mutex);
    m_injected.clear();
    for (double &rate : m_rates)
        rate = 0.0;
    m_silentAfter = -1;
}

QVector<MasterSimulator::LogEntry> MasterSimulator::requestLog() const
{
    Lock lock(m_mutex);
    return m_log;
}

int MasterSimulator::requestCount() const
{
    Lock lock(m_mutex);
    return m_requestCount;
}

void MasterSimulator::clearLog()
{
    Lock lock(m_mutex);
    m_log.clear();
}

MasterSimulator::Fault MasterSimulator::chooseFault()
{
    if (m_silentAfter >= 0 && m_requestCount > m_silentAfter)
        return Fault::Silent;
    if (!m_injected.isEmpty())
        return m_injected.takeFirst();
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    for (Fault fault : {Fault::Drop, Fault::Late, Fault::Error, Fault::Garbage,
                        Fault::Truncated}) {
        if (m_rates[int(fault)] > 0.0 && chance(m_random) < m_rates[int(fault)])
            return fault;
    }
    return Fault::None;
}

MasterSimulator::Reply MasterSimulator::handle(const QByteArray &request)
{
    Lock lock(m_mutex);
    ++m_requestCount;
    Reply reply;
    reply.fault = chooseFault();
    reply.delayMs = m_answerDelayMs;
    const quint8 control = request.size() >= 3 ? quint8(request.at(2)) : 0;

    switch (reply.fault) {
    case Fault::Silent:
        break; // not even carried out: nothing reaches the master
    case Fault::Error:
        reply.bytes = errorAnswer(control, IsduApplicationError);
        break;
    case Fault::Drop:
        answer(request);
        break;
    case Fault::Late:
        reply.bytes = answer(request);
        reply.delayMs += m_lateDelayMs;
        break;
    case Fault::Garbage: {
        const QByteArray proper = answer(request);
        reply.bytes = proper;
        std::uniform_int_distribution<int> byte(0, 255);
        for (int i = 1; i < reply.bytes.size(); ++i) {
            if (i != 2)
                reply.bytes[i] = char(byte(m_random));
        }
        // Never by chance the proper answer, nor a well-formed refusal.
        if (reply.bytes.size() > 3 && reply.bytes == proper)
            reply.bytes[3] = char(~quint8(reply.bytes.at(3)));
        if (reply.bytes.size() > 1 && quint8(reply.bytes.at(1)) == quint8(proper.at(1)))
            reply.bytes[1] = char(quint8(proper.at(1)) ^ 0x3F);
        break;
    }
    case Fault::Truncated:
        reply.bytes = answer(request);
        reply.bytes.chop(qMax(1, reply.bytes.size() / 2));
        break;
    case Fault::None:
        reply.bytes = answer(request);
        break;
    }

    if (m_log.size() < MaxLogEntries)
        m_log.append(LogEntry{m_clock(), request, reply.bytes, reply.delayMs, reply.fault});
    return reply;
}

QByteArray MasterSimulator::fetchAnswer() const
{
    if (m_hasResult && m_resultError != 0)
        return errorAnswer(CtrlFetch, m_resultError);
    // [L][CK][27][00][value…]: a one-byte value gives L = 4, a two-byte value L = 5.
    QByteArray data(1, '\0');
    if (m_hasResult)
        data.append(m_resultValue);
    return makeFrame(CtrlFetch, data);
}

QByteArray MasterSimulator::answer(const QByteArray &request)
{
    if (request.size() < 3 || quint8(request.at(0)) != request.size() - 1)
        return errorAnswer(0, IsduLengthUnderrun);
    const quint8 control = quint8(request.at(2));
    const QByteArray data = request.mid(3);
    const quint8 check = quint8(request.at(1));

    // A read of a one-byte parameter checks the two index bytes only.
    const bool checkOk = check == checkOctet(control, data)
                         || (control == CtrlRead && data.size() == 3
                             && check == checkOctet(control, data, 2));
    if (!checkOk)
        return errorAnswer(control, IsduApplicationError);

    switch (control) {
    case CtrlProbe:
        // Exactly 4 bytes: the master state, 0x81 = a device operating on port 1.
        return makeFrame(CtrlProbe, QByteArray(1, char(0x81)));
    case CtrlSetup:
    case CtrlPortMode:
        return makeFrame(control, QByteArray());
    case CtrlProcessData: {
        const qint16 raw = m_sensor->rawPressure();
        QByteArray process(1, '\0');
        process.append(char((quint16(raw) >> 8) & 0xFF));
        process.append(char(quint16(raw) & 0xFF));
        process.append('\0');
        process.append(char(m_sensor->statusBits() & 0x0F));
        return makeFrame(CtrlProcessData, process);
    }
    case CtrlRead: {
        if (data.size() != 3)
            return errorAnswer(control, data.size() > 3 ? IsduLengthOverrun : IsduLengthUnderrun);
        const int index = quint8(data.at(0)) | quint8(data.at(1)) << 8;
        const SimulatedSensor::ReadResult result = m_sensor->read(index, quint8(data.at(2)));
        m_hasResult = true;
        m_resultError = result.error;
        m_resultValue = result.value;
        if (result.error)
            return errorAnswer(control, result.error);
        return makeFrame(control, QByteArray());
    }
    case CtrlFetch:
        return fetchAnswer();
    case CtrlWrite: {
        if (data.size() < 4)
            return errorAnswer(control, IsduLengthUnderrun);
        const int index = quint8(data.at(0)) | quint8(data.at(1)) << 8;
        const quint16 error = m_sensor->write(index, quint8(data.at(2)), data.mid(3));
        m_hasResult = true;
        m_resultError = error;
        m_resultValue.clear();
        if (error)
            return errorAnswer(control, error);
        return makeFrame(control, QByteArray());
    }
    default:
        return errorAnswer(control, IsduFunctionNotAvailable);
    }
}

} // namespace IoLinkSim
