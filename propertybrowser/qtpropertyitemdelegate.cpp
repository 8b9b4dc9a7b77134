#include "propertybrowser/qtpropertyitemdelegate_p.h"

#include "propertybrowser/qtproperty.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QPainter>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionButton>

QtPropertyItemDelegate::QtPropertyItemDelegate(EditorCreator creator, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_creator(std::move(creator))
{
}

QWidget *QtPropertyItemDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                              const QModelIndex &index) const
{
    return m_creator ? m_creator(index, parent) : nullptr;
}

void QtPropertyItemDelegate::setEditorData(QWidget *, const QModelIndex &) const
{
}

void QtPropertyItemDelegate::setModelData(QWidget *, QAbstractItemModel *,
                                          const QModelIndex &) const
{
}

void QtPropertyItemDelegate::updateEditorGeometry(QWidget *editor,
                                                  const QStyleOptionViewItem &option,
                                                  const QModelIndex &) const
{
    // Leave the grid line below the row visible.
    editor->setGeometry(option.rect.adjusted(0, 0, 0, -1));
}

QSize QtPropertyItemDelegate::sizeHint(const QStyleOptionViewItem &option,
                                       const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(qMax(size.height() + 4, m_minimumRowHeight));
    return size;
}

bool QtPropertyItemDelegate::eventFilter(QObject *object, QEvent *event)
{
    // Editors stay open, so Escape takes back what was typed instead of closing
    // the editor. Spin boxes commit only on Enter or focus loss, so their value
    // is still the one before the typing.
    if (event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        if (auto *spinBox = qobject_cast<QSpinBox *>(object)) {
            spinBox->setValue(spinBox->value());
            return true;
        }
        if (auto *spinBox = qobject_cast<QDoubleSpinBox *>(object)) {
            spinBox->setValue(spinBox->value());
            return true;
        }
        return false;
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

void QtPropertyItemDelegate::initStyleOption(QStyleOptionViewItem *option,
                                             const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.data(DisabledRole).toBool()) {
        option->state &= ~QStyle::State_Enabled;
        option->palette.setCurrentColorGroup(QPalette::Disabled);
    }
}

void QtPropertyItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                   const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();

    if (index.data(QtProperty::ButtonRole).toBool()) {
        const QString caption = opt.text;
        opt.text.clear();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        QStyleOptionButton button;
        button.initFrom(widget);
        button.rect = opt.rect.adjusted(1, 1, -1, -2);
        button.text = caption;
        button.state = QStyle::State_Raised;
        if (opt.state & QStyle::State_Enabled)
            button.state |= QStyle::State_Enabled;
        style->drawControl(QStyle::CE_PushButton, &button, painter, widget);
    } else {
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    }

    QColor gridColor = option.palette.color(QPalette::Mid);
    gridColor.setAlpha(70);
    painter->save();
    painter->setPen(gridColor);
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    if (index.column() == 0 && !index.data(GroupRole).toBool())
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
    painter->restore();
}
