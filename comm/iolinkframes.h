#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>
#include <string>

namespace OrvexSensorPlugin {
namespace Core {

// Master requests and the rules for reading their answers. A request is a byte
// string whose first byte counts the bytes that follow it.

// Fixed requests of the master.
extern const std::string probeRequest;        // 03 51 12 01
extern const std::string setupRequest;        // 04 73 11 09 03
extern const std::string processDataRequest;  // 02 70 22
extern const std::string portModeRequest;     // 03 70 21 03
extern const std::string productIdRequest;    // 05 46 26 13 00 00
extern const std::string fetchRequest;        // 02 73 27: the answer of the last read or write
extern const std::string factoryResetRequest; // 06 6B 24 02 00 00 82

// The 6-bit IO-Link checksum over the check octet (checksum bits zero, type
// bits 01), the control octet and `count` data bytes, seed 0x52.
quint8 checksum6(quint8 controlOctet, const quint8 *bytes, int count);

// Drops zero bytes (of two adjacent ones the second stays), then, when more
// than 3 bytes are left, the first headerLength bytes.
QByteArray extractPayload(std::string answer, int headerLength);

// "index;subIndex;size" of the parameter tree, each a decimal number.
struct ParameterAddress
{
    int index = 0;
    int subIndex = 0;
    int sizeCode = 0;
};

// Nothing for an empty text or one that is not three numbers.
std::optional<ParameterAddress> parseParameterAddress(const QString &text);

// Size code 6 holds a one-byte value, 7 a two-byte value; no frame exists for others.
bool isSupportedSizeCode(int sizeCode);

// 05 CK 26 idx-lo idx-hi sub; the check covers size - 4 address bytes.
std::optional<std::string> buildReadRequest(const ParameterAddress &address);

// 06/07 CK 24 idx-lo idx-hi sub value..., the value big-endian, one byte for size 6.
std::optional<std::string> buildWriteRequest(const ParameterAddress &address, int raw);

// An unanswered fetch gives an empty answer; a refused one carries "ERROR".
bool isUsableAnswer(const QByteArray &answer);

// Whether a fetch answer carries a value of this size code: [L][CK] 27 00 and
// one value byte (size 6) or two (size 7), L counting the bytes after it.
bool fitsSizeCode(const QByteArray &answer, int sizeCode);

// Whether a poll's answer is process data: at least 8 bytes, control octet
// 0x22 followed by a zero byte, no refusal.
bool isProcessDataAnswer(const QByteArray &answer);

// The ISDU error code of a refusal (... "ERROR" eh el), 0 when there is none.
int refusalCode(const QByteArray &answer);

// What an ISDU error code means, in words a user understands.
QString refusalText(int code);

// The value of a read answer: the last two bytes big-endian when the first
// byte's hex digits, read as a decimal number, exceed 4 and the answer holds
// at least 5 bytes; otherwise the last byte.
unsigned int decodeValueNumber(const QByteArray &answer);

// The last two bytes as an unsigned big-endian number (bool parameters).
unsigned int decodeLastTwoUnsigned(const QByteArray &answer);

// The last two bytes as a signed 16-bit number; a short answer ending in A7 00
// counts as 0 (double parameters).
int decodeSignedRaw(const QByteArray &answer);

// Value of a double parameter: pressures are raw / decVal, others raw x 0.01.
double decodeDoubleValue(const QString &id, int raw, double decVal);

// Enumeration index shown for a value read from the sensor.
int enumIndexFromRaw(const QString &id, unsigned int raw);

// Text of a string parameter: zero bytes dropped, then the bytes from position 3.
QString decodeStringAnswer(const QByteArray &answer);

} // namespace Core
} // namespace OrvexSensorPlugin
