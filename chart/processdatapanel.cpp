#include "processdatapanel.h"

#include <QBrush>
#include <QIcon>
#include <QPalette>
#include <QTreeWidgetItem>

namespace OrvexSensorPlugin {
namespace Core {

void showNoReadings(const QList<QTreeWidgetItem *> &rows)
{
    const QIcon neutral(QStringLiteral(":/newPrefix/icons/led_state_0.svg"));
    for (int row = 0; row < rows.size() && row < 4; ++row) {
        QTreeWidgetItem *item = rows.at(row);
        item->setText(1, QString(QChar(0x2013)));
        item->setForeground(1, QPalette().brush(QPalette::Disabled, QPalette::Text));
        // The pressure row keeps its chart icon; the indicators go neutral.
        if (row < 3)
            item->setIcon(1, neutral);
        // No image is cached as shown, so the next reading redraws the row.
        item->setData(1, Qt::UserRole, QVariant());
    }
}

void clearNoReading(QTreeWidgetItem *row)
{
    row->setData(1, Qt::ForegroundRole, QVariant());
}

} // namespace Core
} // namespace OrvexSensorPlugin
