#pragma once

#include "propertybrowser/qtabstracteditorfactory.h"
#include "propertybrowser/qtbrowseritem.h"
#include "propertybrowser/qtproperty.h"

#include <QWidget>

#include <memory>

class QTreeWidget;
class QtAbstractPropertyManager;
class QtTreePropertyBrowserPrivate;

// Shows properties as a two-column tree ("Property", "Value"). Values are edited in
// place with the editor of the factory registered for the property's manager; the
// current row keeps its editor open.
class QtTreePropertyBrowser : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(QtTreePropertyBrowser)

public:
    enum ResizeMode { Interactive, Stretch, Fixed, ResizeToContents };
    Q_ENUM(ResizeMode)

    explicit QtTreePropertyBrowser(QWidget *parent = nullptr);
    ~QtTreePropertyBrowser() override;

    template <class PropertyManager>
    void setFactoryForManager(PropertyManager *manager,
                              QtAbstractEditorFactory<PropertyManager> *factory)
    {
        if (!manager)
            return;
        if (factory)
            factory->addPropertyManager(manager);
        registerFactory(manager, factory);
    }
    void unsetFactoryForManager(QtAbstractPropertyManager *manager);

    QList<QtProperty *> properties() const;
    QList<QtBrowserItem *> topLevelItems() const;
    QtBrowserItem *topLevelItem(QtProperty *property) const;
    QList<QtBrowserItem *> items(QtProperty *property) const;

    // Appends `property` as a top-level row (one item per top-level property).
    QtBrowserItem *addProperty(QtProperty *property);
    QtBrowserItem *insertProperty(QtProperty *property, QtProperty *afterProperty);
    void removeProperty(QtProperty *property);
    void clear();

    QtBrowserItem *currentItem() const;
    void setCurrentItem(QtBrowserItem *item);
    // Makes `item` current and moves the keyboard focus into its editor.
    void editItem(QtBrowserItem *item);

    void setItemVisible(QtBrowserItem *item, bool visible);
    bool isItemVisible(QtBrowserItem *item) const;
    void setExpanded(QtBrowserItem *item, bool expanded);
    bool isExpanded(QtBrowserItem *item) const;

    ResizeMode resizeMode() const;
    void setResizeMode(ResizeMode mode);
    int splitterPosition() const;
    void setSplitterPosition(int position);
    bool rootIsDecorated() const;
    void setRootIsDecorated(bool show);
    bool alternatingRowColors() const;
    void setAlternatingRowColors(bool enable);
    int indentation() const;
    void setIndentation(int indentation);

    QTreeWidget *treeWidget() const;

signals:
    void currentItemChanged(QtBrowserItem *current);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // The value texts of the managers (a bool's "True") are translated too.
    void changeEvent(QEvent *event) override;

private:
    void registerFactory(QtAbstractPropertyManager *manager,
                         QtAbstractEditorFactoryBase *factory);

    std::unique_ptr<QtTreePropertyBrowserPrivate> d;
    friend class QtTreePropertyBrowserPrivate;
};
