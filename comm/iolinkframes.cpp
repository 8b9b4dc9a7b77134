#include "comm/iolinkframes.h"

#include <QCoreApplication>

#include <QStringList>

namespace OrvexSensorPlugin {
namespace Core {

namespace {

constexpr quint8 controlWrite = 0x24;
constexpr quint8 controlRead = 0x26;
constexpr quint8 checkTypeBits = 0x40;

std::string bytes(std::initializer_list<quint8> list)
{
    return std::string(list.begin(), list.end());
}

quint8 byteAt(const QByteArray &data, int position)
{
    return static_cast<quint8>(data.at(position));
}

} // namespace

const std::string probeRequest = bytes({0x03, 0x51, 0x12, 0x01});
const std::string setupRequest = bytes({0x04, 0x73, 0x11, 0x09, 0x03});
const std::string processDataRequest = bytes({0x02, 0x70, 0x22});
const std::string portModeRequest = bytes({0x03, 0x70, 0x21, 0x03});
const std::string productIdRequest = bytes({0x05, 0x46, 0x26, 0x13, 0x00, 0x00});
const std::string fetchRequest = bytes({0x02, 0x73, 0x27});
// Index 2 (system command), subindex 0, value 0x82: restore factory settings.
const std::string factoryResetRequest = bytes({0x06, 0x6B, 0x24, 0x02, 0x00, 0x00, 0x82});

quint8 checksum6(quint8 controlOctet, const quint8 *bytes, int count)
{
    // 0x12 is the seed 0x52 folded with the check octet's type bits 01.
    quint8 c = 0x12 ^ controlOctet;
    for (int i = 0; i < count; ++i)
        c ^= bytes[i];
    auto bit = [c](int n) { return (c >> n) & 1; };
    const int r5 = bit(7) ^ bit(5) ^ bit(3) ^ bit(1);
    const int r4 = bit(6) ^ bit(4) ^ bit(2) ^ bit(0);
    const int r3 = bit(7) ^ bit(6);
    const int r2 = bit(5) ^ bit(4);
    const int r1 = bit(3) ^ bit(2);
    const int r0 = bit(1) ^ bit(0);
    return static_cast<quint8>(r5 << 5 | r4 << 4 | r3 << 3 | r2 << 2 | r1 << 1 | r0);
}

QByteArray extractPayload(std::string answer, int headerLength)
{
    QByteArray data(answer.data(), static_cast<int>(answer.size()));
    if (data.size() > 1) {
        // The byte moved into place i after a removal is not looked at again.
        for (int i = 0; i < data.size(); ++i) {
            if (data.at(i) == 0)
                data.remove(i, 1);
        }
    }
    if (headerLength > 0 && data.size() > 3)
        data.remove(0, headerLength);
    return data;
}

std::optional<ParameterAddress> parseParameterAddress(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(';'));
    if (text.isEmpty() || parts.size() < 3)
        return std::nullopt;
    bool okIndex = false;
    bool okSub = false;
    bool okSize = false;
    ParameterAddress address;
    address.index = parts.first().trimmed().toInt(&okIndex);
    address.subIndex = parts.at(1).trimmed().toInt(&okSub);
    address.sizeCode = parts.last().trimmed().toInt(&okSize);
    if (!okIndex || !okSub || !okSize)
        return std::nullopt;
    return address;
}

bool isSupportedSizeCode(int sizeCode)
{
    return sizeCode == 6 || sizeCode == 7;
}

std::optional<std::string> buildReadRequest(const ParameterAddress &address)
{
    if (!isSupportedSizeCode(address.sizeCode))
        return std::nullopt;
    const quint8 data[3] = {static_cast<quint8>(address.index & 0xFF),
                            static_cast<quint8>((address.index >> 8) & 0xFF),
                            static_cast<quint8>(address.subIndex & 0xFF)};
    const quint8 check = checkTypeBits | checksum6(controlRead, data, address.sizeCode - 4);
    return bytes({0x05, check, controlRead, data[0], data[1], data[2]});
}

std::optional<std::string> buildWriteRequest(const ParameterAddress &address, int raw)
{
    if (!isSupportedSizeCode(address.sizeCode))
        return std::nullopt;
    std::string data = bytes({static_cast<quint8>(address.index & 0xFF),
                              static_cast<quint8>((address.index >> 8) & 0xFF),
                              static_cast<quint8>(address.subIndex & 0xFF)});
    if (address.sizeCode == 7)
        data.push_back(static_cast<char>((raw >> 8) & 0xFF));
    data.push_back(static_cast<char>(raw & 0xFF));

    const auto *dataBytes = reinterpret_cast<const quint8 *>(data.data());
    const quint8 check = checkTypeBits
        | checksum6(controlWrite, dataBytes, static_cast<int>(data.size()));
    return bytes({static_cast<quint8>(address.sizeCode), check, controlWrite}) + data;
}

bool isUsableAnswer(const QByteArray &answer)
{
    return !answer.isEmpty() && !answer.contains("ERROR");
}

namespace {

// Shown in the window's messages, so translated in the window's context.
struct Refusal
{
    int code;
    const char *text;
};
const Refusal refusals[] = {
    {0x8000, QT_TRANSLATE_NOOP("OrvexSensorPlugin::Core::SensorWindow",
                               "the request was damaged on the line")},
    {0x8011, QT_TRANSLATE_NOOP("OrvexSensorPlugin::Core::SensorWindow", "index not available")},
    {0x8012, QT_TRANSLATE_NOOP("OrvexSensorPlugin::Core::SensorWindow",
                               "subindex not available")},
    {0x8023, QT_TRANSLATE_NOOP("OrvexSensorPlugin::Core::SensorWindow", "access denied")},
    {0x8030, QT_TRANSLATE_NOOP("OrvexSensorPlugin::Core::SensorWindow", "value out of range")},
    {0x8033, QT_TRANSLATE_NOOP("OrvexSensorPlugin::Core::SensorWindow", "value too long")},
    {0x8034, QT_TRANSLATE_NOOP("OrvexSensorPlugin::Core::SensorWindow", "value too short")},
    {0x8035, QT_TRANSLATE_NOOP("OrvexSensorPlugin::Core::SensorWindow",
                               "function not available")},
};

} // namespace

bool fitsSizeCode(const QByteArray &answer, int sizeCode)
{
    const int expected = sizeCode == 6 ? 5 : sizeCode == 7 ? 6 : -1;
    return answer.size() == expected && quint8(answer.at(0)) == expected - 1
        && quint8(answer.at(2)) == 0x27 && answer.at(3) == '\0' && !answer.contains("ERROR");
}

bool isProcessDataAnswer(const QByteArray &answer)
{
    return answer.size() >= 8 && quint8(answer.at(2)) == 0x22 && answer.at(3) == '\0'
        && !answer.contains("ERROR");
}

int refusalCode(const QByteArray &answer)
{
    const int at = answer.indexOf("ERROR");
    if (at < 0 || answer.size() < at + 7)
        return 0;
    return (quint8(answer.at(at + 5)) << 8) | quint8(answer.at(at + 6));
}

QString refusalText(int code)
{
    const char *const context = "OrvexSensorPlugin::Core::SensorWindow";
    for (const Refusal &refusal : refusals) {
        if (refusal.code == code)
            return QCoreApplication::translate(context, refusal.text);
    }
    return QCoreApplication::translate("OrvexSensorPlugin::Core::SensorWindow", "error %1")
        .arg(code, 4, 16, QLatin1Char('0'));
}

unsigned int decodeValueNumber(const QByteArray &answer)
{
    if (answer.isEmpty())
        return 0;
    // The first byte's two hex digits taken as a decimal number: the master's
    // length byte for the answers this is meant for.
    const QByteArray digits = answer.left(1).toHex();
    int n = 0;
    if (digits.size() == 2 && QChar(digits.at(0)).isDigit() && QChar(digits.at(1)).isDigit())
        n = digits.toInt();
    if (n > 4 && answer.size() >= 5)
        return decodeLastTwoUnsigned(answer);
    return byteAt(answer, answer.size() - 1);
}

unsigned int decodeLastTwoUnsigned(const QByteArray &answer)
{
    if (answer.isEmpty())
        return 0;
    if (answer.size() == 1)
        return byteAt(answer, 0);
    return static_cast<unsigned int>(byteAt(answer, answer.size() - 2)) << 8
        | byteAt(answer, answer.size() - 1);
}

int decodeSignedRaw(const QByteArray &answer)
{
    const unsigned int last = decodeLastTwoUnsigned(answer);
    if (answer.size() < 5 && answer.size() >= 2 && last == 0xA700)
        return 0;
    return static_cast<qint16>(static_cast<quint16>(last));
}

double decodeDoubleValue(const QString &id, int raw, double decVal)
{
    if (id.contains(QLatin1String("Pressure")))
        return raw / decVal;
    return raw * 0.01;
}

int enumIndexFromRaw(const QString &id, unsigned int raw)
{
    const int v = static_cast<int>(raw);
    if (id == QLatin1String("DataStorageLock"))
        return v == 2 ? 1 : v;
    if (id == QLatin1String("PinFunctionA2"))
        return v == 1 ? 0 : v - 2;
    return v;
}

QString decodeStringAnswer(const QByteArray &answer)
{
    const QByteArray text = extractPayload(answer.toStdString(), 0).mid(3);
    return QString::fromLatin1(text.constData(), text.size());
}

} // namespace Core
} // namespace OrvexSensorPlugin
