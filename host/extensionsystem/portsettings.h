#pragma once

#include "extensionsystem/extensionsystem_global.h"

#include <QList>
#include <QString>

namespace ExtensionSystem {

// Settings of one serial port as the host opens it for a plug-in.
class EXTENSIONSYSTEM_EXPORT PortSettings
{
public:
    PortSettings();
    PortSettings(const PortSettings &other) = default;
    PortSettings &operator=(const PortSettings &other) = default;

    // Back to the defaults: no port, no delays, the default baud rate.
    void vInit();
    // Selects a baud rate from the table by position (see baudRates()).
    void vSetBaudrateDefault(int index);

    static const QList<qint32> &baudRates();

    QString portName;
    int characterDelay = 0;   // ms after every character written
    int lineDelay = 0;        // ms after every complete request
    int interFrameDelay = 0;  // ms between two frames
    qint32 baudRate = 38400;
    int dataBits = 8;
    char parity = 'E';        // 'N', 'E' or 'O'
    int stopBits = 1;
};

bool EXTENSIONSYSTEM_EXPORT operator==(const PortSettings &a, const PortSettings &b);

} // namespace ExtensionSystem
