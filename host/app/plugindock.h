#pragma once

#include <QDockWidget>

class QTreeWidget;
class QTreeWidgetItem;

namespace Kalvio {

class PluginLoader;

// The dock that lists every plug-in with its identity and its sensors; a
// double-click on a sensor asks for it to be opened.
class PluginDock : public QDockWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(PluginDock)

public:
    explicit PluginDock(QWidget *parent = nullptr);

    void setPlugins(const PluginLoader &loader);
    QTreeWidget *tree() const { return m_tree; }
    void retranslate();

signals:
    void sensorActivated(const QString &sensorName);

private:
    void onItemActivated(QTreeWidgetItem *item);

    QTreeWidget *m_tree;
};

} // namespace Kalvio
