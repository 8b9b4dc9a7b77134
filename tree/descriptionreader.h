#pragma once

#include <boost/property_tree/ptree.hpp>

#include <QLoggingCategory>
#include <QString>
#include <QStringList>

#include <string>

Q_DECLARE_LOGGING_CATEGORY(lcDescription)

namespace OrvexSensorPlugin {
namespace Core {

// Readers of the sensor description: the parameter nodes below
// "document.treeGui.default" and the sensor entries below "document.sensorList".
// They need no window; the window's tree build calls them node by node.

enum class ParameterKind { Category, Enumerator, Int, Double, Bool, Action, String, Unknown };

ParameterKind parameterKind(const std::string &typeText);

// Reads the file with comments dropped and whitespace kept, after the nesting
// check. A missing, unreadable, empty, too large (maxXmlFileBytes), too deeply
// nested or malformed file leaves tree empty and gives false, with a warning.
bool readDescriptionFile(const QString &path, boost::property_tree::ptree &tree);

// A node without any child element describes nothing.
bool hasChildElements(const boost::property_tree::ptree &node);

// "text.<language>", else "text.en" when that is missing or empty, else empty.
std::string nodeLabel(const boost::property_tree::ptree &node, const std::string &language);

// Button caption of an "action": "caption.text.<language>" (default "action");
// when that is empty, "caption.text.en" (default "action").
std::string actionCaption(const boost::property_tree::ptree &node, const std::string &language);

// The texts of the children of "items", in order: each choice's child for the
// language, or its "en" child when that text is empty or the child is missing.
// A choice with neither child cannot be read: false, with the choice's position
// in problem.
bool readChoiceTexts(const boost::property_tree::ptree &node, const std::string &language,
                     QStringList *texts, QString *problem = nullptr);

// "defaultvalue", "min", "max" of "int", "enumerator", "bool" and "double": a
// whole number, 0 when missing or not one ("2.5", "true").
int wholeNumber(const boost::property_tree::ptree &node, const char *key);

// Decimal number of "min"/"max" of a "double"; 0.0 when missing or not one.
double decimalNumber(const boost::property_tree::ptree &node, const char *key);

// Enabled unless "readonly" is present and other than exactly "false".
bool isNodeEnabled(const boost::property_tree::ptree &node);

// Read-only mark of a "string": "readonly" missing or exactly "true".
bool hasReadOnlyMark(const boost::property_tree::ptree &node);

// Shown when "visible" is missing or exactly "true".
bool isNodeVisible(const boost::property_tree::ptree &node);

// "index;subIndex;size", the three texts as they stand in the file.
QString addressText(const boost::property_tree::ptree &node);

// Why the node cannot become a parameter (unknown type, missing address part,
// string without default value, unreadable choice), or empty when it can.
QString nodeProblem(const boost::property_tree::ptree &node, const std::string &language);

// A number of a sensor entry or variant: the text converted with
// QString::toDouble, 0.0 when missing or not a number.
double sensorListNumber(const boost::property_tree::ptree &entry, const char *key);

// The divisor that turns raw pressures into bar ("decVal", "floatVal"): a
// missing, zero, negative or non-finite number gives 1, with a warning, so
// that no pressure is divided by zero.
double rawScaleDivisor(const boost::property_tree::ptree &entry, const char *key);

} // namespace Core
} // namespace OrvexSensorPlugin
