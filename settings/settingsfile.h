#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace OrvexSensorPlugin {
namespace Core {

// The ".wts" settings file: an XML document whose root carries the plug-in and
// sensor names and whose "pluginsettings" hold two texts, the parameter list
// ("id=value;" per parameter) and the chart history. These functions need no
// window; the window collects the values and applies what they read.

extern const char *const settingsPluginId;   // "IoLinkZT4Kfamily"

// One entry of the parameter list as written: an enumeration index, a boolean
// or an integer is a whole number ("%d"), a double has six decimals ("%f").
// Numbers use the point whatever the C locale says.
std::string wholeEntry(const std::string &id, int value);
std::string decimalEntry(const std::string &id, double value);

// One part of the parameter list split at ";": the text before the first "="
// and the text between the first and a second "=". Empty parts are kept.
struct ParameterText
{
    std::string id;
    std::string value;
};
std::vector<ParameterText> splitParameterList(const std::string &text);

// Values as the C functions read them: leading blanks skipped, the longest
// number at the start taken, 0 when there is none; a whole number beyond the
// int range is clamped. Always with the point as decimal separator.
int wholeValue(const std::string &text);
double decimalValue(const std::string &text);

// A value as the file's writer leaves it: the whole text one number (blanks and a
// plus before it allowed), a whole number unless isDecimal, and finite. Nothing
// for any other text, so that a damaged file is refused rather than read as 0.
std::optional<double> exactValue(const std::string &text, bool isDecimal);

// The whole document, UTF-8, with its declaration and indentation.
QByteArray settingsDocument(const std::string &sensorId, const std::string &parameterList,
                            const std::string &chartData);

// What a settings file holds. Missing elements and attributes stay empty
// optionals, so that a reader never touches what is not there.
struct SettingsContent
{
    enum class Status { Unreadable, TooLarge, NoRoot, Read };
    Status status = Status::Unreadable;
    std::optional<std::string> pluginId;
    std::optional<std::string> sensorId;
    bool hasPluginSettings = false;
    std::optional<std::string> parameterList;
    std::optional<std::string> chartData;

    // Both names present and equal to the expected ones, byte for byte.
    bool isFor(const std::string &expectedSensorId) const;
};

SettingsContent parseSettings(const QByteArray &text);
// No settings file comes near this size; a larger one is refused unread.
constexpr qint64 maxSettingsFileBytes = 64 * 1024 * 1024;
SettingsContent readSettingsFile(const QString &path);

// Replaces the file only once the whole text is on disk: a failed write
// leaves an existing file as it was. On failure, error says why.
bool writeSettingsFile(const QString &path, const QByteArray &text, QString *error);

// "<sensor name>-settings-dd-MM-yyyy.wts" for the given day.
QString proposedSettingsFileName(const QString &sensorName, const QDate &day);

} // namespace Core
} // namespace OrvexSensorPlugin
