#pragma once

#include <QString>
#include <QWidget>

namespace Utils {
namespace Charts {

// The newest value over a plot, right-aligned in one line. Unlike a QLabel a
// new text neither asks the window to lay itself out again nor repaints more
// than the old and the new text cover: the value changes with every point.
class ValueLabel : public QWidget
{
public:
    explicit ValueLabel(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect textRect(const QString &text) const;

    QString m_text;
};

} // namespace Charts
} // namespace Utils
