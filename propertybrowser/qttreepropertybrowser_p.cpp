#include "propertybrowser/qttreepropertybrowser_p.h"

#include "propertybrowser/qtabstractpropertymanager.h"
#include "propertybrowser/qtpropertyitemdelegate_p.h"
#include "propertybrowser/qtpropertytreewidget_p.h"

#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QSpinBox>
#include <QVBoxLayout>

void QtTreePropertyBrowserPrivate::setUp()
{
    auto *layout = new QVBoxLayout(q);
    layout->setContentsMargins(0, 0, 0, 0);
    tree = new QtPropertyTreeWidget(q);
    layout->addWidget(tree);
    q->setFocusProxy(tree);

    delegate = new QtPropertyItemDelegate(
        [this](const QModelIndex &index, QWidget *parent) { return createEditor(index, parent); },
        tree);
    // Rows are as high as the editors, so opening one does not make the row jump.
    QSpinBox spinBox;
    spinBox.setFrame(false);
    QComboBox comboBox;
    comboBox.setFrame(false);
    delegate->setMinimumRowHeight(
        qMax(spinBox.sizeHint().height(), comboBox.sizeHint().height()));
    tree->setItemDelegate(delegate);

    tree->setColumnCount(2);
    tree->setHeaderLabels({QtTreePropertyBrowser::tr("Property"),
                           QtTreePropertyBrowser::tr("Value")});
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setAllColumnsShowFocus(true);
    tree->setUniformRowHeights(true);
    tree->setRootIsDecorated(true);
    tree->header()->setSectionsMovable(false);
    tree->header()->setStretchLastSection(true);
    tree->header()->setSectionResizeMode(QHeaderView::Stretch);

    QObject::connect(tree, &QTreeWidget::currentItemChanged, q,
                     [this](QTreeWidgetItem *current) { currentTreeItemChanged(current); });
    tree->viewport()->installEventFilter(q);
}

void QtTreePropertyBrowserPrivate::limitNameColumn()
{
    // Sized to its contents, the name column would push long names' values out of
    // sight; it gives way (eliding the names) so that the values keep their room.
    QHeaderView *header = tree->header();
    const int limit = resizeMode == QtTreePropertyBrowser::ResizeToContents
        ? tree->viewport()->width() - minimumValueWidth
        : QWIDGETSIZE_MAX;
    header->setMaximumSectionSize(qMax(limit, qMax(header->minimumSectionSize(), 60)));
}

QtBrowserItem *QtTreePropertyBrowserPrivate::createItem(QtProperty *property,
                                                       QtBrowserItem *parent, int index)
{
    auto *item = new QtBrowserItem(q, property, parent);
    auto *treeItem = new QTreeWidgetItem;
    treeItem->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    if (parent) {
        parent->m_children.insert(index, item);
        this->treeItem(parent)->insertChild(index, treeItem);
    } else {
        topItems.insert(index, item);
        tree->insertTopLevelItem(index, treeItem);
    }
    treeItems.insert(item, treeItem);
    browserItems.insert(treeItem, item);
    propertyItems[property].append(item);
    attachManager(property->propertyManager());
    updateItem(item);
    treeItem->setExpanded(true);

    const QList<QtProperty *> children = property->subProperties();
    for (int i = 0; i < children.size(); ++i)
        createItem(children.at(i), item, i);
    return item;
}

void QtTreePropertyBrowserPrivate::removeItem(QtBrowserItem *item)
{
    while (!item->m_children.isEmpty())
        removeItem(item->m_children.last());

    QTreeWidgetItem *treeItem = treeItems.take(item);
    browserItems.remove(treeItem);
    if (treeItem == editorItem) {
        tree->closePersistentEditor(treeItem, 1);
        editorItem = nullptr;
    }
    if (item->m_parent)
        item->m_parent->m_children.removeOne(item);
    else
        topItems.removeOne(item);
    QList<QtBrowserItem *> &places = propertyItems[item->m_property];
    places.removeOne(item);
    if (places.isEmpty())
        propertyItems.remove(item->m_property);
    detachManager(item->m_property->propertyManager());
    delete item;
    // Deleting the tree item may make another row current; the maps are consistent by now.
    delete treeItem;
}

bool QtTreePropertyBrowserPrivate::isRowEnabled(const QtBrowserItem *item) const
{
    for (; item; item = item->m_parent) {
        if (!item->m_property->isEnabled())
            return false;
    }
    return true;
}

void QtTreePropertyBrowserPrivate::updateItem(QtBrowserItem *item)
{
    QTreeWidgetItem *row = treeItem(item);
    QtProperty *property = item->m_property;
    const bool group = !property->hasValue();
    const bool disabled = !isRowEnabled(item);

    row->setText(0, property->propertyName());
    row->setText(1, group ? QString() : property->valueText());
    const QString toolTip = property->toolTip();
    row->setToolTip(0, toolTip.isEmpty() ? property->propertyName() : toolTip);
    row->setToolTip(1, toolTip.isEmpty() ? property->valueText() : toolTip);
    row->setStatusTip(0, property->statusTip());
    row->setStatusTip(1, property->statusTip());
    row->setWhatsThis(0, property->whatsThis());
    row->setWhatsThis(1, property->whatsThis());
    const QVariant checkState = group ? QVariant() : property->valueData(Qt::CheckStateRole);
    if (checkState.isValid())
        row->setData(1, Qt::CheckStateRole, checkState);
    row->setData(1, QtProperty::ButtonRole, property->valueData(QtProperty::ButtonRole));

    if (row->font(0).bold() != group) {
        QFont font = row->font(0);
        font.setBold(group);
        row->setFont(0, font);
    }
    if (row->isFirstColumnSpanned() != group)
        row->setFirstColumnSpanned(group);
    for (int column = 0; column < 2; ++column) {
        row->setData(column, QtPropertyItemDelegate::GroupRole, group);
        row->setData(column, QtPropertyItemDelegate::DisabledRole, disabled);
    }
}

