#include "plugin/xmldepthguard.h"

#include <boost/property_tree/ptree.hpp>
#include <boost/property_tree/xml_parser.hpp>

#include <fstream>
#include <iterator>
#include <sstream>

namespace OrvexSensorPlugin {
namespace Core {

namespace {
bool startsWithAt(const std::string &text, std::size_t pos, const char *prefix)
{
    return text.compare(pos, std::char_traits<char>::length(prefix), prefix) == 0;
}

// Position just after the terminator, or npos.
std::size_t skipPast(const std::string &text, std::size_t from, const char *terminator)
{
    const std::size_t end = text.find(terminator, from);
    return end == std::string::npos ? end : end + std::char_traits<char>::length(terminator);
}

// "<!DOCTYPE ... [ <!ELEMENT ...> ]>" and similar: the '>' that ends it lies
// outside any bracketed internal subset.
std::size_t skipDeclaration(const std::string &text, std::size_t from)
{
    int brackets = 0;
    for (std::size_t i = from; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '[')
            ++brackets;
        else if (c == ']' && brackets > 0)
            --brackets;
        else if (c == '>' && brackets == 0)
            return i + 1;
    }
    return std::string::npos;
}

// The position of the '>' that ends the tag whose text starts at from, or the
// text's size; a '>' inside a quoted attribute value does not end it.
std::size_t tagEnd(const std::string &text, std::size_t from)
{
    char quote = 0;
    for (std::size_t end = from; end < text.size(); ++end) {
        const char c = text[end];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return end;
        }
    }
    return text.size();
}

} // namespace

int xmlNestingDepth(const std::string &text, int stopAbove)
{
    int depth = 0;
    int deepest = 0;
    std::size_t pos = 0;
    const std::size_t size = text.size();
    while (pos < size) {
        const std::size_t open = text.find('<', pos);
        if (open == std::string::npos)
            break;
        if (startsWithAt(text, open, "<!--")) {
            pos = skipPast(text, open + 4, "-->");
            continue;
        }
        if (startsWithAt(text, open, "<![CDATA[")) {
            pos = skipPast(text, open + 9, "]]>");
            continue;
        }
        if (startsWithAt(text, open, "<?")) {
            pos = skipPast(text, open + 2, "?>");
            continue;
        }
        if (startsWithAt(text, open, "<!")) {
            pos = skipDeclaration(text, open + 2);
            continue;
        }

        const std::size_t end = tagEnd(text, open + 1);
        if (end >= size)
            break;

        if (text[open + 1] == '/') {
            if (depth > 0)
                --depth;
        } else {
            // A self-closing element is one level deeper but leaves the depth as it was.
            const bool selfClosing = text[end - 1] == '/';
            if (depth + 1 > deepest) {
                deepest = depth + 1;
                if (deepest > stopAbove)
                    return deepest;
            }
            if (!selfClosing)
                ++depth;
        }
        pos = end + 1;
    }
    return deepest;
}

bool isXmlNestingAcceptable(const std::string &text, int maxDepth)
{
    return xmlNestingDepth(text, maxDepth) <= maxDepth;
}

bool readXmlTextGuarded(const std::string &text, boost::property_tree::ptree &tree, int flags)
{
    if (!isXmlNestingAcceptable(text))
        return false;
    try {
        std::istringstream stream(text);
        boost::property_tree::ptree parsed;
        boost::property_tree::read_xml(stream, parsed, flags);
        tree.swap(parsed);
        return true;
    } catch (...) {
        return false;
    }
}

bool readXmlFileGuarded(const QString &path, boost::property_tree::ptree &tree, int flags)
{
    std::ifstream file(path.toLatin1().toStdString(), std::ios::in | std::ios::binary);
    if (!file)
        return false;
    std::string text;
    try {
        text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    } catch (...) {
        return false;
    }
    if (file.bad())
        return false;
    return readXmlTextGuarded(text, tree, flags);
}

} // namespace Core
} // namespace OrvexSensorPlugin
