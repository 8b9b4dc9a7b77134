#include "simulator/sensordescription.h"

#include <QFile>

#include <tinyxml2.h>

using tinyxml2::XMLElement;

namespace IoLinkSim {

namespace {

QString childText(const XMLElement *element, const char *name)
{
    const XMLElement *child = element->FirstChildElement(name);
    return child && child->GetText() ? QString::fromUtf8(child->GetText()).trimmed() : QString();
}

double childNumber(const XMLElement *element, const char *name)
{
    return childText(element, name).toDouble();
}

void collectParameters(const XMLElement *node, QVector<ParameterSpec> *out, bool topLevel)
{
    for (const XMLElement *child = node->FirstChildElement(); child;
         child = child->NextSiblingElement()) {
        // Below the top level only "property" children are parameter nodes.
        if (!topLevel && QByteArray(child->Name()) != "property")
            continue;
        if (!child->FirstChildElement())
            continue;
        const QString type = childText(child, "type");
        if (type != QLatin1String("category")) {
            bool okIndex = false, okSub = false, okSize = false;
            ParameterSpec param;
            param.id = childText(child, "id");
            param.type = type;
            param.index = childText(child, "index").toInt(&okIndex);
            param.subIndex = childText(child, "subIndex").toInt(&okSub);
            param.size = childText(child, "size").toInt(&okSize);
            param.min = childNumber(child, "min");
            param.max = childNumber(child, "max");
            param.defaultValue = childText(child, "defaultvalue");
            param.readOnly = childText(child, "readonly") == QLatin1String("true");
            if (const XMLElement *items = child->FirstChildElement("items")) {
                for (const XMLElement *item = items->FirstChildElement(); item;
                     item = item->NextSiblingElement())
                    ++param.itemCount;
            }
            // A node without a complete address cannot be reached on the wire.
            if (okIndex && okSub && okSize && !param.id.isEmpty())
                out->append(param);
        }
        collectParameters(child, out, false);
    }
}

} // namespace

bool SensorDescription::load(const QString &path)
{
    m_parameters.clear();
    m_sensors.clear();
    m_error.clear();

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("cannot open %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray content = file.readAll();
    // TinyXML-2 refuses nesting deeper than 100 levels on its own.
    tinyxml2::XMLDocument document;
    if (document.Parse(content.constData(), size_t(content.size())) != tinyxml2::XML_SUCCESS) {
        m_error = QStringLiteral("%1: %2").arg(path, QString::fromUtf8(document.ErrorStr()));
        return false;
    }
    const XMLElement *root = document.FirstChildElement("document");
    if (!root || childText(root, "documentId") != QLatin1String("IoLinkZT4Kfamily")) {
        m_error = QStringLiteral("%1 is not a sensor data file").arg(path);
        return false;
    }
    if (const XMLElement *list = root->FirstChildElement("sensorList")) {
        for (const XMLElement *entry = list->FirstChildElement(); entry;
             entry = entry->NextSiblingElement()) {
            SensorModelSpec model;
            model.id = childText(entry, "id");
            model.name = childText(entry, "name");
            model.max = childNumber(entry, "max");
            model.decVal = childNumber(entry, "decVal");
            if (const XMLElement *variants = entry->FirstChildElement("sensors")) {
                for (const XMLElement *v = variants->FirstChildElement(); v;
                     v = v->NextSiblingElement()) {
                    VariantSpec variant;
                    variant.id3 = childText(v, "ID3");
                    variant.maxRange = childNumber(v, "maxRange");
                    variant.minRange = childNumber(v, "minRange");
                    variant.floatVal = childNumber(v, "floatVal");
                    model.variants.append(variant);
                }
            }
            m_sensors.append(model);
        }
    }
    const XMLElement *tree = root->FirstChildElement("treeGui");
    tree = tree ? tree->FirstChildElement("default") : nullptr;
    if (tree)
        collectParameters(tree, &m_parameters, true);
    if (m_sensors.isEmpty() || m_parameters.isEmpty()) {
        m_error = QStringLiteral("%1 holds no sensors or no parameters").arg(path);
        return false;
    }
    return true;
}

bool SensorDescription::findVariant(const QString &productId, int *model, int *variant) const
{
    *model = -1;
    *variant = -1;
    if (productId.size() < 7)
        return false;
    for (int m = 0; m < m_sensors.size(); ++m) {
        if (!productId.startsWith(m_sensors.at(m).id) || m_sensors.at(m).id.isEmpty())
            continue;
        for (int v = 0; v < m_sensors.at(m).variants.size(); ++v) {
            if (productId.endsWith(m_sensors.at(m).variants.at(v).id3)) {
                *model = m;
                *variant = v;
                return true;
            }
        }
    }
    return false;
}

QString SensorDescription::productIdFor(const SensorModelSpec &model, const VariantSpec &variant)
{
    return model.id + QStringLiteral("-G14-") + variant.id3;
}

} // namespace IoLinkSim
