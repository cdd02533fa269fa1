#include "TestSupport.h"
#include "cMetaDictionary.h"

#include <QComboBox>
#include <QListWidget>

namespace {

class MetaDictionaryTest : public testing::Test
{
protected:
    cMetaDictionary dic;

    void add(const QString& name, const QString& category = QString(), qint64 rateUnits = 0,
        qint32 id = 0, const QString& super = QString(), bool enabled = true)
    {
        dic.AddMeta(name, category, cCurrency::fromTenThousandths(rateUnits), id, super, enabled);
    }
};

// The first of several case variants wins, and nameless entries are not added.
TEST_F(MetaDictionaryTest, FirstOfCaseVariantsWinsAndEmptyNamesAddNothing)
{
    add(QString());
    add(QStringLiteral("Zeta"));
    add(QStringLiteral("Acme"), QStringLiteral("first"), 1'250'000, 1, QStringLiteral("Europe"),
        false);
    add(QStringLiteral("ACME"), QStringLiteral("second"), 0, 2);
    add(QStringLiteral(""));
    EXPECT_EQ(dic.MetaDic.Keys(), (QStringList { QStringLiteral("Zeta"), QStringLiteral("Acme") }));
    const cMetaData& m = dic.MetaDic.Item(QStringLiteral("aCmE"));
    EXPECT_EQ(m.Category, QStringLiteral("first"));
    EXPECT_EQ(m.ID, 1);
    EXPECT_EQ(m.HourlyRate.tenThousandths(), 1'250'000);
    EXPECT_FALSE(m.Enabled);
}

TEST_F(MetaDictionaryTest, FillComboReplacesContentWithKeysInOrder)
{
    QComboBox combo;
    combo.addItem(QStringLiteral("stale"));
    dic.FillCombo(&combo);
    EXPECT_EQ(combo.count(), 0);
    add(QStringLiteral("Beta"));
    add(QStringLiteral("Acme"));
    dic.FillCombo(&combo);
    ASSERT_EQ(combo.count(), 2);
    EXPECT_EQ(combo.itemText(0), QStringLiteral("Beta"));
    EXPECT_EQ(combo.itemText(1), QStringLiteral("Acme"));

    QListWidget list;
    list.addItem(QStringLiteral("stale"));
    dic.FillCombo(&list);
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.item(1)->text(), QStringLiteral("Acme"));
}

} // namespace