void QtTreePropertyBrowserPrivate::updateSubtree(QtBrowserItem *item)
{
    updateItem(item);
    for (QtBrowserItem *child : qAsConst(item->m_children))
        updateSubtree(child);
}

bool QtTreePropertyBrowserPrivate::isEditable(QTreeWidgetItem *row) const
{
    QtBrowserItem *item = browserItems.value(row);
    if (!item || !item->m_property->hasValue() || !isRowEnabled(item))
        return false;
    return !factories.value(item->m_property->propertyManager()).isNull();
}

void QtTreePropertyBrowserPrivate::refreshEditor()
{
    QTreeWidgetItem *current = tree->currentItem();
    if (editorItem && (editorItem != current || !isEditable(editorItem))) {
        QTreeWidgetItem *closing = editorItem;
        editorItem = nullptr;
        tree->closePersistentEditor(closing, 1);
    }
    if (!editorItem && current && isEditable(current)) {
        editorItem = current;
        tree->openPersistentEditor(current, 1);
    }
}

QWidget *QtTreePropertyBrowserPrivate::createEditor(const QModelIndex &index, QWidget *parent)
{
    QtBrowserItem *item = browserItems.value(tree->indexToItem(index));
    if (!item || index.column() != 1)
        return nullptr;
    QtAbstractEditorFactoryBase *factory = factories.value(item->m_property->propertyManager());
    return factory ? factory->createEditor(item->m_property, parent) : nullptr;
}

void QtTreePropertyBrowserPrivate::attachManager(QtAbstractPropertyManager *manager)
{
    ManagerLink &link = managers[manager];
    if (link.items++ > 0)
        return;
    using Manager = QtAbstractPropertyManager;
    link.connections = {
        QObject::connect(manager, &Manager::propertyInserted, q,
                         [this](QtProperty *property, QtProperty *parent, QtProperty *after) {
                             propertyInserted(property, parent, after);
                         }),
        QObject::connect(manager, &Manager::propertyRemoved, q,
                         [this](QtProperty *property, QtProperty *parent) {
                             propertyRemoved(property, parent);
                         }),
        QObject::connect(manager, &Manager::propertyChanged, q,
                         [this](QtProperty *property) { propertyChanged(property); }),
        QObject::connect(manager, &Manager::propertyDestroyed, q,
                         [this](QtProperty *property) { propertyDestroyed(property); }),
    };
}

void QtTreePropertyBrowserPrivate::detachManager(QtAbstractPropertyManager *manager)
{
    const auto it = managers.find(manager);
    if (it == managers.end() || --it->items > 0)
        return;
    for (const QMetaObject::Connection &connection : qAsConst(it->connections))
        QObject::disconnect(connection);
    managers.erase(it);
}

void QtTreePropertyBrowserPrivate::propertyInserted(QtProperty *property, QtProperty *parent,
                                                    QtProperty *after)
{
    const QList<QtBrowserItem *> parentItems = propertyItems.value(parent);
    for (QtBrowserItem *parentItem : parentItems) {
        int index = 0;
        if (after) {
            for (int i = 0; i < parentItem->m_children.size(); ++i) {
                if (parentItem->m_children.at(i)->m_property == after)
                    index = i + 1;
            }
        }
        createItem(property, parentItem, index);
    }
}

void QtTreePropertyBrowserPrivate::propertyRemoved(QtProperty *property, QtProperty *parent)
{
    const QList<QtBrowserItem *> parentItems = propertyItems.value(parent);
    for (QtBrowserItem *parentItem : parentItems) {
        const QList<QtBrowserItem *> children = parentItem->m_children;
        for (QtBrowserItem *child : children) {
            if (child->m_property == property)
                removeItem(child);
        }
    }
    refreshEditor();
}

void QtTreePropertyBrowserPrivate::propertyChanged(QtProperty *property)
{
    const QList<QtBrowserItem *> places = propertyItems.value(property);
    for (QtBrowserItem *item : places)
        updateSubtree(item);
    refreshEditor();
}

void QtTreePropertyBrowserPrivate::propertyDestroyed(QtProperty *property)
{
    while (propertyItems.contains(property))
        removeItem(propertyItems.value(property).first());
    refreshEditor();
}

void QtTreePropertyBrowserPrivate::currentTreeItemChanged(QTreeWidgetItem *current)
{
    if (clearing)
        return;
    refreshEditor();
    emit q->currentItemChanged(browserItems.value(current));
}
