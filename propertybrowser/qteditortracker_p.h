#pragma once

#include "propertybrowser/qtproperty.h"

#include <QHash>
#include <QList>
#include <QObject>

// Bookkeeping of a factory: which open editors show which property. Editors
// drop out when they are destroyed; forget() cuts a property that is going away
// loose from its editors.
template <class Editor>
class QtEditorTracker
{
public:
    void add(QtProperty *property, Editor *editor, QObject *context)
    {
        m_editors[property].append(editor);
        m_properties.insert(editor, property);
        QObject::connect(editor, &QObject::destroyed, context,
                         [this](QObject *object) { remove(object); });
    }

    QList<Editor *> editors(const QtProperty *property) const
    {
        return m_editors.value(const_cast<QtProperty *>(property));
    }

    QtProperty *property(const QObject *editor) const
    {
        return m_properties.value(editor);
    }

    void forget(QtProperty *property)
    {
        const QList<Editor *> editors = m_editors.take(property);
        for (Editor *editor : editors)
            m_properties.remove(editor);
    }

private:
    void remove(QObject *object)
    {
        QtProperty *property = m_properties.take(object);
        if (!property)
            return;
        QList<Editor *> &editors = m_editors[property];
        for (int i = editors.size() - 1; i >= 0; --i) {
            if (static_cast<QObject *>(editors.at(i)) == object)
                editors.removeAt(i);
        }
        if (editors.isEmpty())
            m_editors.remove(property);
    }

    QHash<QtProperty *, QList<Editor *>> m_editors;
    QHash<const QObject *, QtProperty *> m_properties;
};
