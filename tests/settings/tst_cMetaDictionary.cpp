#include "TestSupport.h"
#include "cMetaDictionary.h"

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

} // namespace
