#include "propertybrowser/qtlineeditfactory.h"

#include "propertybrowser/qteditortracker_p.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>

#include <functional>

namespace {

class PropertyLineEdit : public QLineEdit
{
public:
    using QLineEdit::QLineEdit;

    std::function<void()> revert;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_Escape && revert && isModified()) {
            revert();
            event->accept();
            return;
        }
        QLineEdit::keyPressEvent(event);
    }
};

} // namespace

class QtLineEditFactoryPrivate
{
public:
    void sync(QtStringPropertyManager *manager, QtProperty *property)
    {
        for (QLineEdit *edit : tracker.editors(property)) {
            const QString value = manager->value(property);
            if (edit->text() != value) {
                const QSignalBlocker blocker(edit);
                edit->setText(value);
            }
            edit->setModified(false);
            edit->setEnabled(property->isEnabled());
        }
    }

    QtEditorTracker<QLineEdit> tracker;
};

QtLineEditFactory::QtLineEditFactory(QObject *parent)
    : QtAbstractEditorFactory<QtStringPropertyManager>(parent)
    , d(std::make_unique<QtLineEditFactoryPrivate>())
{
}

QtLineEditFactory::~QtLineEditFactory() = default;

void QtLineEditFactory::connectPropertyManager(QtStringPropertyManager *manager)
{
    connect(manager, &QtAbstractPropertyManager::propertyChanged, this,
            [this, manager](QtProperty *property) { d->sync(manager, property); });
    connect(manager, &QtAbstractPropertyManager::propertyDestroyed, this,
            [this](QtProperty *property) { d->tracker.forget(property); });
}

QWidget *QtLineEditFactory::createPropertyEditor(QtStringPropertyManager *manager,
                                                 QtProperty *property, QWidget *parent)
{
    auto *edit = new PropertyLineEdit(parent);
    edit->setFrame(false);
    edit->setAutoFillBackground(true);
    d->tracker.add(property, edit, this);
    d->sync(manager, property);
    edit->revert = [this, edit] {
        QtProperty *edited = d->tracker.property(edit);
        if (QtStringPropertyManager *owner = propertyManager(edited)) {
            edit->setText(owner->value(edited));
            edit->setModified(false);
        }
    };
    connect(edit, &QLineEdit::editingFinished, this, [this, edit] {
        QtProperty *edited = d->tracker.property(edit);
        if (QtStringPropertyManager *owner = propertyManager(edited))
            owner->setValue(edited, edit->text());
    });
    return edit;
}

void QtLineEditFactory::disconnectPropertyManager(QtStringPropertyManager *manager)
{
    const QList<QtProperty *> properties = manager->properties();
    for (QtProperty *property : properties)
        d->tracker.forget(property);
}
