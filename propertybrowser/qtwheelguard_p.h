#pragma once

#include <QObject>

class QWidget;

// Lets the wheel scroll the tree instead of changing the value of an editor that
// the pointer merely passes over; a focused editor still takes wheel steps.
class QtWheelGuard : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(QtWheelGuard)

public:
    static void install(QWidget *editor);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit QtWheelGuard(QObject *parent);
};
