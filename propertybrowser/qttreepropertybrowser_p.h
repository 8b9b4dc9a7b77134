#pragma once

// The tree browser's inner state: the tree widget, the items it shows for each
// property, and the managers and editor factories it listens to.

#include "propertybrowser/qttreepropertybrowser.h"

#include <QHash>
#include <QList>
#include <QMetaObject>
#include <QPointer>

class QModelIndex;
class QTreeWidgetItem;
class QtPropertyItemDelegate;
class QtPropertyTreeWidget;

class QtTreePropertyBrowserPrivate
{
public:
    explicit QtTreePropertyBrowserPrivate(QtTreePropertyBrowser *browser)
        : q(browser)
    {
    }

    struct ManagerLink
    {
        int items = 0;
        QList<QMetaObject::Connection> connections;
    };

    void setUp();
    void limitNameColumn();
    void deleteItems()
    {
        for (auto it = treeItems.cbegin(); it != treeItems.cend(); ++it)
            delete it.key();
        treeItems.clear();
    }

    QtBrowserItem *createItem(QtProperty *property, QtBrowserItem *parent, int index);
    void removeItem(QtBrowserItem *item);
    void updateItem(QtBrowserItem *item);
    void updateSubtree(QtBrowserItem *item);
    bool isRowEnabled(const QtBrowserItem *item) const;
    bool isEditable(QTreeWidgetItem *treeItem) const;
    void refreshEditor();
    QWidget *createEditor(const QModelIndex &index, QWidget *parent);

    void attachManager(QtAbstractPropertyManager *manager);
    void detachManager(QtAbstractPropertyManager *manager);

    void propertyInserted(QtProperty *property, QtProperty *parent, QtProperty *after);
    void propertyRemoved(QtProperty *property, QtProperty *parent);
    void propertyChanged(QtProperty *property);
    void propertyDestroyed(QtProperty *property);
    void currentTreeItemChanged(QTreeWidgetItem *current);

    QTreeWidgetItem *treeItem(const QtBrowserItem *item) const
    {
        return treeItems.value(const_cast<QtBrowserItem *>(item));
    }

    QtTreePropertyBrowser *q;
    QtPropertyTreeWidget *tree = nullptr;
    QtPropertyItemDelegate *delegate = nullptr;
    QList<QtBrowserItem *> topItems;
    QHash<QtProperty *, QList<QtBrowserItem *>> propertyItems;
    QHash<QtBrowserItem *, QTreeWidgetItem *> treeItems;
    QHash<QTreeWidgetItem *, QtBrowserItem *> browserItems;
    QHash<QtAbstractPropertyManager *, QPointer<QtAbstractEditorFactoryBase>> factories;
    QHash<QtAbstractPropertyManager *, ManagerLink> managers;
    QHash<QtAbstractPropertyManager *, QMetaObject::Connection> managerWatches;
    QTreeWidgetItem *editorItem = nullptr;
    QtTreePropertyBrowser::ResizeMode resizeMode = QtTreePropertyBrowser::Stretch;
    static constexpr int minimumValueWidth = 120;
    bool clearing = false;
};
