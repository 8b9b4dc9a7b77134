#include "propertybrowser/qtabstracteditorfactory.h"

QtAbstractEditorFactoryBase::QtAbstractEditorFactoryBase(QObject *parent)
    : QObject(parent)
{
}
