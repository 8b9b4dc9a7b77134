#include "propertybrowser/qttreepropertybrowser.h"

#include "propertybrowser/qtabstractpropertymanager.h"
#include "propertybrowser/qtpropertyitemdelegate_p.h"
#include "propertybrowser/qtpropertytreewidget_p.h"

#include <QComboBox>
#include <QEvent>
#include <QHash>
#include <QHeaderView>
#include <QPointer>
#include <QSpinBox>
#include <QVBoxLayout>

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

QtTreePropertyBrowser::QtTreePropertyBrowser(QWidget *parent)
    : QWidget(parent)
    , d(std::make_unique<QtTreePropertyBrowserPrivate>(this))
{
    qRegisterMetaType<QtBrowserItem *>();
    d->setUp();
}

QtTreePropertyBrowser::~QtTreePropertyBrowser()
{
    d->clearing = true;
    for (auto it = d->managers.cbegin(); it != d->managers.cend(); ++it) {
        for (const QMetaObject::Connection &connection : it->connections)
            disconnect(connection);
    }
    for (const QMetaObject::Connection &connection : qAsConst(d->managerWatches))
        disconnect(connection);
    // The tree goes first: its rows and editors refer to the items deleted below.
    disconnect(d->tree, nullptr, this, nullptr);
    delete d->tree;
    d->tree = nullptr;
    d->deleteItems();
}

void QtTreePropertyBrowser::registerFactory(QtAbstractPropertyManager *manager,
                                            QtAbstractEditorFactoryBase *factory)
{
    if (factory)
        d->factories.insert(manager, factory);
    else
        d->factories.remove(manager);
    if (!d->managerWatches.contains(manager)) {
        d->managerWatches.insert(manager,
                                 connect(manager, &QObject::destroyed, this, [this, manager] {
                                     d->factories.remove(manager);
                                     d->managerWatches.remove(manager);
                                 }));
    }
    // The current row may have become editable, or may have lost its editor.
    if (d->editorItem) {
        QTreeWidgetItem *closing = d->editorItem;
        d->editorItem = nullptr;
        d->tree->closePersistentEditor(closing, 1);
    }
    d->refreshEditor();
}

void QtTreePropertyBrowser::unsetFactoryForManager(QtAbstractPropertyManager *manager)
{
    if (manager)
        registerFactory(manager, nullptr);
}

QList<QtProperty *> QtTreePropertyBrowser::properties() const
{
    QList<QtProperty *> result;
    for (const QtBrowserItem *item : qAsConst(d->topItems))
        result.append(item->property());
    return result;
}

QList<QtBrowserItem *> QtTreePropertyBrowser::topLevelItems() const
{
    return d->topItems;
}

QtBrowserItem *QtTreePropertyBrowser::topLevelItem(QtProperty *property) const
{
    for (QtBrowserItem *item : qAsConst(d->topItems)) {
        if (item->property() == property)
            return item;
    }
    return nullptr;
}

QList<QtBrowserItem *> QtTreePropertyBrowser::items(QtProperty *property) const
{
    return d->propertyItems.value(property);
}

QtBrowserItem *QtTreePropertyBrowser::addProperty(QtProperty *property)
{
    return insertProperty(property, d->topItems.isEmpty() ? nullptr
                                                          : d->topItems.last()->property());
}

QtBrowserItem *QtTreePropertyBrowser::insertProperty(QtProperty *property,
                                                     QtProperty *afterProperty)
{
    if (!property)
        return nullptr;
    if (QtBrowserItem *existing = topLevelItem(property))
        return existing;
    int index = 0;
    if (afterProperty) {
        QtBrowserItem *after = topLevelItem(afterProperty);
        index = after ? d->topItems.indexOf(after) + 1 : d->topItems.size();
    }
    QtBrowserItem *item = d->createItem(property, nullptr, index);
    d->refreshEditor();
    return item;
}

void QtTreePropertyBrowser::removeProperty(QtProperty *property)
{
    if (QtBrowserItem *item = topLevelItem(property)) {
        d->removeItem(item);
        d->refreshEditor();
    }
}

