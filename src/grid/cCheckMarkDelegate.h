#pragma once

#include <QStyledItemDelegate>

class cSheet;

// Draws check-mark cells as real check boxes and turns a click or the space bar on them into
// one activation, and draws the cell borders and the dashed column/row edges of the sheet.
class cCheckMarkDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit cCheckMarkDelegate(cSheet* sheet);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

signals:
    void checkMarkActivated(const QModelIndex& index);
    void inputRejected(const QString& strReason) const;

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;

private:
    cSheet* m_sheet;
};
