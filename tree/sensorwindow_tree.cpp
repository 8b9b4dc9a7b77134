#include "window/sensorwindow.h"

#include "tree/treehandlingpause.h"

#include "tree/descriptionreader.h"
#include "window/sensorwindowstate.h"

#include "chart/pressureunits.h"
#include "plugin/pluginpaths.h"

#include "utils/buttonmanager.h"
#include "utils/charts/genericchart.h"

#include "propertybrowser/qtboolpropertymanager.h"
#include "propertybrowser/qtdoublepropertymanager.h"
#include "propertybrowser/qtenumpropertymanager.h"
#include "propertybrowser/qtgrouppropertymanager.h"
#include "propertybrowser/qtintpropertymanager.h"
#include "propertybrowser/qtstringpropertymanager.h"
#include "propertybrowser/qttreepropertybrowser.h"

#include <QDockWidget>

namespace OrvexSensorPlugin {
namespace Core {

namespace pt = boost::property_tree;

namespace {
const char *const thresholdIds[] = {"ThresholdsPressure1A1", "ThresholdsPressure2A1",
                                    "ThresholdsPressure1A2", "ThresholdsPressure2A2"};

// Every browser item below item (not item itself), depth first.
template<typename Visit>
void visitItemsBelow(QtBrowserItem *item, const Visit &visit)
{
    const QList<QtBrowserItem *> children = item->children();
    for (QtBrowserItem *childItem : children) {
        visit(childItem);
        visitItemsBelow(childItem, visit);
    }
}

void collectInto(QtProperty *start, QList<QtProperty *> &result)
{
    const QList<QtProperty *> children = start->subProperties();
    for (QtProperty *property : children) {
        result.append(property);
        collectInto(property, result);
    }
}

QtProperty *findBelow(QtProperty *start, const QByteArray &id)
{
    const QList<QtProperty *> children = start->subProperties();
    for (QtProperty *property : children) {
        // Latin-1 has one byte per character: only ids of the same length can match.
        const QString candidate = property->propertyId();
        if (candidate.size() == id.size() && candidate.toLatin1() == id)
            return property;
        if (QtProperty *found = findBelow(property, id))
            return found;
    }
    return nullptr;
}
} // namespace

void SensorWindow::buildParameterTree()
{
    state->rootProperty = state->groupManager->addProperty(windowTitle());
    state->rootProperty->setPropertyId(QStringLiteral("root"));
    state->hiddenParameterIds.clear();

    readDescriptionFile(pluginFilePath(QStringLiteral(".xml")), descriptionTree);
    const auto parameters = descriptionTree.get_child_optional("document.treeGui.default");
    if (!parameters)
        return;

    for (const auto &node : *parameters)
        addParameterNode(node.second, state->rootProperty);

    // Sizing the name column to its contents after every inserted row costs a
    // pass over all rows per row; size it once, after the whole tree is in.
    const QtTreePropertyBrowser::ResizeMode resizeMode = propertyBrowser->resizeMode();
    propertyBrowser->setResizeMode(QtTreePropertyBrowser::Interactive);
    propertyBrowser->addProperty(state->rootProperty);
    propertyBrowser->setResizeMode(resizeMode);
    propertyBrowser->setRootIsDecorated(true);
    propertyBrowser->show();
    propertyBrowser->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);

    state->propertyDock->setWidget(propertyBrowser);
    state->propertyDock->setMinimumWidth(290);
    addDockWidget(Qt::LeftDockWidgetArea, state->propertyDock);

    applySensorListLimits();

