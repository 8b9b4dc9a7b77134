#pragma once

#include <boost/property_tree/ptree_fwd.hpp>

#include <QString>

#include <cstddef>

#include <string>

namespace OrvexSensorPlugin {
namespace Core {

// Boost's XML reader descends recursively and overflows the stack on deeply
// nested input (about 30,000 levels). Every reader of our XML files checks the
// text against this limit first; real files nest fewer than ten levels.
constexpr int maxXmlNestingDepth = 256;

// Deepest element nesting of an XML text. Comments, CDATA sections, processing
// instructions and declarations do not count. The scan stops as soon as the
// depth exceeds stopAbove and returns that depth.
int xmlNestingDepth(const std::string &text, int stopAbove = maxXmlNestingDepth);

bool isXmlNestingAcceptable(const std::string &text, int maxDepth = maxXmlNestingDepth);

// Parses an XML text with Boost's reader and the given xml_parser flags, after
// the nesting check. Returns false, leaving tree unchanged, when the text nests
// too deep or does not parse; throws nothing.
bool readXmlTextGuarded(const std::string &text, boost::property_tree::ptree &tree, int flags);

// No catalogue or description comes near this size (the real one has 20 kB).
constexpr std::size_t maxXmlFileBytes = 64 * 1024 * 1024;

// The same for a file; the path is converted to Latin-1 for opening. A missing,
// unreadable or larger file gives false, the last without reading it.
bool readXmlFileGuarded(const QString &path, boost::property_tree::ptree &tree, int flags);

} // namespace Core
} // namespace OrvexSensorPlugin
