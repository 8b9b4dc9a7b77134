#include "settings/settingsfile.h"

#include <QFile>
#include <QSaveFile>

#include <tinyxml2.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace OrvexSensorPlugin {
namespace Core {

const char *const settingsPluginId = "IoLinkZT4Kfamily";

namespace {

const char *skipBlanks(const char *first, const char *last)
{
    while (first != last && std::isspace(static_cast<unsigned char>(*first)))
        ++first;
    return first;
}

// from_chars takes "-" but not "+".
const char *skipPlus(const char *first, const char *last)
{
    if (first != last && *first == '+' && first + 1 != last && first[1] != '-')
        ++first;
    return first;
}

std::optional<std::string> attributeText(const tinyxml2::XMLElement *element, const char *name)
{
    if (!element)
        return std::nullopt;
    const char *value = element->Attribute(name);
    if (!value)
        return std::nullopt;
    return std::string(value);
}

} // namespace

std::string wholeEntry(const std::string &id, int value)
{
    return id + '=' + std::to_string(value) + ';';
}

std::string decimalEntry(const std::string &id, double value)
{
    char buffer[512];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    const std::string number = result.ec == std::errc() ? std::string(buffer, result.ptr)
                                                        : std::string("0.000000");
    return id + '=' + number + ';';
}

std::vector<ParameterText> splitParameterList(const std::string &text)
{
    std::vector<ParameterText> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(text.find(';', start), text.size());
        const std::string part = text.substr(start, end - start);
        ParameterText entry;
        const std::size_t firstEquals = part.find('=');
        entry.id = part.substr(0, firstEquals);
        if (firstEquals != std::string::npos) {
            const std::size_t secondEquals = part.find('=', firstEquals + 1);
            entry.value = part.substr(firstEquals + 1, secondEquals == std::string::npos
                                                           ? std::string::npos
                                                           : secondEquals - firstEquals - 1);
        }
        parts.push_back(std::move(entry));
        if (end == text.size())
            break;
        start = end + 1;
    }
    return parts;
}

int wholeValue(const std::string &text)
{
    const char *last = text.data() + text.size();
    const char *first = skipPlus(skipBlanks(text.data(), last), last);
    long long value = 0;
    const auto result = std::from_chars(first, last, value);
    if (result.ec == std::errc::result_out_of_range)
        return first != last && *first == '-' ? std::numeric_limits<int>::min()
                                              : std::numeric_limits<int>::max();
    if (result.ec != std::errc())
        return 0;
    return int(std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                     std::numeric_limits<int>::max()));
}

double decimalValue(const std::string &text)
{
    const char *last = text.data() + text.size();
    const char *first = skipPlus(skipBlanks(text.data(), last), last);
    double value = 0.0;
    const auto result = std::from_chars(first, last, value);
    if (result.ec == std::errc::result_out_of_range) {
        // Beyond the double range: like strtod, the largest value with its sign.
        return first != last && *first == '-' ? -std::numeric_limits<double>::max()
                                              : std::numeric_limits<double>::max();
    }
    return result.ec == std::errc() ? value : 0.0;
}

std::optional<double> exactValue(const std::string &text, bool isDecimal)
{
    const char *last = text.data() + text.size();
    const char *first = skipPlus(skipBlanks(text.data(), last), last);
    double value = 0.0;
    long long whole = 0;
    const auto result = isDecimal ? std::from_chars(first, last, value)
                                  : std::from_chars(first, last, whole);
    if (!isDecimal)
        value = double(whole);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QByteArray settingsDocument(const std::string &sensorId, const std::string &parameterList,
                            const std::string &chartData)
{
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    document.InsertFirstChild(document.NewDeclaration("xml version=\"1.0\" encoding=\"utf-8\""));
    tinyxml2::XMLElement *root = document.NewElement("root");
    root->SetAttribute("pluginid", settingsPluginId);
    root->SetAttribute("sensorid", sensorId.c_str());
    document.InsertEndChild(root);
    tinyxml2::XMLElement *pluginSettings = root->InsertNewChildElement("pluginsettings");
    pluginSettings->InsertNewChildElement("propertytreedata")
        ->SetAttribute("data", parameterList.c_str());
    pluginSettings->InsertNewChildElement("chartdata")->SetAttribute("data", chartData.c_str());

    tinyxml2::XMLPrinter printer;
    document.Print(&printer);
    return QByteArray(printer.CStr(), printer.CStrSize() - 1);
}

bool SettingsContent::isFor(const std::string &expectedSensorId) const
{
    return pluginId && *pluginId == settingsPluginId && sensorId && *sensorId == expectedSensorId;
}

SettingsContent parseSettings(const QByteArray &text)
{
    SettingsContent content;
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    if (text.isEmpty() || document.Parse(text.constData(), std::size_t(text.size()))
                              != tinyxml2::XML_SUCCESS) {
        content.status = SettingsContent::Status::Unreadable;
        return content;
    }
    const tinyxml2::XMLElement *root = document.FirstChildElement("root");
    if (!root) {
        content.status = SettingsContent::Status::NoRoot;
        return content;
    }
    content.status = SettingsContent::Status::Read;
    content.pluginId = attributeText(root, "pluginid");
    content.sensorId = attributeText(root, "sensorid");
    const tinyxml2::XMLElement *pluginSettings = root->FirstChildElement("pluginsettings");
    content.hasPluginSettings = pluginSettings != nullptr;
    if (pluginSettings) {
        content.parameterList =
            attributeText(pluginSettings->FirstChildElement("propertytreedata"), "data");
        content.chartData = attributeText(pluginSettings->FirstChildElement("chartdata"), "data");
    }
    return content;
}

SettingsContent readSettingsFile(const QString &path)
{
    // Read through Qt rather than by a Latin-1 name, so that any path opens.
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return SettingsContent();
    // A device without a size (a pipe, /dev/zero) is read up to one byte past the limit.
    QByteArray text;
    if (file.size() <= maxSettingsFileBytes)
        text = file.isSequential() ? file.read(maxSettingsFileBytes + 1) : file.readAll();
    if (file.size() > maxSettingsFileBytes || text.size() > maxSettingsFileBytes) {
        SettingsContent tooLarge;
        tooLarge.status = SettingsContent::Status::TooLarge;
        return tooLarge;
    }
    return parseSettings(text);
}

bool writeSettingsFile(const QString &path, const QByteArray &text, QString *error)
{
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly) && file.write(text) == text.size()
        && file.commit();
    if (!written && error)
        *error = file.errorString();
    return written;
}

QString proposedSettingsFileName(const QString &sensorName, const QDate &day)
{
    // The letters of "settings" and "wts" are quoted so that none is taken for
    // a date field.
    return sensorName + day.toString(QStringLiteral("'-settings-'dd-MM-yyyy'.wts'"));
}

} // namespace Core
} // namespace OrvexSensorPlugin
