#pragma once

#include "utils/utils_global.h"

#include "propertybrowser/qtabstractpropertymanager.h"

#include <QHash>

namespace Utils {

// Properties shown as a push button with a caption; ButtonFactory makes the button.
class UTILS_EXPORT ButtonManager : public QtAbstractPropertyManager
{
    Q_OBJECT
    Q_DISABLE_COPY(ButtonManager)

public:
    explicit ButtonManager(QObject *parent = nullptr);
    ~ButtonManager() override;

    // The caption.
    QString value(const QtProperty *property) const;

public slots:
    void setValue(QtProperty *property, const QString &caption);
    // Emits buttonClicked for an enabled property of this manager.
    void click(QtProperty *property);

signals:
    void valueChanged(QtProperty *property, const QString &caption);
    void buttonClicked(QtProperty *property);

protected:
    QString valueText(const QtProperty *property) const override;
    QVariant valueData(const QtProperty *property, int role) const override;
    void initializeProperty(QtProperty *property) override;
    void uninitializeProperty(QtProperty *property) override;

private:
    QHash<const QtProperty *, QString> m_captions;
};

} // namespace Utils
