#include "utils/exportdialog.h"

#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#include <utility>

namespace Utils {

namespace {

QByteArray quoted(const QString &field, QChar delimiter)
{
    QByteArray bytes = field.toUtf8();
    if (field.contains(delimiter) || field.contains(QLatin1Char('"'))
        || field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r'))) {
        bytes.replace('"', "\"\"");
        bytes = '"' + bytes + '"';
    }
    return bytes;
}

// Formatting a date is slow; consecutive points mostly share their second.
class IsoTime
{
public:
    QByteArray text(double ms)
    {
        const qint64 whole = qint64(std::floor(ms));
        const qint64 second = whole >= 0 ? whole / 1000 : -((-whole + 999) / 1000);
        if (second != m_second || m_prefix.isEmpty()) {
            m_second = second;
            m_prefix = QDateTime::fromMSecsSinceEpoch(second * 1000, Qt::UTC)
                           .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss."))
                           .toLatin1();
        }
        const int millis = int(whole - second * 1000);
        QByteArray out = m_prefix;
        out += char('0' + millis / 100);
        out += char('0' + millis / 10 % 10);
        out += char('0' + millis % 10);
        out += 'Z';
        return out;
    }

private:
    qint64 m_second = 0;
    QByteArray m_prefix;
};

} // namespace

ExportDialog::ExportDialog(QList<ValueOverTime> series, QStringList captions, QWidget *parent,
                           Qt::WindowFlags flags)
    : QDialog(parent, flags)
    , m_series(std::move(series))
    , m_captions(std::move(captions))
{
    setWindowTitle(tr("Export chart data"));
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    layout->addLayout(form);

    auto *pathRow = new QHBoxLayout;
    m_path = new QLineEdit(this);
    m_path->setObjectName(QStringLiteral("filePath"));
    auto *browseButton = new QToolButton(this);
    browseButton->setObjectName(QStringLiteral("browse"));
    browseButton->setText(QStringLiteral("..."));
    pathRow->addWidget(m_path, 1);
    pathRow->addWidget(browseButton);
    form->addRow(tr("File:"), pathRow);

    m_delimiter = new QComboBox(this);
    m_delimiter->setObjectName(QStringLiteral("delimiter"));
    m_delimiter->addItem(tr("Semicolon (;)"), QChar(QLatin1Char(';')));
    m_delimiter->addItem(tr("Comma (,)"), QChar(QLatin1Char(',')));
    m_delimiter->addItem(tr("Tab"), QChar(QLatin1Char('\t')));
    form->addRow(tr("Delimiter:"), m_delimiter);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    m_buttons->button(QDialogButtonBox::Save)->setObjectName(QStringLiteral("save"));
    layout->addWidget(m_buttons);

    connect(browseButton, &QToolButton::clicked, this, &ExportDialog::browse);
    connect(m_path, &QLineEdit::textChanged, this, &ExportDialog::updateButtons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &ExportDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &ExportDialog::reject);
    updateButtons();
}

void ExportDialog::setPrecision(int decimals)
{
    m_precision = qBound(0, decimals, 15);
}

void ExportDialog::setFilePath(const QString &path)
{
    m_path->setText(path);
}

QString ExportDialog::filePath() const
{
    return m_path->text();
}

void ExportDialog::setDelimiter(QChar delimiter)
{
    const int index = m_delimiter->findData(delimiter);
    if (index >= 0)
        m_delimiter->setCurrentIndex(index);
}

QChar ExportDialog::delimiter() const
{
    return m_delimiter->currentData().toChar();
}

QByteArray ExportDialog::csv(QChar delimiter) const
{
    const char sep = char(delimiter.toLatin1());
    QByteArray out;
    for (int i = 0; i < m_captions.size(); ++i) {
        if (i > 0)
            out += sep;
        out += quoted(m_captions.at(i), delimiter);
    }
    out += '\n';

    int rows = 0;
    for (const ValueOverTime &s : m_series)
        rows = qMax(rows, s.size());
    IsoTime iso;
    for (int i = 0; i < rows; ++i) {
        for (const ValueOverTime &s : m_series) {
            if (i < s.size()) {
                out += iso.text(s.x(i));
                break;
            }
        }
        for (const ValueOverTime &s : m_series) {
            out += sep;
            if (i < s.size())
                out += QByteArray::number(s.y(i), 'f', m_precision);
        }
        out += '\n';
    }
    return out;
}

bool ExportDialog::writeCsv(const QString &path, QChar delimiter, QString *error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(csv(delimiter)) < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

void ExportDialog::accept()
{
    QString error;
    if (!writeCsv(filePath(), delimiter(), &error)) {
        QMessageBox::warning(this, windowTitle(),
                             tr("The file %1 could not be written: %2").arg(filePath(), error));
        return;
    }
    QDialog::accept();
}

void ExportDialog::browse()
{
    const QString path = QFileDialog::getSaveFileName(this, windowTitle(), filePath(),
                                                      tr("CSV files (*.csv);;All files (*)"));
    if (!path.isEmpty())
        setFilePath(path);
}

void ExportDialog::updateButtons()
{
    m_buttons->button(QDialogButtonBox::Save)->setEnabled(!filePath().trimmed().isEmpty());
}

} // namespace Utils
