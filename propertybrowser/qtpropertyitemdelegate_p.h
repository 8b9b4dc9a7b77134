#pragma once

#include <QStyledItemDelegate>

#include <functional>

// Paints the rows of the property tree (greyed when disabled, grid lines, value
// cells of button properties as buttons) and asks the browser for editors. Editors
// write through their managers, so no data passes through the model.
class QtPropertyItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY(QtPropertyItemDelegate)

public:
    enum Role { GroupRole = Qt::UserRole + 20, DisabledRole };
    using EditorCreator = std::function<QWidget *(const QModelIndex &, QWidget *)>;

    explicit QtPropertyItemDelegate(EditorCreator creator, QObject *parent = nullptr);

    void setMinimumRowHeight(int height) { m_minimumRowHeight = height; }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

protected:
    bool eventFilter(QObject *object, QEvent *event) override;
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    EditorCreator m_creator;
    int m_minimumRowHeight = 0;
};
