#include "app/plugindock.h"

#include "app/pluginloader.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace Kalvio {

namespace {
// Sensor items carry their name here; plug-in items carry nothing.
constexpr int SensorNameRole = Qt::UserRole + 1;
} // namespace

PluginDock::PluginDock(QWidget *parent)
    : QDockWidget(parent)
    , m_tree(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("pluginDock"));
    m_tree->setObjectName(QStringLiteral("pluginTree"));
    m_tree->setColumnCount(2);
    m_tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_tree->setRootIsDecorated(true);
    setWidget(m_tree);
    connect(m_tree, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem *item, int) { onItemActivated(item); });
    retranslate();
}

void PluginDock::retranslate()
{
    setWindowTitle(tr("Sensors"));
    m_tree->setHeaderLabels({tr("Name"), tr("Id")});
}

void PluginDock::setPlugins(const PluginLoader &loader)
{
    m_tree->clear();
    for (const auto &plugin : loader.plugins()) {
        auto *pluginItem = new QTreeWidgetItem(m_tree);
        pluginItem->setText(0, plugin->name());
        pluginItem->setText(1, plugin->version());
        pluginItem->setToolTip(0, QStringLiteral("%1\n%2 (%3)")
                                      .arg(plugin->description(), plugin->fileName(),
                                           plugin->communicationType()));
        for (const ExtensionSystem::SensorBasic &sensor : plugin->sensors()) {
            auto *item = new QTreeWidgetItem(pluginItem);
            const QString name = QString::fromStdString(sensor.name());
            item->setText(0, name);
            item->setText(1, QString::fromStdString(sensor.id()));
            item->setData(0, SensorNameRole, name);
            item->setToolTip(0, QString::fromStdString(sensor.description()));
        }
        pluginItem->setExpanded(true);
    }
}

void PluginDock::onItemActivated(QTreeWidgetItem *item)
{
    const QString name = item ? item->data(0, SensorNameRole).toString() : QString();
    if (!name.isEmpty())
        emit sensorActivated(name);
}

} // namespace Kalvio
