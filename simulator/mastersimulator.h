#pragma once

#include "simulator/simulatedsensor.h"

#include <QByteArray>
#include <QVector>

#include <memory>
#include <mutex>
#include <random>

namespace IoLinkSim {

// The IO-Link master with one simulated sensor on its port: request bytes in,
// answer bytes out. Failure modes are chosen by setters, either for the next
// requests (injectFault) or at random with a rate (setFaultRate). Every request
// is logged with its time and what was done with it. Thread-safe.
class MasterSimulator
{
public:
    enum class Fault {
        None,
        Drop,       // the request is carried out, its answer is lost
        Late,       // the answer comes after lateDelayMs(), past a usual time-out
        Error,      // the request is refused: "ERROR" with 0x8000
        Garbage,    // a frame of the right length and control octet, random contents
        Truncated,  // the answer is cut short: its length byte promises more than comes
        Silent,     // the master no longer answers anything (a pulled cable)
    };

    struct Reply
    {
        QByteArray bytes;  // empty: no answer
        int delayMs = 0;   // when to send it, counted from the request
        Fault fault = Fault::None;
    };

    struct LogEntry
    {
        qint64 timeMs = 0;
        QByteArray request;
        QByteArray answer;
        int delayMs = 0;
        Fault fault = Fault::None;
    };

    explicit MasterSimulator(const SensorDescription &description,
                             const QString &productId = QString());

    Reply handle(const QByteArray &request);

    SimulatedSensor &sensor() { return *m_sensor; }
    const SimulatedSensor &sensor() const { return *m_sensor; }

    // Another sensor plugged in: shortcut for sensor().setProductId().
    void setProductId(const QString &productId);

    // The next `count` requests suffer `fault` (queued behind faults injected before).
    void injectFault(Fault fault, int count = 1);
    // Probability in [0, 1] that a request suffers `fault`
    // (Drop, Late, Error, Garbage or Truncated).
    void setFaultRate(Fault fault, double probability);
    void setLateDelayMs(int ms);
    int lateDelayMs() const;
    // Latency of every answer.
    void setAnswerDelayMs(int ms);
    // After `requests` requests nothing is answered any more; -1 answers for ever.
    void setSilentAfter(int requests);
    void setSeed(quint32 seed);
    // Also the sensor's clock.
    void setClock(SimulatedSensor::Clock clock);
    void clearFaults();

    QVector<LogEntry> requestLog() const;
    int requestCount() const;
    void clearLog();

    static const char *faultName(Fault fault);

private:
    QByteArray answer(const QByteArray &request);
    QByteArray fetchAnswer() const;
    Fault chooseFault();

    mutable std::recursive_mutex m_mutex;
    std::unique_ptr<SimulatedSensor> m_sensor;
    SimulatedSensor::Clock m_clock;
    std::mt19937 m_random;
    QVector<Fault> m_injected;
    double m_rates[7] = {};
    int m_lateDelayMs = 2500;
    int m_answerDelayMs = 0;
    int m_silentAfter = -1;
    int m_requestCount = 0;
    QVector<LogEntry> m_log;
    // The outcome of the last parameter access, delivered by the fetch request.
    bool m_hasResult = false;
    quint16 m_resultError = 0;
    QByteArray m_resultValue;
};

} // namespace IoLinkSim