    if (state->chart)
        state->chart->setScale(0, state->minRange, state->maxRange);
}

void SensorWindow::addParameterNode(const pt::ptree &node, QtProperty *parent)
{
    if (!parent || !hasChildElements(node))
        return;

    const std::string &language = state->language;
    const QString id = QString::fromStdString(node.get<std::string>("id", std::string()));

    // A node that cannot be built is left out whole, with everything below it.
    const QString problem = nodeProblem(node, language);
    if (!problem.isEmpty()) {
        qCWarning(lcDescription).noquote()
            << QStringLiteral("Parameter \"%1\" left out: %2").arg(id, problem);
        return;
    }

    const QString label = QString::fromStdString(nodeLabel(node, language));
    const ParameterKind kind = parameterKind(node.get<std::string>("type", std::string()));
    QtProperty *property = createParameterProperty(node, kind, id, label);
    if (!property)
        return; // refused by nodeProblem above

    if (kind != ParameterKind::Category) {
        parameterAddresses[id] = addressText(node);
        property->setPropertyId(id);
    }

    property->setEnabled(isNodeEnabled(node));

    const bool visible = isNodeVisible(node);
    if (visible)
        parent->addSubProperty(property);

    for (const auto &childNode : node) {
        if (childNode.first == "property")
            addParameterNode(childNode.second, property);
    }

    if (!visible)
        state->hiddenParameterIds.append(id);
}

// The property of one node's kind, with its limits, choices and default.
QtProperty *SensorWindow::createParameterProperty(const pt::ptree &node, ParameterKind kind,
                                                  const QString &id, const QString &label)
{
    const std::string &language = state->language;
    QtProperty *property = nullptr;
    switch (kind) {
    case ParameterKind::Category:
        property = state->groupManager->addProperty(label);
        property->setPropertyId(id);
        break;
    case ParameterKind::Enumerator: {
        property = state->enumManager->addProperty(label);
        QStringList names;
        readChoiceTexts(node, language, &names);
        state->enumManager->setEnumNames(property, names);
        state->enumManager->setValue(property, wholeNumber(node, "defaultvalue"));
        break;
    }
    case ParameterKind::Int:
        property = state->intManager->addProperty(label);
        state->intManager->setMinimum(property, wholeNumber(node, "min"));
        state->intManager->setMaximum(property, wholeNumber(node, "max"));
        state->intManager->setValue(property, wholeNumber(node, "defaultvalue"));
        break;
    case ParameterKind::Double:
        property = state->doubleManager->addProperty(label);
        state->doubleManager->setMinimum(property, decimalNumber(node, "min"));
        state->doubleManager->setMaximum(property, decimalNumber(node, "max"));
        state->doubleManager->setDecimals(property, 3);
        state->doubleManager->setValue(property, wholeNumber(node, "defaultvalue"));
        break;
    case ParameterKind::Bool:
        property = state->boolManager->addProperty(label);
        state->boolManager->setValue(property, wholeNumber(node, "defaultvalue") != 0,
                                     QString(), QString());
        break;
    case ParameterKind::Action:
        property = state->buttonManager->addProperty(label);
        property->setPropertyName(label);
        state->buttonManager->setValue(property,
                                       QString::fromStdString(actionCaption(node, language)));
        break;
    case ParameterKind::String:
        property = state->stringManager->addProperty(label);
        state->stringManager->setValue(
            property, QString::fromStdString(node.get<std::string>("defaultvalue")));
        property->setPropertyId(id);
        if (hasReadOnlyMark(node)) {
            property->setStatusTip(QStringLiteral("readOnly"));
        } else {
            QStringList texts;
            readChoiceTexts(node, language, &texts);
            stringItems[id] = texts;
        }
        break;
    case ParameterKind::Unknown:
        break;
    }
    return property;
}

QtProperty *SensorWindow::findPropertyById(QtProperty *start, const std::string &id) const
{
    if (!start)
        return nullptr;
    return findBelow(start, QByteArray::fromStdString(id));
}

QList<QtProperty *> SensorWindow::collectSubProperties(QtProperty *start) const
{
    QList<QtProperty *> result;
    if (start)
        collectInto(start, result);
    return result;
}

void SensorWindow::setParameterVisible(const QString &id, bool visible)
{
    QtProperty *property = findPropertyById(state->rootProperty, id.toStdString());
    if (!property)
        return;
    const QList<QtBrowserItem *> topLevel = propertyBrowser->topLevelItems();
    for (QtBrowserItem *top : topLevel) {
        visitItemsBelow(top, [&](QtBrowserItem *item) {
            if (item->property() == property)
                propertyBrowser->setItemVisible(item, visible);
        });
    }
}

bool SensorWindow::isParameterVisible(const QString &id)
{
    QtProperty *property = findPropertyById(state->rootProperty, id.toStdString());
    if (!property)
        return lastVisibility;
    const QList<QtBrowserItem *> topLevel = propertyBrowser->topLevelItems();
    for (QtBrowserItem *top : topLevel) {
        visitItemsBelow(top, [&](QtBrowserItem *item) {
            if (item->property() == property)
                lastVisibility = propertyBrowser->isItemVisible(item);
        });
    }
    return lastVisibility;
}

void SensorWindow::removeSubProperties(QtProperty *property)
{
    if (!property)
        return;
    while (!property->subProperties().isEmpty()) {
        QtProperty *first = property->subProperties().first();
        if (!first->subProperties().isEmpty())
            removeSubProperties(first);
        else
            property->removeSubProperty(first);
    }
}

void SensorWindow::applySensorListLimits()
{
    const std::string &name = sensor.name();
    if (const auto entries = descriptionTree.get_child_optional("document.sensorList")) {
        for (const auto &entry : *entries) {
            if (entry.second.get<std::string>("name", std::string()) == name) {
                state->maxRange = sensorListNumber(entry.second, "max");
                state->decVal = rawScaleDivisor(entry.second, "decVal");
                break;
            }
        }
    }

    TreeHandlingPause pause(this);
    QtDoublePropertyManager *doubles = state->doubleManager;
    QtProperty *thresholds[4];
    for (int i = 0; i < 4; ++i)
        thresholds[i] = findPropertyById(state->rootProperty, thresholdIds[i]);
    QtProperty *analog0V = findPropertyById(state->rootProperty, "analogPressure0V");
    QtProperty *analog10V = findPropertyById(state->rootProperty, "analogPressure10V");

    const int decimals = pressureDecimals(state->decVal);
    for (QtProperty *property : {thresholds[0], thresholds[1], thresholds[2], thresholds[3],
                                 analog0V, analog10V}) {
        if (property)
            doubles->setDecimals(property, decimals);
    }
    for (QtProperty *property : thresholds) {
        if (property)
            doubles->setMaximum(property, state->maxRange);
    }
    const double shares[4] = {0.5, 0.25, 0.5, 0.25};
    for (int i = 0; i < 4; ++i) {
        if (thresholds[i])
            doubles->setValue(thresholds[i], state->maxRange * shares[i]);
    }
    for (QtProperty *property : {analog0V, analog10V}) {
        if (property)
            doubles->setMaximum(property, state->maxRange);
    }
    if (analog10V)
        doubles->setValue(analog10V, state->maxRange);
}

void SensorWindow::applySensorVariantLimits()
{
    if (identification.size() < 7)
        return;
    const std::string code = identification.right(3).toStdString();
    const std::string &name = sensor.name();

    if (const auto entries = descriptionTree.get_child_optional("document.sensorList")) {
        for (const auto &entry : *entries) {
            if (entry.second.get<std::string>("name", std::string()) != name)
                continue;
            for (const auto &variant : sensor.getSensorsTree()) {
                if (variant.second.get<std::string>("ID3", std::string()) == code) {
                    state->maxRange = sensorListNumber(variant.second, "maxRange");
                    state->minRange = sensorListNumber(variant.second, "minRange");
                    state->decVal = rawScaleDivisor(variant.second, "floatVal");
                    break;
                }
            }
        }
    }
    updateThresholdDecimals();
}

} // namespace Core
} // namespace OrvexSensorPlugin
