#pragma once

#include <QFont>
#include <QHash>
#include <QSize>
#include <QStyledItemDelegate>

namespace OrvexSensorPlugin {
namespace Core {

// Item delegate of the process-data panel that remembers the size of each
// text it has laid out. The panel's value changes with every poll, and the
// tree then asks every column of the row for its size again; laying out the
// unchanged row label anew each time cost more than the rest of the update.
class RowSizeDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    mutable QFont m_font;
    mutable QHash<QString, QSize> m_sizes;
};

} // namespace Core
} // namespace OrvexSensorPlugin
