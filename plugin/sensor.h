#pragma once

#include "extensionsystem/sensorbasic.h"

#include <boost/property_tree/ptree.hpp>

#include <sstream>
#include <string>

namespace OrvexSensorPlugin {
namespace Core {

// One entry of the sensor catalogue: what the host knows of it, plus the
// complete entry as a tree (port timing, the variants of the model).
class Sensor : public ExtensionSystem::SensorBasic
{
public:
    Sensor();
    Sensor(const Sensor &other);
    Sensor &operator=(const Sensor &other);
    virtual ~Sensor();

    // Takes one entry's XML from the stream: the whole entry into tree, id and
    // name through the host's reader, whose result is returned. An entry that
    // is not XML leaves tree as it was.
    bool fromXMLStream(std::stringstream &in);

    // Port timing of the serial line in ms; 0 when missing or not a number.
    int getCharacterDelay() const;
    int getLineDelay() const;

    // The variants of the model; an empty tree when the entry has none.
    const boost::property_tree::ptree &getSensorsTree() const;

    std::string language() const;

    // The entry's children are the tree's top-level children.
    boost::property_tree::ptree tree;

private:
    std::string m_language;
};

} // namespace Core
} // namespace OrvexSensorPlugin
