#include "utils/charts/valuelabel.h"

#include <QPainter>
#include <QPaintEvent>
#include <QStyle>

namespace Utils {
namespace Charts {

namespace {

constexpr Qt::Alignment Alignment = Qt::AlignRight | Qt::AlignVCenter;

} // namespace

ValueLabel::ValueLabel(QWidget *parent)
    : QWidget(parent)
{
    // Opaque, so that a new value repaints only this widget and not those behind it.
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ValueLabel::setText(const QString &text)
{
    if (text == m_text)
        return;
    const QRect before = textRect(m_text);
    m_text = text;
    update(before.united(textRect(m_text)));
}

QSize ValueLabel::sizeHint() const
{
    // The same for every value, so that no value changes the layout.
    return QSize(fontMetrics().horizontalAdvance(QStringLiteral("-0000.00")),
                 fontMetrics().height())
        .grownBy(contentsMargins());
}

QSize ValueLabel::minimumSizeHint() const
{
    return QSize(0, sizeHint().height());
}

QRect ValueLabel::textRect(const QString &text) const
{
    if (text.isEmpty())
        return QRect();
    return style()->itemTextRect(fontMetrics(), contentsRect(), Alignment, isEnabled(), text);
}

void ValueLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), Alignment, palette(), isEnabled(), m_text,
                          foregroundRole());
}

} // namespace Charts
} // namespace Utils
