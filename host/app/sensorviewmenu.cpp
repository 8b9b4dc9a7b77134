#include "app/sensorviewmenu.h"

#include <QAction>
#include <QDockWidget>
#include <QMenu>
#include <QToolBar>

namespace Kalvio {

namespace {

// A sensor window may give several tool bars the same generic title; the menu
// names those by what they hold. Other titles are shown as they are.
QString entryText(QWidget *widget)
{
    const QString title = widget->windowTitle().trimmed();
    const QWidget *window = widget->parentWidget();
    int sameTitle = 0;
    for (const QToolBar *bar : window->findChildren<QToolBar *>(QString(), Qt::FindDirectChildrenOnly))
        sameTitle += bar->windowTitle().trimmed() == title;
    if (!title.isEmpty() && sameTitle < 2)
        return title;
    const QString name = widget->objectName();
    if (name.startsWith(QLatin1String("chart")))
        return SensorViewMenu::tr("Chart Tool Bar");
    if (name.startsWith(QLatin1String("connection")))
        return SensorViewMenu::tr("Connection Tool Bar");
    if (name.contains(QLatin1String("Combo")))
        return SensorViewMenu::tr("Output Tool Bar");
    return title.isEmpty() ? name : title;
}

} // namespace

SensorViewMenu::SensorViewMenu(QMenu *menu)
    : QObject(menu)
    , m_menu(menu)
    , m_separator(menu->addSeparator())
{
    m_separator->setVisible(false);
}

void SensorViewMenu::showWindow(QWidget *window)
{
    qDeleteAll(m_entries);
    m_entries.clear();
    if (window) {
        // Docks first, then tool bars, each in the order the window made them.
        for (QDockWidget *dock : window->findChildren<QDockWidget *>())
            addEntry(dock, dock->toggleViewAction());
        for (QToolBar *bar : window->findChildren<QToolBar *>()) {
            // A tool bar inside a dock or another widget is that widget's business.
            if (bar->parentWidget() == window)
                addEntry(bar, bar->toggleViewAction());
        }
    }
    m_separator->setVisible(!m_entries.isEmpty());
}

// Each entry mirrors the widget's own toggle action under a name of the menu's
// choosing; triggering it triggers that action, which shows or hides the widget.
void SensorViewMenu::addEntry(QWidget *widget, QAction *toggle)
{
    auto *entry = new QAction(entryText(widget), this);
    entry->setCheckable(true);
    entry->setChecked(toggle->isChecked());
    entry->setData(QVariant::fromValue<QObject *>(widget));
    connect(toggle, &QAction::toggled, entry, &QAction::setChecked);
    connect(entry, &QAction::triggered, toggle, &QAction::trigger);
    connect(widget, &QWidget::windowTitleChanged, entry,
            [entry, widget] { entry->setText(entryText(widget)); });
    m_menu->addAction(entry);
    m_entries.append(entry);
}

QList<QAction *> SensorViewMenu::entries() const
{
    QList<QAction *> actions;
    for (QAction *entry : m_entries)
        actions << entry;
    return actions;
}

} // namespace Kalvio
