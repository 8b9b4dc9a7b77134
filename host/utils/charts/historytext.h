#pragma once

#include "utils/utils_global.h"
#include "utils/charts/charthistory.h"

#include <QChar>
#include <QString>

#include <vector>

namespace Utils {
namespace Charts {

// The history of all plot rows as one line of text, fields joined by a
// separator; the format is described in docs/chart-history-format.md.
UTILS_EXPORT bool isValidHistorySeparator(QChar separator);
UTILS_EXPORT QString historyToString(const std::vector<const ChartHistory *> &rows,
                                     QChar separator);
// Fills `rows` only when the whole text is well-formed and holds exactly
// `expectedRows` rows; otherwise leaves it untouched and returns false.
UTILS_EXPORT bool historyFromString(const QString &text, QChar separator,
                                    std::size_t expectedRows, std::vector<ChartHistory> &rows);

} // namespace Charts
} // namespace Utils
