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

TEST_F(MetaDictionaryTest, AddMetaStoresEveryArgument)
{
    add(QStringLiteral("Acme"), QStringLiteral("Retail"), 1'250'000, 17, QStringLiteral("Europe"),
        false);
    ASSERT_EQ(dic.MetaDic.Count(), 1);
    const cMetaData& m = dic.MetaDic.Item(QStringLiteral("acme"));
    EXPECT_EQ(m.MetaName(), QStringLiteral("Acme"));
    EXPECT_EQ(m.Category, QStringLiteral("Retail"));
    EXPECT_EQ(m.SuperCategory, QStringLiteral("Europe"));
    EXPECT_EQ(m.HourlyRate.tenThousandths(), 1'250'000);
    EXPECT_EQ(m.ID, 17);
    EXPECT_FALSE(m.Enabled);
}

TEST_F(MetaDictionaryTest, FirstOfCaseVariantsWins)
{
    add(QStringLiteral("Acme"), QStringLiteral("first"), 0, 1);
    add(QStringLiteral("ACME"), QStringLiteral("second"), 0, 2);
    ASSERT_EQ(dic.MetaDic.Count(), 1);
    EXPECT_EQ(dic.MetaDic.Keys(), QStringList { QStringLiteral("Acme") });
    EXPECT_EQ(dic.MetaDic.Item(QStringLiteral("aCmE")).Category, QStringLiteral("first"));
    EXPECT_EQ(dic.MetaDic.Item(QStringLiteral("acme")).ID, 1);
}

TEST_F(MetaDictionaryTest, EmptyNameAddsNothing)
{
    add(QString());
    add(QStringLiteral(""));
    EXPECT_TRUE(dic.MetaDic.isEmpty());
}

TEST_F(MetaDictionaryTest, KeysKeepInsertionOrder)
{
    for (const char* n : { "Zeta", "alpha", "Mid", "beta" })
        add(QString::fromLatin1(n));
    EXPECT_EQ(dic.MetaDic.Keys(),
        (QStringList { QStringLiteral("Zeta"), QStringLiteral("alpha"), QStringLiteral("Mid"),
            QStringLiteral("beta") }));
}

TEST_F(MetaDictionaryTest, FillComboReplacesContentWithKeysInOrder)
{
    add(QStringLiteral("Beta"));
    add(QStringLiteral("Acme"));
    QComboBox combo;
    combo.addItem(QStringLiteral("stale"));
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

TEST_F(MetaDictionaryTest, FillComboOnEmptyListLeavesControlEmpty)
{
    QComboBox combo;
    combo.addItem(QStringLiteral("stale"));
    dic.FillCombo(&combo);
    EXPECT_EQ(combo.count(), 0);
}

struct SafeValueCase
{
    const char* label;
    QVariant in;
    bool numeric;
    QVariant expected;
};

class SafeValueTest : public testing::TestWithParam<SafeValueCase>
{
};

TEST_P(SafeValueTest, ConvertsAsDocumented)
{
    const auto& c = GetParam();
    const QVariant out = cMetaDictionary::fncSafeValue(c.in, c.numeric);
    EXPECT_EQ(out.typeId(), c.expected.typeId()) << c.label;
    EXPECT_EQ(out, c.expected) << c.label;
}

INSTANTIATE_TEST_SUITE_P(Cases, SafeValueTest,
    testing::Values(
        SafeValueCase { "null text", QVariant(QMetaType::fromType<QString>()), false,
            QVariant(QString()) },
        SafeValueCase { "invalid text", QVariant(), false, QVariant(QString()) },
        SafeValueCase { "int as text", QVariant(42), false, QVariant(QStringLiteral("42")) },
        SafeValueCase { "text kept", QVariant(QStringLiteral("Acme")), false,
            QVariant(QStringLiteral("Acme")) },
        SafeValueCase { "null number", QVariant(QMetaType::fromType<double>()), true,
            QVariant(qint16(0)) },
        SafeValueCase { "invalid number", QVariant(), true, QVariant(qint16(0)) },
        SafeValueCase { "double unchanged", QVariant(12.5), true, QVariant(12.5) },
        SafeValueCase { "text unchanged", QVariant(QStringLiteral("7")), true,
            QVariant(QStringLiteral("7")) }),
    [](const testing::TestParamInfo<SafeValueCase>& info) {
        std::string s = info.param.label;
        for (char& ch : s)
            if (ch == ' ')
                ch = '_';
        return s;
    });

} // namespace
