#include "propertybrowser/qtpropertytreewidget_p.h"

#include "propertybrowser/qtpropertyitemdelegate_p.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

namespace {

QAbstractButton *buttonOf(QWidget *editor)
{
    if (!editor)
        return nullptr;
    if (auto *button = qobject_cast<QAbstractButton *>(editor))
        return button;
    return editor->findChild<QAbstractButton *>();
}

} // namespace

QtPropertyTreeWidget::QtPropertyTreeWidget(QWidget *parent)
    : QTreeWidget(parent)
{
}

bool QtPropertyTreeWidget::focusEditor(QTreeWidgetItem *item)
{
    QWidget *editor = item ? itemWidget(item, 1) : nullptr;
    if (!editor || !editor->isEnabled())
        return false;
    editor->setFocus(Qt::OtherFocusReason);
    if (auto *spinBox = qobject_cast<QAbstractSpinBox *>(editor))
        spinBox->selectAll();
    else if (auto *lineEdit = qobject_cast<QLineEdit *>(editor))
        lineEdit->selectAll();
    return true;
}

void QtPropertyTreeWidget::drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                                   const QModelIndex &index) const
{
    if (!index.data(QtPropertyItemDelegate::GroupRole).toBool()) {
        QTreeWidget::drawRow(painter, option, index);
        return;
    }
    // Section headers are shaded over the whole width, the branch area included.
    QStyleOptionViewItem opt = option;
    opt.features &= ~QStyleOptionViewItem::Alternate;
    const QColor base = option.palette.color(QPalette::Base);
    const QColor mid = option.palette.color(QPalette::Mid);
    // A quarter of the way from the base towards the mid tone: visible in light
    // and dark palettes alike.
    const QColor shade = QColor::fromRgbF(base.redF() * 0.75 + mid.redF() * 0.25,
                                          base.greenF() * 0.75 + mid.greenF() * 0.25,
                                          base.blueF() * 0.75 + mid.blueF() * 0.25);
    painter->fillRect(QRect(0, option.rect.y(), viewport()->width(), option.rect.height()),
                      shade);
    QTreeWidget::drawRow(painter, opt, index);
}

void QtPropertyTreeWidget::mousePressEvent(QMouseEvent *event)
{
    m_forwardTarget = nullptr;
    const QPoint pos = event->pos();
    QTreeWidgetItem *item = itemAt(pos);
    const bool inValueCell = item && columnAt(pos.x()) == 1 && !item->isFirstColumnSpanned();
    const bool hadEditor = inValueCell && itemWidget(item, 1);
    QTreeWidget::mousePressEvent(event);
    if (!inValueCell || hadEditor || event->button() != Qt::LeftButton)
        return;
    item = itemAt(pos);
    QWidget *editor = item ? itemWidget(item, 1) : nullptr;
    if (!editor || !editor->isEnabled())
        return;
    QWidget *target = editor->childAt(editor->mapFrom(viewport(), pos));
    if (!target)
        target = editor;
    // The arrows of a spin box were not visible where the user clicked: only focus.
    if (qobject_cast<QAbstractSpinBox *>(target)) {
        focusEditor(item);
        return;
    }
    if (!qobject_cast<QAbstractButton *>(target) && (target->focusPolicy() & Qt::ClickFocus))
        target->setFocus(Qt::MouseFocusReason);
    QMouseEvent press(QEvent::MouseButtonPress, target->mapFrom(viewport(), pos),
                      event->windowPos(), event->screenPos(), event->button(), event->buttons(),
                      event->modifiers());
    QApplication::sendEvent(target, &press);
    m_forwardTarget = target;
}

void QtPropertyTreeWidget::mouseReleaseEvent(QMouseEvent *event)
{
    QTreeWidget::mouseReleaseEvent(event);
    QPointer<QWidget> target = m_forwardTarget;
    m_forwardTarget = nullptr;
    if (!target)
        return;
    QMouseEvent release(QEvent::MouseButtonRelease,
                        target->mapFrom(viewport(), event->pos()), event->windowPos(),
                        event->screenPos(), event->button(), event->buttons(),
                        event->modifiers());
    QApplication::sendEvent(target, &release);
}

void QtPropertyTreeWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    // A double click on a property's name starts editing its value; on a group it
    // folds the group as usual.
    QTreeWidgetItem *item = itemAt(event->pos());
    if (event->button() != Qt::LeftButton || !item || item->isFirstColumnSpanned()
        || columnAt(event->pos().x()) != 0) {
        QTreeWidget::mouseDoubleClickEvent(event);
        return;
    }
    if (!itemWidget(item, 1))
        QTreeWidget::mouseDoubleClickEvent(event);
    QWidget *editor = itemWidget(item, 1);
    if (editor && !buttonOf(editor))
        focusEditor(item);
    event->accept();
}

void QtPropertyTreeWidget::keyPressEvent(QKeyEvent *event)
{
    QTreeWidgetItem *item = currentItem();
    QWidget *editor = item ? itemWidget(item, 1) : nullptr;
    if (editor && editor->isEnabled() && event->modifiers() == Qt::NoModifier) {
        QAbstractButton *button = buttonOf(editor);
        switch (event->key()) {
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (button) {
                button->click();
                event->accept();
                return;
            }
            if (event->key() != Qt::Key_Space && focusEditor(item)) {
                event->accept();
                return;
            }
            break;
        case Qt::Key_F2:
            if (!button && focusEditor(item)) {
                event->accept();
                return;
            }
            break;
        default:
            break;
        }
    }
    QTreeWidget::keyPressEvent(event);
}
