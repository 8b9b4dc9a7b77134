#pragma once

#include <QPointer>
#include <QTreeWidget>

// The tree inside QtTreePropertyBrowser. A click on the value cell of a row that
// is not yet current opens the row's editor and hands the click on to it, so that
// one click toggles a check box, presses a button or opens a drop-down list.
class QtPropertyTreeWidget : public QTreeWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(QtPropertyTreeWidget)

public:
    explicit QtPropertyTreeWidget(QWidget *parent = nullptr);

    QTreeWidgetItem *indexToItem(const QModelIndex &index) const { return itemFromIndex(index); }
    // Moves the keyboard focus into the open editor of `item`.
    bool focusEditor(QTreeWidgetItem *item);

protected:
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                 const QModelIndex &index) const override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QPointer<QWidget> m_forwardTarget;
};
