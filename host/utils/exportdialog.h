#pragma once

#include "utils/charts/valueovertime.h"
#include "utils/utils_global.h"

#include <QDialog>
#include <QList>
#include <QStringList>

class QComboBox;
class QDialogButtonBox;
class QLineEdit;

namespace Utils {

// Lets the user choose a file and a delimiter and writes the series there as
// CSV: a header line of the captions (the first names the time column), then
// one line per point index: the time as ISO 8601 date-time in UTC with
// milliseconds, taken from the first series that has the index, followed by
// each series' value with the chosen precision (empty where a series is shorter).
class UTILS_EXPORT ExportDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(ExportDialog)

public:
    ExportDialog(QList<ValueOverTime> series, QStringList captions, QWidget *parent = nullptr,
                 Qt::WindowFlags flags = Qt::WindowFlags());

    void setPrecision(int decimals);
    int precision() const { return m_precision; }
    void setFilePath(const QString &path);
    QString filePath() const;
    void setDelimiter(QChar delimiter);
    QChar delimiter() const;

    QByteArray csv(QChar delimiter) const;
    // Writes the file without asking; on failure `error` says why.
    bool writeCsv(const QString &path, QChar delimiter, QString *error = nullptr) const;

public slots:
    // Writes the chosen file and closes; a failure is shown and the dialog stays open.
    void accept() override;

private:
    void browse();
    void updateButtons();

    QList<ValueOverTime> m_series;
    QStringList m_captions;
    int m_precision = 2;
    QLineEdit *m_path = nullptr;
    QComboBox *m_delimiter = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
};

} // namespace Utils
