#pragma once

#include <QPointer>
#include <QStyledItemDelegate>

class cSheet;

// Draws check-mark cells as real check boxes and turns a click or the space bar on them into
// one activation, and draws the cell borders and the dashed column/row edges of the sheet.
class cCheckMarkDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit cCheckMarkDelegate(cSheet* sheet);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setModelData(
        QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override;
    // The cell editor last opened, while it exists.
    QWidget* OpenEditor() const { return m_editor; }

signals:
    void checkMarkActivated(const QModelIndex& index);

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;
    // Ctrl+Tab leaves the sheet from an open editor too; a paste into an editor takes only
    // the first line of the clipboard.
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    QRect fncBoxRect(const QStyleOptionViewItem& option) const;

    cSheet* m_sheet;
    mutable QPointer<QWidget> m_editor;
};
