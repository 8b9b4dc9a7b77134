#include "window/sensorwindow.h"

#include "chart/processdatapanel.h"
#include "tree/descriptionreader.h"
#include "window/sensorwindowstate.h"
#include "window/sensorwindowui.h"

#include "extensionsystem/globals.h"
#include "utils/buttonmanager.h"

#include "propertybrowser/qtenumpropertymanager.h"
#include "propertybrowser/qtproperty.h"
#include "propertybrowser/qtstringpropertymanager.h"

#include <QEvent>
#include <QTreeWidget>
#include <QTreeWidgetItem>

namespace OrvexSensorPlugin {
namespace Core {

namespace pt = boost::property_tree;

void SensorWindow::changeEvent(QEvent *event)
{
    if (event->type() != QEvent::LanguageChange) {
        QMainWindow::changeEvent(event);
        return;
    }

    languageChanging = true;
    ui->retranslateUi(this);
    state->language = ExtensionSystem::Globals::getLanguage();

    if (const auto nodes = descriptionTree.get_child_optional("document.treeGui.default")) {
        for (const auto &child : *nodes)
            retranslateParameterNode(child.second);
    }

    categoryLabels.clear();
    if (const auto rows = descriptionTree.get_child_optional("document.guiCategory.default")) {
        // The same children the panel was built from, so that labels and rows line up.
        for (const auto &child : *rows) {
            if (child.first == "<xmlattr>" || child.first == "<xmlcomment>")
                continue;
            readCategoryLabel(child.second, -1);
        }
    }

    const QList<QTreeWidgetItem *> &items = state->processDataItems;
    for (int row = 0; row < items.size(); ++row)
        items.at(row)->setText(0, categoryLabels.value(row) + QStringLiteral("     "));
    if (state->processDataTree)
        state->processDataTree->resizeColumnToContents(0);

    retranslateWindowTexts();
    // After the output refresh that retranslateWindowTexts runs: the readings
    // shown stay, in the new language; without a sensor there are none.
    if (connected)
        retranslateReadings(items);
    else {
        state->pendingReading.reset();
        showNoReadings(items);
    }
    languageChanging = false;
    enableTreeDataHandling(true);
}

void SensorWindow::retranslateParameterNode(const pt::ptree &node)
{
    if (!hasChildElements(node))
        return;

    const std::string &language = state->language;
    const std::string id = node.get<std::string>("id", std::string());
    const ParameterKind kind = parameterKind(node.get<std::string>("type", std::string()));

    // A hidden parameter cannot be found and keeps its texts.
    if (QtProperty *property = findPropertyById(state->rootProperty, id)) {
        property->setPropertyName(QString::fromStdString(nodeLabel(node, language)));
        QtAbstractPropertyManager *manager = property->propertyManager();

        if (kind == ParameterKind::Action && manager == state->buttonManager) {
            state->buttonManager->setValue(property,
                                           QString::fromStdString(actionCaption(node, language)));
        } else if (kind == ParameterKind::Enumerator && manager == state->enumManager) {
            const int index = state->enumManager->value(property);
            QStringList names;
            // A choice without a text for the language keeps the old names.
            if (readChoiceTexts(node, language, &names)) {
                state->enumManager->setEnumNames(property, names);
                state->enumManager->setValue(property, index);
            }
        } else if (kind == ParameterKind::String && manager == state->stringManager
                   && !hasReadOnlyMark(node)) {
            const QString key = QString::fromStdString(id);
            const QStringList oldTexts = stringItems.value(key);
            const int index = oldTexts.indexOf(state->stringManager->value(property));
            QStringList texts;
            if (readChoiceTexts(node, language, &texts)) {
                stringItems[key] = texts;
                if (index >= 0 && index < texts.size())
                    state->stringManager->setValue(property, texts.at(index));
            }
        }
    }

    for (const auto &child : node) {
        if (child.first == "property")
            retranslateParameterNode(child.second);
    }
}

void SensorWindow::readCategoryLabel(const pt::ptree &node, int row)
{
    if (state->language.empty())
        state->language = "en";
    categoryLabels.append(QString::fromStdString(nodeLabel(node, state->language)));
    if (row >= 0)
        categoryRows[QString::fromStdString(node.get<std::string>("id", std::string()))] = row;
}

} // namespace Core
} // namespace OrvexSensorPlugin
