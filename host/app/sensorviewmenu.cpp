#include "app/sensorviewmenu.h"

#include <QAction>
#include <QDockWidget>
#include <QMenu>
#include <QToolBar>

namespace Kalvio {

SensorViewMenu::SensorViewMenu(QMenu *menu)
    : QObject(menu)
    , m_menu(menu)
    , m_separator(menu->addSeparator())
{
    m_separator->setVisible(false);
}

void SensorViewMenu::showWindow(QWidget *window)
{
    for (const QPointer<QAction> &entry : qAsConst(m_entries)) {
        if (entry)
            m_menu->removeAction(entry);
    }
    m_entries.clear();
    if (window) {
        // Docks first, then tool bars, each in the order the window made them.
        for (QDockWidget *dock : window->findChildren<QDockWidget *>())
            m_entries.append(dock->toggleViewAction());
        for (QToolBar *bar : window->findChildren<QToolBar *>()) {
            // A tool bar inside a dock or another widget is that widget's business.
            if (bar->parentWidget() == window)
                m_entries.append(bar->toggleViewAction());
        }
    }
    for (const QPointer<QAction> &entry : qAsConst(m_entries))
        m_menu->addAction(entry);
    m_separator->setVisible(!m_entries.isEmpty());
}

QList<QAction *> SensorViewMenu::entries() const
{
    QList<QAction *> actions;
    for (const QPointer<QAction> &entry : m_entries) {
        if (entry)
            actions << entry.data();
    }
    return actions;
}

} // namespace Kalvio
