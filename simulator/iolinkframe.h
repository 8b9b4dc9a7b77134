#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace IoLinkSim {

// Control octets of the master's requests (third byte of every frame).
enum ControlOctet : quint8 {
    CtrlSetup = 0x11,
    CtrlProbe = 0x12,
    CtrlPortMode = 0x21,
    CtrlProcessData = 0x22,
    CtrlWrite = 0x24,
    CtrlRead = 0x26,
    CtrlFetch = 0x27,
};

// IO-Link ISDU error codes carried after "ERROR" in a refused answer.
enum IsduError : quint16 {
    IsduApplicationError = 0x8000,
    IsduIndexNotAvailable = 0x8011,
    IsduSubindexNotAvailable = 0x8012,
    IsduAccessDenied = 0x8023,
    IsduValueOutOfRange = 0x8030,
    IsduLengthOverrun = 0x8033,
    IsduLengthUnderrun = 0x8034,
    IsduFunctionNotAvailable = 0x8035,
};

// The 6-bit IO-Link checksum over a check octet whose six checksum bits are zero
// and whose type bits are 01, followed by the control octet and `count` bytes.
quint8 checksum6(quint8 controlOctet, const quint8 *bytes, int count);
// 0x40 | checksum6(): the second byte of a frame.
quint8 checkOctet(quint8 controlOctet, const QByteArray &data, int count = -1);

// [L][CK][CTRL][data…] with the check over `checkedCount` data bytes (all by default).
QByteArray makeFrame(quint8 controlOctet, const QByteArray &data, int checkedCount = -1);

// Parameter requests for size code 6 (one-byte value) and 7 (two-byte value).
QByteArray readRequest(int index, int subIndex, int sizeCode);
QByteArray writeRequest(int index, int subIndex, int sizeCode, quint16 raw);

// [L][CK][CTRL]"ERROR"[code high][code low]
QByteArray errorAnswer(quint8 controlOctet, quint16 isduCode);

// Frame text for logs: "06 6b 24 02 00 00 82".
QByteArray toHexText(const QByteArray &bytes);
// Accepts "066B24", "06 6b 24" and the like; an odd digit count or a non-digit gives empty.
QByteArray fromHexText(const QByteArray &text);

} // namespace IoLinkSim
