#pragma once

#include "iolinkframe.h"
#include "mastersimulator.h"
#include "sensordescription.h"

#include <QByteArray>
#include <QString>

namespace SimTest {

inline QString dataFilePath()
{
    return QStringLiteral(SIM_TEST_DATA_FILE);
}

inline IoLinkSim::SensorDescription loadDescription()
{
    IoLinkSim::SensorDescription description;
    description.load(dataFilePath());
    return description;
}

// What the plug-in does with an identification answer: drop the zero bytes, then the header.
inline QByteArray payload(QByteArray answer, int headerLength)
{
    answer.replace(QByteArray(1, '\0'), QByteArray());
    return answer.size() > 3 ? answer.mid(headerLength) : answer;
}

inline QByteArray fetch()
{
    return IoLinkSim::makeFrame(IoLinkSim::CtrlFetch, QByteArray());
}

inline QByteArray poll()
{
    return IoLinkSim::makeFrame(IoLinkSim::CtrlProcessData, QByteArray());
}

// The fixed exchange that identifies the sensor; returns the final fetch answer.
inline QByteArray identify(IoLinkSim::MasterSimulator &master)
{
    for (const char *hex : {"03511201", "0473110903", "027022", "03702103", "054626130000",
                            "027022", "027022"})
        master.handle(QByteArray::fromHex(hex));
    return master.handle(fetch()).bytes;
}

} // namespace SimTest
