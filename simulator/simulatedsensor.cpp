#include "simulator/simulatedsensor.h"

#include "simulator/iolinkframe.h"

#include <QDateTime>

#include <cmath>

namespace IoLinkSim {

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

constexpr int MaxTextLength = 32;
constexpr qint64 PumpCycleMs = 8000;

// Raw code of an enumeration choice as the device stores it.
int choiceCode(const QString &id, int choice)
{
    if (id == QLatin1String("DataStorageLock"))
        return choice == 1 ? 2 : 0; // bit 1 of the device access locks
    if (id == QLatin1String("PinFunctionA2"))
        return choice == 0 ? 1 : choice + 2;
    return choice;
}

// Deterministic noise in [-1, 1] for a time slot.
double noise(quint32 seed, qint64 slot)
{
    quint64 x = quint64(slot) * 0x9E3779B97F4A7C15ull ^ (quint64(seed) << 32 | seed);
    x ^= x >> 33;
    x *= 0xFF51AFD7ED558CCDull;
    x ^= x >> 33;
    x *= 0xC4CEB9FE1A85EC53ull;
    x ^= x >> 33;
    return double(x % 20001) / 10000.0 - 1.0;
}

} // namespace

SimulatedSensor::SimulatedSensor(const SensorDescription &description, const QString &productId)
    : m_models(description.sensors())
    , m_clock([] { return QDateTime::currentMSecsSinceEpoch(); })
{
    for (const ParameterSpec &param : description.parameters()) {
        Slot slot;
        slot.param = param;
        m_memory.insert(key(param.index, param.subIndex), slot);
        m_keys.insert(param.id, key(param.index, param.subIndex));
    }
    QString id = productId;
    if (id.isEmpty() && !m_models.isEmpty() && !m_models.first().variants.isEmpty())
        id = SensorDescription::productIdFor(m_models.first(), m_models.first().variants.first());
    setProductId(id);
}

void SimulatedSensor::setProductId(const QString &productId)
{
    Lock lock(m_mutex);
    selectVariant(productId);
    restoreLocked();
    for (OutputState &output : m_outputs)
        output = OutputState();
}

void SimulatedSensor::selectVariant(const QString &productId)
{
    m_productId = productId;
    for (const SensorModelSpec &model : m_models) {
        if (model.id.isEmpty() || !productId.startsWith(model.id) || productId.size() < 7)
            continue;
        for (const VariantSpec &variant : model.variants) {
            if (productId.endsWith(variant.id3)) {
                m_minRange = variant.minRange;
                m_maxRange = variant.maxRange;
                m_decVal = variant.floatVal;
                m_productName = model.name;
                return;
            }
        }
    }
}

QString SimulatedSensor::productId() const
{
    Lock lock(m_mutex);
    return m_productId;
}

QString SimulatedSensor::vendorName() const
{
    return QStringLiteral("Orvex");
}

double SimulatedSensor::minRange() const
{
    Lock lock(m_mutex);
    return m_minRange;
}

double SimulatedSensor::maxRange() const
{
    Lock lock(m_mutex);
    return m_maxRange;
}

double SimulatedSensor::decVal() const
{
    Lock lock(m_mutex);
    return m_decVal;
}

void SimulatedSensor::setClock(Clock clock)
{
    Lock lock(m_mutex);
    if (clock)
        m_clock = std::move(clock);
}

void SimulatedSensor::setSeed(quint32 seed)
{
    Lock lock(m_mutex);
    m_seed = seed;
}

void SimulatedSensor::setPressure(double bar)
{
    Lock lock(m_mutex);
    m_fixedPressure = true;
    m_pressure = bar;
}

void SimulatedSensor::clearPressure()
{
    Lock lock(m_mutex);
    m_fixedPressure = false;
}

qint64 SimulatedSensor::now() const
{
    return m_clock();
}

double SimulatedSensor::pressureAt(qint64 ms) const
{
    if (m_fixedPressure)
        return m_pressure;
    // A pump cycle: rise, hold, fall back, rest; with noise of half a percent of the span.
    const double span = m_maxRange - m_minRange;
    const double low = qMax(m_minRange, 0.0) + 0.05 * span;
    const double high = m_minRange + 0.85 * span;
    const double phase = double(((ms % PumpCycleMs) + PumpCycleMs) % PumpCycleMs) / PumpCycleMs;
    double level;
    if (phase < 0.3)
        level = 0.5 - 0.5 * std::cos(M_PI * phase / 0.3);
    else if (phase < 0.6)
        level = 1.0;
    else if (phase < 0.8)
        level = 0.5 + 0.5 * std::cos(M_PI * (phase - 0.6) / 0.2);
    else
        level = 0.0;
    const double value = low + (high - low) * level + 0.005 * span * noise(m_seed, ms / 10);
    return qBound(m_minRange, value, m_maxRange);
}

double SimulatedSensor::pressure() const
{
    Lock lock(m_mutex);
    return pressureAt(now());
}