void QtTreePropertyBrowser::clear()
{
    while (!d->topItems.isEmpty())
        d->removeItem(d->topItems.last());
    d->refreshEditor();
}

QtBrowserItem *QtTreePropertyBrowser::currentItem() const
{
    return d->browserItems.value(d->tree->currentItem());
}

void QtTreePropertyBrowser::setCurrentItem(QtBrowserItem *item)
{
    d->tree->setCurrentItem(item ? d->treeItem(item) : nullptr);
}

void QtTreePropertyBrowser::editItem(QtBrowserItem *item)
{
    QTreeWidgetItem *row = item ? d->treeItem(item) : nullptr;
    if (!row)
        return;
    d->tree->setCurrentItem(row);
    d->tree->scrollToItem(row);
    d->tree->focusEditor(row);
}

void QtTreePropertyBrowser::setItemVisible(QtBrowserItem *item, bool visible)
{
    if (QTreeWidgetItem *row = item ? d->treeItem(item) : nullptr)
        row->setHidden(!visible);
}

bool QtTreePropertyBrowser::isItemVisible(QtBrowserItem *item) const
{
    QTreeWidgetItem *row = item ? d->treeItem(item) : nullptr;
    return row && !row->isHidden();
}

void QtTreePropertyBrowser::setExpanded(QtBrowserItem *item, bool expanded)
{
    if (QTreeWidgetItem *row = item ? d->treeItem(item) : nullptr)
        row->setExpanded(expanded);
}

bool QtTreePropertyBrowser::isExpanded(QtBrowserItem *item) const
{
    QTreeWidgetItem *row = item ? d->treeItem(item) : nullptr;
    return row && row->isExpanded();
}

QtTreePropertyBrowser::ResizeMode QtTreePropertyBrowser::resizeMode() const
{
    return d->resizeMode;
}

bool QtTreePropertyBrowser::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == d->tree->viewport() && event->type() == QEvent::Resize)
        d->limitNameColumn();
    return QWidget::eventFilter(watched, event);
}

void QtTreePropertyBrowser::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        d->tree->setHeaderLabels({tr("Property"), tr("Value")});
        for (QtBrowserItem *item : qAsConst(d->topItems))
            d->updateSubtree(item);
    }
    QWidget::changeEvent(event);
}

void QtTreePropertyBrowser::setResizeMode(ResizeMode mode)
{
    d->resizeMode = mode;
    QHeaderView::ResizeMode headerMode = QHeaderView::Stretch;
    switch (mode) {
    case Interactive:
        headerMode = QHeaderView::Interactive;
        break;
    case Stretch:
        headerMode = QHeaderView::Stretch;
        break;
    case Fixed:
        headerMode = QHeaderView::Fixed;
        break;
    case ResizeToContents:
        headerMode = QHeaderView::ResizeToContents;
        break;
    }
    d->tree->header()->setSectionResizeMode(0, headerMode);
    // The value column takes whatever room the property column leaves.
    d->tree->header()->setSectionResizeMode(1, mode == Stretch ? QHeaderView::Stretch
                                                               : QHeaderView::Interactive);
    d->tree->header()->setStretchLastSection(true);
    d->limitNameColumn();
}

int QtTreePropertyBrowser::splitterPosition() const
{
    return d->tree->header()->sectionSize(0);
}

void QtTreePropertyBrowser::setSplitterPosition(int position)
{
    d->tree->header()->resizeSection(0, position);
}

bool QtTreePropertyBrowser::rootIsDecorated() const
{
    return d->tree->rootIsDecorated();
}

void QtTreePropertyBrowser::setRootIsDecorated(bool show)
{
    d->tree->setRootIsDecorated(show);
}

bool QtTreePropertyBrowser::alternatingRowColors() const
{
    return d->tree->alternatingRowColors();
}

void QtTreePropertyBrowser::setAlternatingRowColors(bool enable)
{
    d->tree->setAlternatingRowColors(enable);
}

int QtTreePropertyBrowser::indentation() const
{
    return d->tree->indentation();
}

void QtTreePropertyBrowser::setIndentation(int indentation)
{
    d->tree->setIndentation(indentation);
}

QTreeWidget *QtTreePropertyBrowser::treeWidget() const
{
    return d->tree;
}
