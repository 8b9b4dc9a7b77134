#include "plugin/sensor.h"

#include "plugin/xmldepthguard.h"

#include "extensionsystem/globals.h"

#include <boost/property_tree/xml_parser.hpp>

#include <QDebug>

#include <iterator>

namespace OrvexSensorPlugin {
namespace Core {

namespace pt = boost::property_tree;

Sensor::Sensor()
    : m_language(ExtensionSystem::Globals::getLanguage())
{
}

Sensor::Sensor(const Sensor &other)
    : ExtensionSystem::SensorBasic()
{
    *this = other;
}

Sensor &Sensor::operator=(const Sensor &other)
{
    if (this == &other)
        return *this;
    ExtensionSystem::SensorBasic::operator=(other);

    // The copy goes through XML text, so that it shares nothing with the source.
    pt::ptree copy;
    try {
        std::stringstream text;
        pt::write_xml(text, other.tree, pt::xml_writer_make_settings<std::string>(' ', 0, "utf-8"));
        pt::read_xml(text, copy);
    } catch (...) {
        copy = other.tree;
    }
    tree.swap(copy);
    m_language = other.m_language;
    return *this;
}

Sensor::~Sensor() = default;

bool Sensor::fromXMLStream(std::stringstream &in)
{
    const std::string text{std::istreambuf_iterator<char>(in.rdbuf()),
                           std::istreambuf_iterator<char>()};
    in.clear();

    // Too deep a text would overflow the stack of the host's reader as well.
    if (!isXmlNestingAcceptable(text))
        return false;

    try {
        std::istringstream entry(text);
        pt::ptree parsed;
        pt::read_xml(entry, parsed, pt::xml_parser::no_comments);
        tree.swap(parsed);
    } catch (const pt::xml_parser_error &) {
        // Not XML: the tree stays as it was; the host's reader decides.
    } catch (...) {
        return false;
    }

    std::stringstream forHost(text);
    return ExtensionSystem::SensorBasic::fromXMLStream(forHost);
}

namespace {

// Delays beyond ten seconds are no real line's; clamped, they also keep the
// time-outs computed from them inside an int.
int boundedDelay(const pt::ptree &tree, const char *path)
{
    const int delay = tree.get<int>(path, 0);
    const int bounded = qBound(0, delay, 10000);
    if (bounded != delay)
        qWarning() << "Catalogue" << path << delay << "ms is outside 0 to 10000, taken as"
                   << bounded;
    return bounded;
}

} // namespace

int Sensor::getCharacterDelay() const
{
    return boundedDelay(tree, "portsettings.characterdelay");
}

int Sensor::getLineDelay() const
{
    return boundedDelay(tree, "portsettings.linedelay");
}

const pt::ptree &Sensor::getSensorsTree() const
{
    static const pt::ptree none;
    return tree.get_child("sensors", none);
}

std::string Sensor::language() const
{
    return m_language;
}

} // namespace Core
} // namespace OrvexSensorPlugin