qint16 SimulatedSensor::rawPressure() const
{
    Lock lock(m_mutex);
    const double raw = std::round(pressureAt(now()) * m_decVal);
    return qint16(qBound(-32768.0, raw, 32767.0));
}

bool SimulatedSensor::updateOutput(OutputState *state, int point1, int point2, int onDelay,
                                   int offDelay, qint64 time, int pressureRaw)
{
    // Switch on above the higher point, off below the lower one; in between keep the state.
    const int high = qMax(point1, point2);
    const int low = qMin(point1, point2);
    bool demanded = state->demanded;
    if (pressureRaw >= high)
        demanded = true;
    else if (pressureRaw <= low && high != low)
        demanded = false;
    else if (high == low)
        demanded = pressureRaw >= high;
    if (demanded != state->demanded) {
        state->demanded = demanded;
        state->demandedSince = time;
    }
    if (state->switched != state->demanded) {
        const int delay = state->demanded ? onDelay : offDelay;
        if (time - state->demandedSince >= delay)
            state->switched = state->demanded;
    }
    return state->switched;
}

quint8 SimulatedSensor::statusBits()
{
    Lock lock(m_mutex);
    const qint64 time = now();
    const double bar = pressureAt(time);
    const int raw = int(std::round(bar * m_decVal));
    quint8 bits = 0;

    if (rawOf(QStringLiteral("PinFunctionA1")) == 0) {
        const bool on = updateOutput(&m_outputs[0], rawOf(QStringLiteral("ThresholdsPressure1A1")),
                                     rawOf(QStringLiteral("ThresholdsPressure2A1")),
                                     rawOf(QStringLiteral("OnDelay1")),
                                     rawOf(QStringLiteral("OffDelay1")), time, raw);
        if (on != (rawOf(QStringLiteral("NONCA1")) == 1))
            bits |= 0x01;
    } else {
        m_outputs[0] = OutputState();
    }

    const int function2 = rawOf(QStringLiteral("PinFunctionA2"));
    if (function2 == 1) {
        const bool on = updateOutput(&m_outputs[1], rawOf(QStringLiteral("ThresholdsPressure1A2")),
                                     rawOf(QStringLiteral("ThresholdsPressure2A2")),
                                     rawOf(QStringLiteral("OnDelay2")),
                                     rawOf(QStringLiteral("OffDelay2")), time, raw);
        if (on != (rawOf(QStringLiteral("NONCA2")) == 1))
            bits |= 0x02;
    } else {
        m_outputs[1] = OutputState();
        if (function2 == 4 && rawOf(QStringLiteral("RemoteSwitchingOutput")) != 0)
            bits |= 0x02;
    }

    if (bar < m_minRange || bar > m_maxRange)
        bits |= 0x04;
    return bits;
}

int SimulatedSensor::rawOf(const QString &id) const
{
    const auto it = m_keys.constFind(id);
    return it == m_keys.constEnd() ? 0 : m_memory.value(*it).raw;
}

bool SimulatedSensor::isPressure(const ParameterSpec &param) const
{
    return param.type == QLatin1String("double") && param.id.contains(QLatin1String("Pressure"));
}

int SimulatedSensor::factoryRaw(const ParameterSpec &param) const
{
    bool ok = false;
    const int fileDefault = param.defaultValue.toInt(&ok);
    const int value = ok ? fileDefault : 0;
    if (isPressure(param)) {
        double bar;
        if (param.id.startsWith(QLatin1String("ThresholdsPressure1")))
            bar = m_maxRange * 0.5;
        else if (param.id.startsWith(QLatin1String("ThresholdsPressure2")))
            bar = m_maxRange * 0.25;
        else if (param.id == QLatin1String("analogPressure0V"))
            bar = qMax(m_minRange, 0.0);
        else if (param.id == QLatin1String("analogPressure10V"))
            bar = m_maxRange;
        else
            bar = qBound(m_minRange, double(value), m_maxRange);
        return int(std::round(bar * m_decVal));
    }
    if (param.type == QLatin1String("double"))
        return value * 100;
    if (param.type == QLatin1String("enumerator"))
        return choiceCode(param.id, value);
    if (param.type == QLatin1String("bool"))
        return value != 0 ? 1 : 0;
    if (param.type == QLatin1String("action"))
        return 0;
    return value;
}

void SimulatedSensor::restoreFactorySettings()
{
    Lock lock(m_mutex);
    restoreLocked();
}

void SimulatedSensor::restoreLocked()
{
    for (Slot &slot : m_memory) {
        const ParameterSpec &param = slot.param;
        slot.raw = 0;
        slot.text.clear();
        if (param.type != QLatin1String("string")) {
            slot.raw = factoryRaw(param);
            continue;
        }
        switch (param.index) {
        case 16:
            slot.text = vendorName().toLatin1();
            break;
        case 18:
            slot.text = m_productName.toLatin1();
            break;
        case 19:
            slot.text = m_productId.toLatin1();
            break;
        case 21:
            slot.text = QByteArray("SIM") + QByteArray::number(qHash(m_productId) % 1000000);
            break;
        case 23:
            slot.text = QByteArrayLiteral("V1.0.0");
            break;
        default:
            slot.text = param.defaultValue.toUtf8();
            break;
        }
    }
}

