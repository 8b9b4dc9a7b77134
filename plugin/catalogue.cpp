#include "plugin/catalogue.h"

#include "plugin/pluginpaths.h"
#include "plugin/xmldepthguard.h"

#include <boost/property_tree/ptree.hpp>
#include <boost/property_tree/xml_parser.hpp>

#include <sstream>

namespace OrvexSensorPlugin {
namespace Core {

namespace pt = boost::property_tree;

namespace {
const char *const documentId = "IoLinkZT4Kfamily";

// The children of document.sensorList of our own catalogue, or null.
const pt::ptree *readCatalogueEntries(pt::ptree &document)
{
    const QString path = pluginFilePath(QStringLiteral(".xml"));
    if (!readXmlFileGuarded(path, document,
                            pt::xml_parser::trim_whitespace | pt::xml_parser::no_comments))
        return nullptr;
    const auto id = document.get_optional<std::string>("document.documentId");
    if (!id || *id != documentId)
        return nullptr;
    const auto entries = document.get_child_optional("document.sensorList");
    return entries ? &*entries : nullptr;
}

void writeEntry(std::ostream &out, const pt::ptree &entry)
{
    pt::write_xml(out, entry, pt::xml_writer_make_settings<std::string>(' ', 0, "utf-8"));
}
} // namespace

std::list<ExtensionSystem::SensorBasic> readSensorList()
{
    std::list<ExtensionSystem::SensorBasic> sensors;
    ExtensionSystem::SensorBasic sensor;
    pt::ptree document;
    const pt::ptree *entries = readCatalogueEntries(document);
    if (!entries)
        return sensors;

    // One stream for the whole pass: each entry is appended behind the last,
    // and the host's reader takes the text from where it stopped before.
    std::stringstream stream;
    try {
        for (const auto &entry : *entries) {
            writeEntry(stream, entry.second);
            if (sensor.fromXMLStream(stream))
                sensors.push_back(sensor);
        }
    } catch (...) {
        sensors.clear();
    }
    return sensors;
}

Sensor readSensorByName(const std::string &name)
{
    Sensor sensor;
    pt::ptree document;
    const pt::ptree *entries = readCatalogueEntries(document);
    if (!entries)
        return sensor;

    for (const auto &entry : *entries) {
        // An entry without a name cannot be the one asked for; the list leaves
        // it out as well, so the entries behind it must stay reachable.
        const auto entryName = entry.second.get_optional<std::string>("name");
        if (!entryName || *entryName != name)
            continue;
        try {
            std::stringstream stream;
            writeEntry(stream, entry.second);
            sensor.fromXMLStream(stream);
        } catch (...) {
            // The record as far as it was filled.
        }
        break;
    }
    return sensor;
}

} // namespace Core
} // namespace OrvexSensorPlugin
