#include "chart/rowsizedelegate.h"

namespace OrvexSensorPlugin {
namespace Core {

QSize RowSizeDelegate::sizeHint(const QStyleOptionViewItem &option,
                                const QModelIndex &index) const
{
    // Only rows of plain text, whose size follows from the text and the font.
    if (index.data(Qt::SizeHintRole).isValid() || !index.data(Qt::DecorationRole).isNull())
        return QStyledItemDelegate::sizeHint(option, index);
    if (option.font != m_font) {
        m_font = option.font;
        m_sizes.clear();
    }
    const QString text = index.data(Qt::DisplayRole).toString();
    auto it = m_sizes.constFind(text);
    if (it == m_sizes.constEnd())
        it = m_sizes.insert(text, QStyledItemDelegate::sizeHint(option, index));
    return *it;
}

} // namespace Core
} // namespace OrvexSensorPlugin