bool SimulatedSensor::validRaw(const ParameterSpec &param, int raw) const
{
    if (isPressure(param))
        return raw >= std::floor(m_minRange * m_decVal) && raw <= std::ceil(m_maxRange * m_decVal);
    if (param.type == QLatin1String("double"))
        return raw >= param.min * 100 && raw <= param.max * 100;
    if (param.type == QLatin1String("int"))
        return raw >= param.min && raw <= param.max;
    if (param.type == QLatin1String("bool") || param.type == QLatin1String("action"))
        return raw == 0 || raw == 1;
    if (param.type == QLatin1String("enumerator")) {
        if (param.itemCount == 0)
            return true;
        for (int choice = 0; choice < param.itemCount; ++choice) {
            if (choiceCode(param.id, choice) == raw)
                return true;
        }
        return false;
    }
    return true;
}

SimulatedSensor::ReadResult SimulatedSensor::read(int index, int subIndex) const
{
    Lock lock(m_mutex);
    ReadResult result;
    if (index == SystemCommandIndex) {
        result.error = IsduAccessDenied; // the system command can only be written
        return result;
    }
    const auto it = m_memory.constFind(key(index, subIndex));
    if (it == m_memory.constEnd()) {
        bool indexKnown = false;
        for (const Slot &slot : m_memory)
            indexKnown = indexKnown || slot.param.index == index;
        result.error = indexKnown ? IsduSubindexNotAvailable : IsduIndexNotAvailable;
        return result;
    }
    if (it->param.type == QLatin1String("string")) {
        result.value = it->text;
    } else if (it->param.size == 6) {
        result.value.append(char(it->raw & 0xFF));
    } else {
        result.value.append(char((it->raw >> 8) & 0xFF));
        result.value.append(char(it->raw & 0xFF));
    }
    return result;
}

quint16 SimulatedSensor::write(int index, int subIndex, const QByteArray &value)
{
    Lock lock(m_mutex);
    if (index == SystemCommandIndex) {
        if (value.size() != 1)
            return value.size() > 1 ? IsduLengthOverrun : IsduLengthUnderrun;
        if (quint8(value.at(0)) != RestoreFactorySettings)
            return IsduValueOutOfRange;
        restoreLocked();
        return 0;
    }
    const auto it = m_memory.find(key(index, subIndex));
    if (it == m_memory.end()) {
        bool indexKnown = false;
        for (const Slot &slot : m_memory)
            indexKnown = indexKnown || slot.param.index == index;
        return indexKnown ? IsduSubindexNotAvailable : IsduIndexNotAvailable;
    }
    if (it->param.readOnly)
        return IsduAccessDenied;
    if (it->param.type == QLatin1String("string")) {
        if (value.size() > MaxTextLength)
            return IsduLengthOverrun;
        it->text = value;
        return 0;
    }
    const int length = it->param.size == 6 ? 1 : 2;
    if (value.size() != length)
        return value.size() > length ? IsduLengthOverrun : IsduLengthUnderrun;
    int raw = length == 1 ? quint8(value.at(0))
                          : (quint8(value.at(0)) << 8 | quint8(value.at(1)));
    // Two-byte pressures are signed.
    if (length == 2 && isPressure(it->param))
        raw = qint16(quint16(raw));
    if (!validRaw(it->param, raw))
        return IsduValueOutOfRange;
    it->raw = raw;
    return 0;
}

const ParameterSpec *SimulatedSensor::parameter(const QString &id) const
{
    Lock lock(m_mutex);
    const auto it = m_keys.constFind(id);
    if (it == m_keys.constEnd())
        return nullptr;
    const auto slot = m_memory.constFind(*it);
    return slot == m_memory.constEnd() ? nullptr : &slot->param;
}

bool SimulatedSensor::hasParameter(const QString &id) const
{
    Lock lock(m_mutex);
    return m_keys.contains(id);
}

int SimulatedSensor::rawValue(const QString &id) const
{
    Lock lock(m_mutex);
    return rawOf(id);
}

QString SimulatedSensor::text(const QString &id) const
{
    Lock lock(m_mutex);
    const auto it = m_keys.constFind(id);
    return it == m_keys.constEnd() ? QString() : QString::fromLatin1(m_memory.value(*it).text);
}

bool SimulatedSensor::setRawValue(const QString &id, int raw)
{
    Lock lock(m_mutex);
    const auto it = m_keys.constFind(id);
    if (it == m_keys.constEnd())
        return false;
    m_memory[*it].raw = raw;
    return true;
}

} // namespace IoLinkSim
