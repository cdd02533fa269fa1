#include "cCheckMarkDelegate.h"

#include "cSheet.h"
#include "cSheetModel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

cCheckMarkDelegate::cCheckMarkDelegate(cSheet* sheet)
    : QStyledItemDelegate(sheet)
    , m_sheet(sheet)
{
}

void cCheckMarkDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const cSheetModel* model = m_sheet->Sheet();
    const auto& style = model->Style(index.row(), index.column());
    if (style.blnCheckMark) {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QVariant state = index.data(Qt::CheckStateRole);
        opt.features &= ~QStyleOptionViewItem::HasCheckIndicator;
        opt.text.clear();
        QStyle* st = opt.widget ? opt.widget->style() : QApplication::style();
        st->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
        if (state.isValid()) {
            QStyleOptionButton box;
            box.state = QStyle::State_Enabled
                | (state.toInt() == Qt::Checked ? QStyle::State_On : QStyle::State_Off);
            const QSize sz(st->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, opt.widget),
                st->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, opt.widget));
            box.rect = QRect(QPoint(0, 0), sz);
            box.rect.moveCenter(option.rect.center());
            st->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, opt.widget);
        }
    } else {
        QStyledItemDelegate::paint(painter, option, index);
    }
    painter->save();
    if (style.colBorder.isValid()) {
        painter->setPen(QPen(style.colBorder, 1));
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    if (m_sheet->fncRightEdgeDash(index.column())) {
        painter->setPen(QPen(Qt::black, 1, Qt::DashLine));
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
    }
    if (m_sheet->fncTopEdgeDash(index.row())) {
        painter->setPen(QPen(Qt::black, 1, Qt::DashLine));
        painter->drawLine(option.rect.topLeft(), option.rect.topRight());
    }
    painter->restore();
}

QSize cCheckMarkDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (m_sheet->Sheet()->Style(index.row(), index.column()).blnCheckMark) {
        const QStyle* st = option.widget ? option.widget->style() : QApplication::style();
        const int w = st->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, option.widget);
        return QSize(w + 8, st->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, option.widget) + 4);
    }
    return QStyledItemDelegate::sizeHint(option, index);
}

bool cCheckMarkDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
    const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (!m_sheet->Sheet()->Style(index.row(), index.column()).blnCheckMark)
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    switch (event->type()) {
    case QEvent::MouseButtonRelease: {
        const auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton && option.rect.contains(me->position().toPoint())
            && index.data(Qt::CheckStateRole).isValid())
            emit checkMarkActivated(index);
        return true;
    }
    case QEvent::MouseButtonDblClick:
        return true; // no editor for a check mark
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Select) {
            if (index.data(Qt::CheckStateRole).isValid())
                emit checkMarkActivated(index);
            return true;
        }
        return false;
    }
    default:
        return false;
    }
}

void cCheckMarkDelegate::setModelData(
    QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    auto* sheet = qobject_cast<cSheetModel*>(model);
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (!sheet || !line) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    if (!sheet->fncUserCanEdit(index.row(), index.column()))
        return;
    QString error;
    if (!sheet->fncEnterText(index.row(), index.column(), line->text(), &error))
        emit inputRejected(error);
}
