#include "simulator/iolinkframe.h"

#include <cctype>

namespace IoLinkSim {

quint8 checksum6(quint8 controlOctet, const quint8 *bytes, int count)
{
    // 0x12 is the seed 0x52 folded with the check octet's type bits 01.
    quint8 c = 0x12 ^ controlOctet;
    for (int i = 0; i < count; ++i)
        c ^= bytes[i];
    const auto bit = [c](int n) { return (c >> n) & 1; };
    const int r5 = bit(7) ^ bit(5) ^ bit(3) ^ bit(1);
    const int r4 = bit(6) ^ bit(4) ^ bit(2) ^ bit(0);
    const int r3 = bit(7) ^ bit(6);
    const int r2 = bit(5) ^ bit(4);
    const int r1 = bit(3) ^ bit(2);
    const int r0 = bit(1) ^ bit(0);
    return quint8((r5 << 5) | (r4 << 4) | (r3 << 3) | (r2 << 2) | (r1 << 1) | r0);
}

quint8 checkOctet(quint8 controlOctet, const QByteArray &data, int count)
{
    if (count < 0 || count > data.size())
        count = data.size();
    return 0x40 | checksum6(controlOctet, reinterpret_cast<const quint8 *>(data.constData()),
                            count);
}

QByteArray makeFrame(quint8 controlOctet, const QByteArray &data, int checkedCount)
{
    QByteArray frame;
    frame.reserve(data.size() + 3);
    frame.append(char(data.size() + 2));
    frame.append(char(checkOctet(controlOctet, data, checkedCount)));
    frame.append(char(controlOctet));
    frame.append(data);
    return frame;
}

static QByteArray addressBytes(int index, int subIndex)
{
    QByteArray address;
    address.append(char(index & 0xFF));
    address.append(char((index >> 8) & 0xFF));
    address.append(char(subIndex & 0xFF));
    return address;
}

QByteArray readRequest(int index, int subIndex, int sizeCode)
{
    // The check covers the two index bytes for size 6, all three address bytes for size 7.
    return makeFrame(CtrlRead, addressBytes(index, subIndex), sizeCode - 4);
}

QByteArray writeRequest(int index, int subIndex, int sizeCode, quint16 raw)
{
    QByteArray data = addressBytes(index, subIndex);
    if (sizeCode == 7)
        data.append(char(raw >> 8));
    data.append(char(raw & 0xFF));
    return makeFrame(CtrlWrite, data);
}

QByteArray errorAnswer(quint8 controlOctet, quint16 isduCode)
{
    QByteArray data("ERROR");
    data.append(char(isduCode >> 8));
    data.append(char(isduCode & 0xFF));
    return makeFrame(controlOctet, data);
}

QByteArray toHexText(const QByteArray &bytes)
{
    return bytes.toHex(' ');
}

QByteArray fromHexText(const QByteArray &text)
{
    QByteArray digits;
    for (char ch : text) {
        if (ch == ' ' || ch == ':' || ch == '\t')
            continue;
        if (!std::isxdigit(static_cast<unsigned char>(ch)))
            return {};
        digits.append(ch);
    }
    if (digits.size() % 2)
        return {};
    return QByteArray::fromHex(digits);
}

} // namespace IoLinkSim
