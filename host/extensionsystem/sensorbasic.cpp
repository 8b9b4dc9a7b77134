#include "extensionsystem/sensorbasic.h"

#include <boost/property_tree/ptree.hpp>
#include <boost/property_tree/xml_parser.hpp>

#include <iterator>

namespace ExtensionSystem {

bool SensorBasic::fromXMLStream(std::stringstream &in)
{
    // Take the text without touching the stream's flags, then leave the stream
    // usable for the next entry that a caller writes behind this one.
    std::string text{std::istreambuf_iterator<char>(in.rdbuf()), std::istreambuf_iterator<char>()};
    in.clear();

    boost::property_tree::ptree tree;
    try {
        std::istringstream entry(text);
        boost::property_tree::read_xml(entry, tree,
                                       boost::property_tree::xml_parser::trim_whitespace
                                           | boost::property_tree::xml_parser::no_comments);
    } catch (const std::exception &) {
        return false;
    }

    const auto id = tree.get_optional<std::string>("id");
    const auto name = tree.get_optional<std::string>("name");
    if (!id || !name || id->empty() || name->empty())
        return false;
    m_id = *id;
    m_name = *name;
    m_description = tree.get<std::string>("description", std::string());
    return true;
}

} // namespace ExtensionSystem
