#include "propertybrowser/qtproperty.h"

#include "propertybrowser/qtabstractpropertymanager.h"

#include <QSet>

class QtPropertyPrivate
{
public:
    QtAbstractPropertyManager *manager = nullptr;
    QString name;
    QString id;
    QString toolTip;
    QString statusTip;
    QString whatsThis;
    bool enabled = true;
    QList<QtProperty *> children;
    QList<QtProperty *> parents;
};

QtProperty::QtProperty(QtAbstractPropertyManager *manager)
    : d(std::make_unique<QtPropertyPrivate>())
{
    d->manager = manager;
}

QtProperty::~QtProperty()
{
    d->manager->propertyDestroying(this);
    const QList<QtProperty *> parents = d->parents;
    for (QtProperty *parent : parents)
        parent->removeSubProperty(this);
    const QList<QtProperty *> children = d->children;
    for (QtProperty *child : children)
        removeSubProperty(child);
}

QtAbstractPropertyManager *QtProperty::propertyManager() const
{
    return d->manager;
}

QString QtProperty::propertyName() const
{
    return d->name;
}

void QtProperty::setPropertyName(const QString &name)
{
    if (d->name == name)
        return;
    d->name = name;
    changed();
}

QString QtProperty::propertyId() const
{
    return d->id;
}

void QtProperty::setPropertyId(const QString &id)
{
    d->id = id;
}

QString QtProperty::toolTip() const
{
    return d->toolTip;
}

void QtProperty::setToolTip(const QString &text)
{
    if (d->toolTip == text)
        return;
    d->toolTip = text;
    changed();
}

QString QtProperty::statusTip() const
{
    return d->statusTip;
}

void QtProperty::setStatusTip(const QString &text)
{
    if (d->statusTip == text)
        return;
    d->statusTip = text;
    changed();
}

QString QtProperty::whatsThis() const
{
    return d->whatsThis;
}

void QtProperty::setWhatsThis(const QString &text)
{
    if (d->whatsThis == text)
        return;
    d->whatsThis = text;
    changed();
}

bool QtProperty::isEnabled() const
{
    return d->enabled;
}

void QtProperty::setEnabled(bool enabled)
{
    if (d->enabled == enabled)
        return;
    d->enabled = enabled;
    changed();
}

bool QtProperty::hasValue() const
{
    return d->manager->hasValue(this);
}

QString QtProperty::valueText() const
{
    return d->manager->valueText(this);
}

QVariant QtProperty::valueData(int role) const
{
    if (role == Qt::DisplayRole)
        return valueText();
    return d->manager->valueData(this, role);
}

QList<QtProperty *> QtProperty::subProperties() const
{
    return d->children;
}

QList<QtProperty *> QtProperty::parentProperties() const
{
    return d->parents;
}

void QtProperty::addSubProperty(QtProperty *property)
{
    insertSubProperty(property, d->children.isEmpty() ? nullptr : d->children.last());
}

void QtProperty::insertSubProperty(QtProperty *property, QtProperty *afterProperty)
{
    if (!property || property == this || d->children.contains(property))
        return;
    if (afterProperty && !d->children.contains(afterProperty))
        return;
    // Adding an ancestor below one of its descendants would make the tree endless.
    if (isInSubtreeOf(property))
        return;
    const int index = afterProperty ? d->children.indexOf(afterProperty) + 1 : 0;
    d->children.insert(index, property);
    property->d->parents.append(this);
    d->manager->propertyInsertedInto(property, this, afterProperty);
}

void QtProperty::removeSubProperty(QtProperty *property)
{
    if (!property || !d->children.removeOne(property))
        return;
    property->d->parents.removeOne(this);
    d->manager->propertyRemovedFrom(property, this);
}

void QtProperty::initializeName(const QString &name)
{
    d->name = name;
}

bool QtProperty::isInSubtreeOf(const QtProperty *root) const
{
    QSet<const QtProperty *> visited;
    QList<const QtProperty *> pending{root};
    while (!pending.isEmpty()) {
        const QtProperty *current = pending.takeLast();
        if (current == this)
            return true;
        if (visited.contains(current))
            continue;
        visited.insert(current);
        for (const QtProperty *child : current->d->children)
            pending.append(child);
    }
    return false;
}

void QtProperty::changed()
{
    d->manager->propertyChangedInternally(this);
}
