#pragma once

#include "utils/utils_global.h"
#include "utils/charts/charthistory.h"

#include <QChar>
#include <QString>

#include <string>
#include <vector>

namespace Utils {
namespace Charts {

// The history of all plot rows as one line of text, fields joined by a
// separator; the format is described in docs/chart-history-format.md.
UTILS_EXPORT bool isValidHistorySeparator(QChar separator);
UTILS_EXPORT QString historyToString(const std::vector<const ChartHistory *> &rows,
                                     QChar separator);
// The same text as bytes (it is plain ASCII), for files: a day of history is
// millions of characters, and each conversion between encodings costs time.
UTILS_EXPORT std::string historyToUtf8(const std::vector<const ChartHistory *> &rows,
                                       QChar separator);
// Fills `rows` only when the whole text is well-formed and holds exactly
// `expectedRows` rows; otherwise leaves it untouched and returns false.
UTILS_EXPORT bool historyFromString(const QString &text, QChar separator,
                                    std::size_t expectedRows, std::vector<ChartHistory> &rows);
UTILS_EXPORT bool historyFromUtf8(const std::string &text, QChar separator,
                                  std::size_t expectedRows, std::vector<ChartHistory> &rows);

} // namespace Charts
} // namespace Utils
