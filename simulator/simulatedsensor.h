#pragma once

#include "simulator/sensordescription.h"

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QString>

#include <functional>
#include <mutex>

namespace IoLinkSim {

// A pressure sensor of the family behind the master: parameter memory addressed by
// IO-Link index and subindex, identification texts, a process value and two outputs.
// All public operations are thread-safe.
class SimulatedSensor
{
public:
    using Clock = std::function<qint64()>; // milliseconds, any origin

    struct ReadResult
    {
        quint16 error = 0; // ISDU error code, 0 on success
        QByteArray value;  // one or two bytes big-endian, or the text
    };

    // Index 2: the system command; 0x82 restores the factory settings.
    static constexpr int SystemCommandIndex = 2;
    static constexpr quint8 RestoreFactorySettings = 0x82;

    // productId empty: the first variant of the first catalogue model.
    explicit SimulatedSensor(const SensorDescription &description,
                             const QString &productId = QString());

    // Another device: identification text, range of the catalogue variant it names
    // (the current one when it names none) and that variant's factory settings.
    void setProductId(const QString &productId);
    QString productId() const;
    QString vendorName() const;

    double minRange() const;
    double maxRange() const;
    double decVal() const;

    void setClock(Clock clock);
    void setSeed(quint32 seed);
    // A fixed process value in bar instead of the pump cycle; clear to resume the cycle.
    void setPressure(double bar);
    void clearPressure();
    double pressure() const;
    qint16 rawPressure() const;
    // Bit 0 output 1, bit 1 output 2, bit 2 signal too low (pressure outside the range).
    quint8 statusBits();

    ReadResult read(int index, int subIndex) const;
    // 0 on success, else the ISDU error code; value: the bytes after the address.
    quint16 write(int index, int subIndex, const QByteArray &value);
    void restoreFactorySettings();

    // Direct access for tests, by parameter identifier; false/0 for an unknown one.
    bool hasParameter(const QString &id) const;
    int rawValue(const QString &id) const;
    QString text(const QString &id) const;
    bool setRawValue(const QString &id, int raw);
    const ParameterSpec *parameter(const QString &id) const;

private:
    struct Slot
    {
        ParameterSpec param;
        int raw = 0;
        QByteArray text;
    };

    struct OutputState
    {
        bool demanded = false;     // after the hysteresis
        qint64 demandedSince = 0;
        bool switched = false;     // after the delays
    };

    static quint32 key(int index, int subIndex) { return quint32(index) << 8 | quint32(subIndex); }
    void selectVariant(const QString &productId);
    void restoreLocked();
    int factoryRaw(const ParameterSpec &param) const;
    bool isPressure(const ParameterSpec &param) const;
    bool validRaw(const ParameterSpec &param, int raw) const;
    int rawOf(const QString &id) const;
    qint64 now() const;
    double pressureAt(qint64 ms) const;
    bool updateOutput(OutputState *state, int point1, int point2, int onDelay, int offDelay,
                      qint64 time, int pressureRaw);

    mutable std::recursive_mutex m_mutex;
    QVector<SensorModelSpec> m_models;
    QMap<quint32, Slot> m_memory;
    QHash<QString, quint32> m_keys;
    QString m_productId;
    QString m_productName;
    double m_minRange = -1.0;
    double m_maxRange = 10.0;
    double m_decVal = 1000.0;
    Clock m_clock;
    quint32 m_seed = 1;
    bool m_fixedPressure = false;
    double m_pressure = 0.0;
    OutputState m_outputs[2];
};

} // namespace IoLinkSim
