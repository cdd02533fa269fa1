#include "cCheckMarkDelegate.h"

#include "cEntryValidator.h"
#include "cSheet.h"
#include "cSheetModel.h"
#include "modCellEntry.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>

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
            box.rect = fncBoxRect(option);
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

QRect cCheckMarkDelegate::fncBoxRect(const QStyleOptionViewItem& option) const
{
    const QStyle* st = option.widget ? option.widget->style() : QApplication::style();
    QRect rect(QPoint(0, 0),
        QSize(st->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, option.widget),
            st->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, option.widget)));
    rect.moveCenter(option.rect.center());
    return rect;
}

QSize cCheckMarkDelegate::sizeHint(
    const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (m_sheet->Sheet()->Style(index.row(), index.column()).blnCheckMark) {
        const QStyle* st = option.widget ? option.widget->style() : QApplication::style();
        const int w = st->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, option.widget);
        return QSize(
            w + 8, st->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, option.widget) + 4);
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
        // A click beside the box only selects the cell.
        if (me->button() == Qt::LeftButton && fncBoxRect(option).contains(me->position().toPoint())
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
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (model != m_sheet->Sheet() || !line) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    if (m_sheet->Sheet()->fncUserCanEdit(index.row(), index.column()))
        m_sheet->fncUserEnter(index.row(), index.column(), line->text());
}

QWidget* cCheckMarkDelegate::createEditor(
    QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    m_editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(m_editor.data()))
        line->setValidator(new cEntryValidator(line));
    return m_editor;
}

bool cCheckMarkDelegate::eventFilter(QObject* object, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
            && (key->modifiers() & Qt::ControlModifier)) {
            QCoreApplication::sendEvent(m_sheet, event);
            return true;
        }
        auto* line = qobject_cast<QLineEdit*>(object);
        if (line && key->matches(QKeySequence::Paste)) {
            const QString clip = QGuiApplication::clipboard()->text();
            line->insert(fncCleanEntryText(
                clip.section(QRegularExpression(QStringLiteral("[\\r\\n]")), 0, 0)));
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}
