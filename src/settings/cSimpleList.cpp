#include "cSimpleList.h"

#include "cRecordset.h"
#include "modErrorHandling.h"

#include <QComboBox>
#include <QListWidget>
#include <QRandomGenerator>

namespace {
const QString strCrLf = QStringLiteral("\r\n");

// The list entries that are worth offering: a blank item would only add an empty line.
template <typename Add> void subAddNonBlank(const cDictionary<QString>& dic, Add add)
{
    for (const auto& entry : dic) {
        if (!entry.second.trimmed().isEmpty())
            add(entry.second);
    }
}
} // namespace

void cSimpleList::subAddDistinct(const QString& strItem)
{
    if (!DicList.Exists(strItem))
        DicList.Add(strItem, strItem);
}

QString cSimpleList::ToString() const
{
    return DicList.Items().join(strCrLf).trimmed();
}

void cSimpleList::FromString(const QString& strText)
{
    try {
        DicList = fncCreateDic<QString>();
        if (strText.isEmpty())
            return;
        const QStringList lines = strText.split(strCrLf);
        for (const QString& line : lines) {
            if (!line.isEmpty())
                subAddDistinct(line);
        }
    } catch (...) {
        subHandleCurrentException(QStringLiteral("cSimpleList.FromString"));
    }
}

void cSimpleList::AddToComboOrList(QComboBox* ctl, QString& strSelected) const
{
    const QString previous = ctl->currentText();
    ctl->clear();
    subAddNonBlank(DicList, [ctl](const QString& item) { ctl->addItem(item); });
    if (!previous.isEmpty())
        strSelected = previous;
    if (strSelected.isEmpty())
        return;
    if (ctl->isEditable()) {
        ctl->setEditText(strSelected);
        return;
    }
    // A drop-down list only shows its own entries: select the matching one.
    const int index = ctl->findText(strSelected, Qt::MatchExactly);
    if (index >= 0)
        ctl->setCurrentIndex(index);
}

void cSimpleList::AddToComboOrList(QListWidget* ctl, QString& strSelected) const
{
    const QString previous = ctl->currentItem() ? ctl->currentItem()->text() : QString();
    ctl->clear();
    subAddNonBlank(DicList, [ctl](const QString& item) { ctl->addItem(item); });
    if (!previous.isEmpty())
        strSelected = previous;
    if (strSelected.isEmpty())
        return;
    for (int i = 0; i < ctl->count(); ++i) {
        if (ctl->item(i)->text() == strSelected) {
            ctl->setCurrentRow(i);
            break;
        }
    }
}

void cSimpleList::FromComboOrList(const QComboBox* ctl)
{
    DicList = fncCreateDic<QString>();
    for (int i = 0; i < ctl->count(); ++i)
        subAddDistinct(ctl->itemText(i));
}

void cSimpleList::FromComboOrList(const QListWidget* ctl)
{
    DicList = fncCreateDic<QString>();
    for (int i = 0; i < ctl->count(); ++i)
        subAddDistinct(ctl->item(i)->text());
}

QString cSimpleList::RandomItem() const
{
    if (DicList.isEmpty())
        return QString();
    const int index = static_cast<int>(QRandomGenerator::global()->bounded(DicList.Count()));
    return DicList.At(index).second;
}

void cSimpleList::FromArray(const QStringList& arrItems)
{
    DicList = fncCreateDic<QString>();
    for (const QString& item : arrItems)
        subAddDistinct(item);
}

QStringList cSimpleList::ToArray() const
{
    return DicList.Items();
}

void cSimpleList::FromRS(cRecordset& rs)
{
    while (!rs.Eof()) {
        const QVariant value = rs.Value(1);
        if (!value.isNull())
            subAddDistinct(value.toString());
        rs.MoveNext();
    }
}

void cSimpleList::ToRS(cRecordset& rs) const
{
    try {
        cSimpleList stored;
        if (rs.RecordCount() > 0) {
            rs.MoveFirst();
            stored.FromRS(rs);
        }
        for (const auto& entry : DicList) {
            if (stored.DicList.Exists(entry.second))
                continue;
            rs.AddNew();
            rs.SetValue(1, entry.second);
            rs.Update();
        }
    } catch (...) {
        subHandleCurrentException(QStringLiteral("cSimpleList.ToRS"));
    }
}
