#include "propertybrowser/qtcheckboxfactory.h"

#include "propertybrowser/qteditortracker_p.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QStyle>

class QtCheckBoxFactoryPrivate
{
public:
    void sync(QtBoolPropertyManager *manager, QtProperty *property)
    {
        for (QCheckBox *box : tracker.editors(property)) {
            const QSignalBlocker blocker(box);
            box->setChecked(manager->value(property));
            box->setText(property->valueText());
            box->setEnabled(property->isEnabled());
        }
    }

    QtEditorTracker<QCheckBox> tracker;
};

QtCheckBoxFactory::QtCheckBoxFactory(QObject *parent)
    : QtAbstractEditorFactory<QtBoolPropertyManager>(parent)
    , d(std::make_unique<QtCheckBoxFactoryPrivate>())
{
}

QtCheckBoxFactory::~QtCheckBoxFactory() = default;

void QtCheckBoxFactory::connectPropertyManager(QtBoolPropertyManager *manager)
{
    connect(manager, &QtAbstractPropertyManager::propertyChanged, this,
            [this, manager](QtProperty *property) { d->sync(manager, property); });
    connect(manager, &QtAbstractPropertyManager::propertyDestroyed, this,
            [this](QtProperty *property) { d->tracker.forget(property); });
}

QWidget *QtCheckBoxFactory::createPropertyEditor(QtBoolPropertyManager *manager,
                                                 QtProperty *property, QWidget *parent)
{
    // The box sits in a frame with the item view's text margin, so that its
    // indicator lands where the view paints the indicator of rows not being edited.
    auto *frame = new QWidget(parent);
    frame->setAutoFillBackground(true);
    auto *layout = new QHBoxLayout(frame);
    const int margin = frame->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, frame);
    layout->setContentsMargins(margin + 1, 0, 0, 0);
    auto *box = new QCheckBox(frame);
    // The tree keeps the focus; it toggles the box on Space.
    box->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(box);
    d->tracker.add(property, box, this);
    d->sync(manager, property);
    connect(box, &QCheckBox::toggled, this, [this, box](bool checked) {
        QtProperty *edited = d->tracker.property(box);
        if (QtBoolPropertyManager *owner = propertyManager(edited))
            owner->setValue(edited, checked);
    });
    return frame;
}

void QtCheckBoxFactory::disconnectPropertyManager(QtBoolPropertyManager *manager)
{
    const QList<QtProperty *> properties = manager->properties();
    for (QtProperty *property : properties)
        d->tracker.forget(property);
}
