#pragma once

#include <QList>
#include <QObject>

class QAction;
class QMenu;
class QWidget;

namespace Kalvio {

// The part of a menu that lists a sensor window's docks and tool bars as
// checkable entries, so that a closed dock or a hidden tool bar can be shown
// again. The entries follow the docks' and tool bars' own toggle actions, found
// among the window's children; the plug-in is not asked for anything.
class SensorViewMenu : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(SensorViewMenu)

public:
    // The entries go to the end of `menu`.
    explicit SensorViewMenu(QMenu *menu);

    // Lists the docks and tool bars of `window` (null: none) instead of the previous ones.
    void showWindow(QWidget *window);
    QList<QAction *> entries() const;

private:
    void addEntry(QWidget *widget, QAction *toggle);

    QMenu *m_menu;
    QAction *m_separator;
    QList<QAction *> m_entries; // owned by this object
};

} // namespace Kalvio
