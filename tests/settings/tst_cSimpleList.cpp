#include "TestSupport.h"
#include "cRecordset.h"
#include "cSimpleList.h"

#include <QComboBox>
#include <QListWidget>
#include <gtest/gtest.h>

namespace {
RecordsetPtr nameRows(const QVariantList& names)
{
    auto rs = std::make_shared<cRecordset>();
    rs->AppendField(QStringLiteral("intID"), eFieldType::Long);
    rs->AppendField(QStringLiteral("strName"), eFieldType::Text, 255);
    int id = 0;
    for (const QVariant& n : names)
        rs->AppendRow({ ++id, n });
    if (rs->RecordCount() > 0)
        rs->MoveFirst();
    return rs;
}

TEST(cSimpleList, TextRoundTripDropsBlankLinesAndDuplicates)
{
    cSimpleList list;
    list.FromArray({ QStringLiteral("a"), QStringLiteral("b") });
    EXPECT_EQ(list.ToString(), QStringLiteral("a\r\nb"));
    cSimpleList back;
    back.FromString(list.ToString());
    EXPECT_EQ(back.ToArray(), (QStringList { "a", "b" }));
    back.FromString(QStringLiteral("x\r\n\r\nX\r\ny\r\n"));
    EXPECT_EQ(back.ToArray(), (QStringList { "x", "y" }));
    back.FromString(QString());
    EXPECT_TRUE(back.DicList.isEmpty());
    EXPECT_EQ(back.ToString(), QString());
    list.FromArray({ QStringLiteral("  padded"), QStringLiteral("end  ") });
    EXPECT_EQ(list.ToString(), QStringLiteral("padded\r\nend"));
}

TEST(cSimpleList, FromRSSkipsNullsAndToRSAppendsOnlyMissingItems)
{
    auto rs = nameRows(
        { QStringLiteral("One"), QVariant(), QStringLiteral("one"), QStringLiteral("Two") });
    cSimpleList list;
    list.FromRS(*rs);
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(list.ToArray(), (QStringList { "One", "Two" }));

    cSimpleList wanted;
    wanted.FromArray({ QStringLiteral("TWO"), QStringLiteral("Three") });
    wanted.ToRS(*rs);
    EXPECT_EQ(rs->RecordCount(), 5);
    rs->MoveLast();
    EXPECT_EQ(rs->Value(1).toString(), QStringLiteral("Three"));
}

TEST(cSimpleList, ComboRoundTripKeepsTheUsersTextAndSelectsIt)
{
    cSimpleList list;
    list.FromArray({ QStringLiteral("Red"), QStringLiteral(" "), QStringLiteral("Green") });
    QComboBox combo;
    QString selected = QStringLiteral("Green");
    list.AddToComboOrList(&combo, selected);
    EXPECT_EQ(combo.count(), 2); // the blank item is not offered
    EXPECT_EQ(combo.currentText(), QStringLiteral("Green"));

    // The text the control already showed wins over the caller's choice.
    QString other = QStringLiteral("Red");
    list.AddToComboOrList(&combo, other);
    EXPECT_EQ(other, QStringLiteral("Green"));
    EXPECT_EQ(combo.currentText(), QStringLiteral("Green"));

    QComboBox editable;
    editable.setEditable(true);
    QString typed = QStringLiteral("Typed");
    list.AddToComboOrList(&editable, typed);
    EXPECT_EQ(editable.currentText(), QStringLiteral("Typed"));

    cSimpleList fromCombo;
    fromCombo.FromComboOrList(&combo);
    EXPECT_EQ(fromCombo.ToArray(), (QStringList { "Red", "Green" }));

    QListWidget listWidget;
    QString pick = QStringLiteral("Red");
    list.AddToComboOrList(&listWidget, pick);
    ASSERT_NE(listWidget.currentItem(), nullptr);
    EXPECT_EQ(listWidget.currentItem()->text(), QStringLiteral("Red"));
    cSimpleList fromList;
    fromList.FromComboOrList(&listWidget);
    EXPECT_EQ(fromList.ToArray(), (QStringList { "Red", "Green" }));
}

} // namespace
