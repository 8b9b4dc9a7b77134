#include "tree/descriptionreader.h"

#include "plugin/xmldepthguard.h"

#include <boost/property_tree/xml_parser.hpp>

#include <cmath>

Q_LOGGING_CATEGORY(lcDescription, "iolink.description")

namespace OrvexSensorPlugin {
namespace Core {

namespace pt = boost::property_tree;

ParameterKind parameterKind(const std::string &typeText)
{
    if (typeText == "category")
        return ParameterKind::Category;
    if (typeText == "enumerator")
        return ParameterKind::Enumerator;
    if (typeText == "int")
        return ParameterKind::Int;
    if (typeText == "double")
        return ParameterKind::Double;
    if (typeText == "bool")
        return ParameterKind::Bool;
    if (typeText == "action")
        return ParameterKind::Action;
    if (typeText == "string")
        return ParameterKind::String;
    return ParameterKind::Unknown;
}

bool readDescriptionFile(const QString &path, pt::ptree &tree)
{
    tree.clear();
    return readXmlFileGuarded(path, tree, pt::xml_parser::no_comments);
}

bool hasChildElements(const pt::ptree &node)
{
    return !node.empty();
}

namespace {
// Child lookup by one tag, so that a language code is never split at a dot.
const pt::ptree *child(const pt::ptree &node, const std::string &tag)
{
    const auto it = node.find(tag);
    return it == node.not_found() ? nullptr : &it->second;
}

const pt::ptree *child(const pt::ptree &node, const char *first, const std::string &second)
{
    const pt::ptree *outer = child(node, std::string(first));
    return outer ? child(*outer, second) : nullptr;
}
} // namespace

std::string nodeLabel(const pt::ptree &node, const std::string &language)
{
    if (const pt::ptree *text = child(node, "text", language)) {
        if (!text->data().empty())
            return text->data();
    }
    if (const pt::ptree *english = child(node, "text", std::string("en")))
        return english->data();
    return std::string();
}

std::string actionCaption(const pt::ptree &node, const std::string &language)
{
    static const std::string fallback("action");
    const pt::ptree *caption = child(node, std::string("caption"));
    const pt::ptree *text = caption ? child(*caption, std::string("text")) : nullptr;
    if (!text)
        return fallback;
    const pt::ptree *current = child(*text, language);
    if (!current)
        return fallback;
    if (!current->data().empty())
        return current->data();
    const pt::ptree *english = child(*text, std::string("en"));
    return english ? english->data() : fallback;
}

bool readChoiceTexts(const pt::ptree &node, const std::string &language, QStringList *texts,
                     QString *problem)
{
    QStringList result;
    if (const pt::ptree *items = child(node, std::string("items"))) {
        int position = 0;
        for (const auto &choice : *items) {
            const pt::ptree *current = child(choice.second, language);
            const pt::ptree *english = child(choice.second, std::string("en"));
            if (current && !current->data().empty()) {
                result << QString::fromStdString(current->data());
            } else if (english) {
                result << QString::fromStdString(english->data());
            } else if (current) {
                result << QString(); // present but empty, and no English text
            } else {
                if (problem) {
                    *problem = QStringLiteral("choice %1 has no \"%2\" text")
                                   .arg(position)
                                   .arg(QString::fromStdString(language));
                    if (language != "en")
                        *problem += QStringLiteral(" nor an \"en\" one");
                }
                return false;
            }
            ++position;
        }
    }
    if (texts)
        *texts = result;
    return true;
}

int wholeNumber(const pt::ptree &node, const char *key)
{
    return node.get<int>(pt::ptree::path_type(key, '.'), 0);
}

double decimalNumber(const pt::ptree &node, const char *key)
{
    return node.get<double>(pt::ptree::path_type(key, '.'), 0.0);
}

bool isNodeEnabled(const pt::ptree &node)
{
    const pt::ptree *readOnly = child(node, std::string("readonly"));
    return !readOnly || readOnly->data() == "false";
}

bool hasReadOnlyMark(const pt::ptree &node)
{
    const pt::ptree *readOnly = child(node, std::string("readonly"));
    return !readOnly || readOnly->data() == "true";
}

bool isNodeVisible(const pt::ptree &node)
{
    const pt::ptree *visible = child(node, std::string("visible"));
    return !visible || visible->data() == "true";
}

QString addressText(const pt::ptree &node)
{
    return QString::fromStdString(node.get<std::string>("index", std::string()) + ";"
                                  + node.get<std::string>("subIndex", std::string()) + ";"
                                  + node.get<std::string>("size", std::string()));
}

QString nodeProblem(const pt::ptree &node, const std::string &language)
{
    const std::string type = node.get<std::string>("type", std::string());
    const ParameterKind kind = parameterKind(type);
    if (kind == ParameterKind::Unknown)
        return QStringLiteral("unknown type \"%1\"").arg(QString::fromStdString(type));
    if (kind == ParameterKind::Category)
        return QString();

    QStringList missing;
    for (const char *key : {"index", "subIndex", "size"}) {
        if (!child(node, std::string(key)))
            missing << QString::fromLatin1(key);
    }
    if (!missing.isEmpty())
        return QStringLiteral("no %1").arg(missing.join(QStringLiteral(", ")));

    const bool editableString = kind == ParameterKind::String && !hasReadOnlyMark(node);
    if (kind == ParameterKind::String && !child(node, std::string("defaultvalue")))
        return QStringLiteral("string without defaultvalue");
    if (kind == ParameterKind::Enumerator || editableString) {
        QString problem;
        if (!readChoiceTexts(node, language, nullptr, &problem))
            return problem;
    }
    return QString();
}

double sensorListNumber(const pt::ptree &entry, const char *key)
{
    const std::string text = entry.get<std::string>(pt::ptree::path_type(key, '.'), std::string());
    return QString::fromStdString(text).toDouble();
}

double rawScaleDivisor(const pt::ptree &entry, const char *key)
{
    const double divisor = sensorListNumber(entry, key);
    if (divisor > 0.0 && std::isfinite(divisor))
        return divisor;
    qCWarning(lcDescription) << "Sensor entry has no usable" << key << "- raw values taken as bar";
    return 1.0;
}

} // namespace Core
} // namespace OrvexSensorPlugin
