#include "propertybrowser/qttreepropertybrowser.h"
#include "propertybrowser/qttreepropertybrowser_p.h"

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
    // The type first: while the tree is destroyed, its viewport is no more to be asked.
    if (event->type() == QEvent::Resize && watched == d->tree->viewport())
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
