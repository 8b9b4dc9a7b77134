#include "linkmonitor/linkdecoder.h"

namespace LinkMonitor {

namespace {

using Meaning = LinkDecoder::Meaning;
using Outcome = LinkDecoder::Outcome;

int byteAt(const QByteArray &bytes, int i)
{
    return quint8(bytes.at(i));
}

QString hexByte(int value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

QString identificationName(int index)
{
    switch (index) {
    case 16: return QStringLiteral("vendor");
    case 18: return QStringLiteral("product name");
    case 19: return QStringLiteral("ProductID");
    case 21: return QStringLiteral("serial number");
    case 23: return QStringLiteral("firmware revision");
    default: return QString();
    }
}

// Read: [05 CK 26 il ih si]; the subindex byte may be missing in a short request.
Meaning readRequest(const QByteArray &bytes)
{
    if (bytes.size() < 5)
        return {Outcome::Unusable, QStringLiteral("read, too short"), false};
    const int index = byteAt(bytes, 3) | byteAt(bytes, 4) << 8;
    const int subindex = bytes.size() > 5 ? byteAt(bytes, 5) : 0;
    const QString address = QStringLiteral("%1.%2").arg(index).arg(subindex);
    const QString name = identificationName(index);
    if (!name.isEmpty())
        return {Outcome::Request,
                QStringLiteral("identification: read %1 (%2)").arg(address, name), false};
    return {Outcome::Request, QStringLiteral("read %1").arg(address), false};
}

// Write: [06 CK 24 il ih si v] or [07 CK 24 il ih si vh vl].
Meaning writeRequest(const QByteArray &bytes)
{
    if (bytes.size() != 7 && bytes.size() != 8)
        return {Outcome::Unusable, QStringLiteral("write of %1 bytes").arg(bytes.size()), false};
    const int index = byteAt(bytes, 3) | byteAt(bytes, 4) << 8;
    const int subindex = byteAt(bytes, 5);
    const int value =
        bytes.size() == 7 ? byteAt(bytes, 6) : byteAt(bytes, 6) << 8 | byteAt(bytes, 7);
    if (index == 2 && value == 0x82)
        return {Outcome::Request, QStringLiteral("factory reset"), false};
    return {Outcome::Request,
            QStringLiteral("write %1.%2 = %3").arg(index).arg(subindex).arg(value), false};
}

// Fetch answer: [L CK 27 00 value…]: no value, one or two bytes big-endian, or a text.
Meaning fetchAnswer(const QByteArray &bytes)
{
    if (bytes.size() < 4 || bytes.at(3) != 0)
        return {Outcome::Unusable, QStringLiteral("garbage"), false};
    const QByteArray value = bytes.mid(4);
    if (value.isEmpty())
        return {Outcome::Answer, QStringLiteral("no value"), false};
    if (value.size() <= 2) {
        const int number =
            value.size() == 1 ? byteAt(value, 0) : byteAt(value, 0) << 8 | byteAt(value, 1);
        return {Outcome::Answer, QStringLiteral("value %1").arg(number), false};
    }
    QByteArray text = value;
    text.replace('\0', QByteArray());
    return {Outcome::Answer, QStringLiteral("text \"%1\"").arg(QString::fromLatin1(text)), false};
}

// Process data: [07 CK 22 00 PH PL 00 ST].
Meaning processDataAnswer(const QByteArray &bytes)
{
    if (bytes.size() != 8 || bytes.at(3) != 0)
        return {Outcome::Unusable, QStringLiteral("garbage"), true};
    const int raw = qint16(quint16(byteAt(bytes, 4) << 8 | byteAt(bytes, 5)));
    const int status = byteAt(bytes, 7);
    const auto state = [](bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); };
    QString text = QStringLiteral("pressure raw %1, output 1 %2, output 2 %3")
                       .arg(raw)
                       .arg(state(status & 1), state(status & 2));
    if (status & 4)
        text += QStringLiteral(", signal too low");
    return {Outcome::ProcessData, text, true};
}

Meaning acknowledgement(const QByteArray &bytes)
{
    if (bytes.size() != 3)
        return {Outcome::Unusable, QStringLiteral("garbage"), false};
    return {Outcome::Answer, QStringLiteral("acknowledged"), false};
}

} // namespace

bool LinkDecoder::hasValidCheckOctet(const QByteArray &frame)
{
    if (frame.size() < 3)
        return false;
    int c = 0x12;  // the seed 0x52 with the check octet's type bits 01 folded in
    for (int i = 2; i < frame.size(); ++i)
        c ^= byteAt(frame, i);
    const auto bit = [c](int n) { return (c >> n) & 1; };
    const int sum = (bit(7) ^ bit(5) ^ bit(3) ^ bit(1)) << 5
                    | (bit(6) ^ bit(4) ^ bit(2) ^ bit(0)) << 4 | (bit(7) ^ bit(6)) << 3 | (bit(5) ^ bit(4)) << 2 | (bit(3) ^ bit(2)) << 1
                    | (bit(1) ^ bit(0));
    return byteAt(frame, 1) == (0x40 | sum);
}

QString LinkDecoder::isduErrorText(int code)
{
    switch (code) {
    case 0x8000: return QStringLiteral("bad check octet");
    case 0x8011: return QStringLiteral("index not available");
    case 0x8012: return QStringLiteral("subindex not available");
    case 0x8023: return QStringLiteral("access denied");
    case 0x8030: return QStringLiteral("value out of range");
    case 0x8033: return QStringLiteral("length overrun");
    case 0x8034: return QStringLiteral("length underrun");
    case 0x8035: return QStringLiteral("function not available");
    default: return QStringLiteral("unknown error");
    }
}

LinkDecoder::Meaning LinkDecoder::request(const QByteArray &bytes)
{
    if (bytes.size() < 3 || bytes.size() != 1 + byteAt(bytes, 0))
        return {Outcome::Unusable, QStringLiteral("wrong length"), false};
    switch (byteAt(bytes, 2)) {
    case 0x12: return {Outcome::Request, QStringLiteral("probe"), false};
    case 0x11: return {Outcome::Request, QStringLiteral("port set-up"), false};
    case 0x21: return {Outcome::Request, QStringLiteral("port mode"), false};
    case 0x22: return {Outcome::Request, QStringLiteral("process data"), true};
    case 0x26: return readRequest(bytes);
    case 0x27: return {Outcome::Request, QStringLiteral("fetch"), false};
    case 0x24: return writeRequest(bytes);
    default:
        return {Outcome::Unusable,
                QStringLiteral("unknown control octet %1").arg(hexByte(byteAt(bytes, 2))), false};
    }
}

LinkDecoder::Meaning LinkDecoder::answer(const QByteArray &bytes, const QByteArray &request)
{
    const bool poll = request.size() >= 3 && byteAt(request, 2) == 0x22;
    if (bytes.isEmpty())
        return {Outcome::Timeout, QStringLiteral("time-out"), poll};
    if (bytes.size() < 3 || bytes.size() != 1 + byteAt(bytes, 0))
        return {Outcome::Unusable, QStringLiteral("wrong length"), poll};
    if (!hasValidCheckOctet(bytes))
        return {Outcome::Unusable, QStringLiteral("bad check octet"), poll};
    const int control = byteAt(bytes, 2);
    if (request.size() >= 3 && control != byteAt(request, 2))
        return {Outcome::Unusable,
                QStringLiteral("other control octet %1 (a late answer)").arg(hexByte(control)),
                poll};
    if (bytes.size() == 10 && bytes.mid(3, 5) == "ERROR") {
        const int code = byteAt(bytes, 8) << 8 | byteAt(bytes, 9);
        const QString text = QStringLiteral("ERROR %1: %2")
                                 .arg(code, 4, 16, QLatin1Char('0'))
                                 .arg(isduErrorText(code));
        return {Outcome::Refusal, text, poll};
    }
    switch (control) {
    case 0x12:
        if (bytes.size() != 4)
            return {Outcome::Unusable, QStringLiteral("garbage"), false};
        if (byteAt(bytes, 3) == 0x81)
            return {Outcome::Answer, QStringLiteral("master: device operating on port 1"), false};
        return {Outcome::Answer, QStringLiteral("master state %1").arg(hexByte(byteAt(bytes, 3))),
                false};
    case 0x22: return processDataAnswer(bytes);
    case 0x27: return fetchAnswer(bytes);
    case 0x11:
    case 0x21:
    case 0x24:
    case 0x26: return acknowledgement(bytes);
    default: return {Outcome::Unusable, QStringLiteral("garbage"), false};
    }
}

} // namespace LinkMonitor
