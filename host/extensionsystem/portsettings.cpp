#include "extensionsystem/portsettings.h"

namespace ExtensionSystem {

PortSettings::PortSettings()
{
    vInit();
}

void PortSettings::vInit()
{
    portName.clear();
    characterDelay = 0;
    lineDelay = 0;
    interFrameDelay = 0;
    baudRate = 38400;
    dataBits = 8;
    parity = 'E';
    stopBits = 1;
}

const QList<qint32> &PortSettings::baudRates()
{
    // IO-Link COM1, COM2 and COM3 rates sit at positions 0, 2 and 5.
    static const QList<qint32> rates{4800, 19200, 38400, 57600, 115200, 230400};
    return rates;
}

void PortSettings::vSetBaudrateDefault(int index)
{
    const QList<qint32> &rates = baudRates();
    if (index >= 0 && index < rates.size())
        baudRate = rates.at(index);
}

bool operator==(const PortSettings &a, const PortSettings &b)
{
    return a.portName == b.portName && a.characterDelay == b.characterDelay
        && a.lineDelay == b.lineDelay && a.interFrameDelay == b.interFrameDelay
        && a.baudRate == b.baudRate && a.dataBits == b.dataBits && a.parity == b.parity
        && a.stopBits == b.stopBits;
}

} // namespace ExtensionSystem
