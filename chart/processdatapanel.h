#pragma once

#include <QList>

class QTreeWidgetItem;

namespace OrvexSensorPlugin {
namespace Core {

// Without a sensor nothing is known about its outputs, its signal or its
// pressure: the state column of those rows (the first four) shows a grey dash
// and a neutral LED instead of the last or the initial reading.
void showNoReadings(const QList<QTreeWidgetItem *> &rows);

// After a language change: the indicator rows (outputs, signal quality) say
// again what their LED shows, in the new language.
void retranslateReadings(const QList<QTreeWidgetItem *> &rows);

// Gives a row its normal text colour back before it shows a reading.
void clearNoReading(QTreeWidgetItem *row);

} // namespace Core
} // namespace OrvexSensorPlugin
