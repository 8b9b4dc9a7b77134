#pragma once

#include <QList>
#include <QMetaType>

class QtProperty;
class QtTreePropertyBrowser;

// One place where a property appears in a browser. A property below two parents
// has two browser items; both show the same value.
class QtBrowserItem
{
public:
    QtProperty *property() const { return m_property; }
    QtBrowserItem *parent() const { return m_parent; }
    QList<QtBrowserItem *> children() const { return m_children; }
    QtTreePropertyBrowser *browser() const { return m_browser; }

private:
    friend class QtTreePropertyBrowserPrivate;

    QtBrowserItem(QtTreePropertyBrowser *browser, QtProperty *property, QtBrowserItem *parent)
        : m_browser(browser)
        , m_property(property)
        , m_parent(parent)
    {
    }
    ~QtBrowserItem() = default;
    Q_DISABLE_COPY(QtBrowserItem)

    QtTreePropertyBrowser *m_browser;
    QtProperty *m_property;
    QtBrowserItem *m_parent;
    QList<QtBrowserItem *> m_children;
};

Q_DECLARE_METATYPE(QtBrowserItem *)
