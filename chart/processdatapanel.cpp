#include "chart/processdatapanel.h"

#include <QBrush>
#include <QCoreApplication>
#include <QIcon>
#include <QPalette>
#include <QTreeWidgetItem>

namespace OrvexSensorPlugin {
namespace Core {

namespace {

// The state text that goes with each indicator image of the panel.
struct Reading
{
    const char *image;
    const char *text;
};
const Reading readings[] = {
    {":/newPrefix/icons/led_state_2_1.svg",
     QT_TRANSLATE_NOOP("OrvexSensorPlugin::Core::SensorWindow", "On")},
    {":/newPrefix/icons/led_state_2_2.svg",
     QT_TRANSLATE_NOOP("OrvexSensorPlugin::Core::SensorWindow", "On")},
    {":/newPrefix/icons/led_state_1_1.svg",
     QT_TRANSLATE_NOOP("OrvexSensorPlugin::Core::SensorWindow", "Off")},
    {":/newPrefix/icons/led_state_1_2.svg",
     QT_TRANSLATE_NOOP("OrvexSensorPlugin::Core::SensorWindow", "Off")},
    {":/newPrefix/icons/!_galben_cerc_negru_mare.svg",
     QT_TRANSLATE_NOOP("OrvexSensorPlugin::Core::SensorWindow", "Signal too low")},
};

} // namespace

void retranslateReadings(const QList<QTreeWidgetItem *> &rows)
{
    for (int row = 0; row < rows.size() && row < 3; ++row) {
        const QString image = rows.at(row)->data(1, Qt::UserRole).toString();
        for (const Reading &reading : readings) {
            if (image != QLatin1String(reading.image))
                continue;
            rows.at(row)->setText(
                1, QCoreApplication::translate("OrvexSensorPlugin::Core::SensorWindow",
                                               reading.text));
        }
    }
}

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
