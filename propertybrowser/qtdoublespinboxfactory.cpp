#include "propertybrowser/qtdoublespinboxfactory.h"

#include "propertybrowser/qteditortracker_p.h"
#include "propertybrowser/qtwheelguard_p.h"

#include <QDoubleSpinBox>
#include <QSignalBlocker>

#include <cmath>

namespace {

// QDoubleSpinBox refuses keystrokes that leave the range or add decimals, so a
// typed 12.345 in a box limited to 10 would read "1.23". This box takes any
// number and lets the limits and rounding apply when the entry is committed.
class LenientDoubleSpinBox : public QDoubleSpinBox
{
public:
    using QDoubleSpinBox::QDoubleSpinBox;

    QValidator::State validate(QString &input, int &) const override
    {
        const QString text = stripped(input);
        if (text.isEmpty() || text == locale().negativeSign() || text == locale().positiveSign()
            || text == locale().decimalPoint())
            return QValidator::Intermediate;
        bool ok = false;
        const double number = locale().toDouble(text, &ok);
        return ok && std::isfinite(number) ? QValidator::Acceptable : QValidator::Invalid;
    }

    double valueFromText(const QString &input) const override
    {
        bool ok = false;
        const double number = locale().toDouble(stripped(input), &ok);
        if (!ok || !std::isfinite(number))
            return value();
        return qBound(minimum(), number, maximum());
    }

private:
    QString stripped(QString text) const
    {
        if (!prefix().isEmpty() && text.startsWith(prefix()))
            text.remove(0, prefix().size());
        if (!suffix().isEmpty() && text.endsWith(suffix()))
            text.chop(suffix().size());
        text.remove(locale().groupSeparator());
        return text.trimmed();
    }
};

} // namespace

class QtDoubleSpinBoxFactoryPrivate
{
public:
    void sync(QtDoublePropertyManager *manager, QtProperty *property)
    {
        for (QDoubleSpinBox *box : tracker.editors(property)) {
            const QSignalBlocker blocker(box);
            // Decimals first: the box rounds its range and value to them.
            box->setDecimals(manager->decimals(property));
            box->setRange(manager->minimum(property), manager->maximum(property));
            box->setSingleStep(manager->singleStep(property));
            box->setValue(manager->value(property));
            box->setEnabled(property->isEnabled());
        }
    }

    QtEditorTracker<QDoubleSpinBox> tracker;
};

QtDoubleSpinBoxFactory::QtDoubleSpinBoxFactory(QObject *parent)
    : QtAbstractEditorFactory<QtDoublePropertyManager>(parent)
    , d(std::make_unique<QtDoubleSpinBoxFactoryPrivate>())
{
}

QtDoubleSpinBoxFactory::~QtDoubleSpinBoxFactory() = default;

void QtDoubleSpinBoxFactory::connectPropertyManager(QtDoublePropertyManager *manager)
{
    connect(manager, &QtAbstractPropertyManager::propertyChanged, this,
            [this, manager](QtProperty *property) { d->sync(manager, property); });
    connect(manager, &QtDoublePropertyManager::singleStepChanged, this,
            [this, manager](QtProperty *property) { d->sync(manager, property); });
    connect(manager, &QtAbstractPropertyManager::propertyDestroyed, this,
            [this](QtProperty *property) { d->tracker.forget(property); });
}

QWidget *QtDoubleSpinBoxFactory::createPropertyEditor(QtDoublePropertyManager *manager,
                                                      QtProperty *property, QWidget *parent)
{
    auto *box = new LenientDoubleSpinBox(parent);
    box->setFrame(false);
    box->setAutoFillBackground(true);
    box->setKeyboardTracking(false);
    QtWheelGuard::install(box);
    d->tracker.add(property, box, this);
    d->sync(manager, property);
    connect(box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            [this, box](double value) {
                QtProperty *edited = d->tracker.property(box);
                if (QtDoublePropertyManager *owner = propertyManager(edited))
                    owner->setValue(edited, value);
            });
    return box;
}

void QtDoubleSpinBoxFactory::disconnectPropertyManager(QtDoublePropertyManager *manager)
{
    const QList<QtProperty *> properties = manager->properties();
    for (QtProperty *property : properties)
        d->tracker.forget(property);
}
