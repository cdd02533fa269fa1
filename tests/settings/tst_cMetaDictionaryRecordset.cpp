#include "cConnection.h"
#include "cHVError.h"
#include "cMetaDictionary.h"
#include "tst_cGlobalSettingsSupport.h"

using namespace hvglobaltest;

namespace {

// A real database file with a list table in the shape of the metadata tables.
class MetaRecordsetTest : public testing::Test
{
protected:
    ConnectionPtr conn;

    void SetUp() override
    {
        conn = cConnection::CreateLocal(
            hvtest::newTempDir(QStringLiteral("db")) + QStringLiteral("/lists.db"));
        conn->Execute(QStringLiteral(
            "create table tblMeta1 (intMeta1ID integer primary key autoincrement, strName text, "
            "strCategory text, strSuperCategory text, curRate integer, blnEnabled integer)"));
    }

    void insert(qint32 id, const QVariant& name, const QVariant& category, const QVariant& super,
        const QVariant& rate, const QVariant& enabled)
    {
        conn->Execute(
            QStringLiteral("insert into tblMeta1 (intMeta1ID, strName, strCategory, "
                           "strSuperCategory, curRate, blnEnabled) values (?, ?, ?, ?, ?, ?)"),
            { id, name, category, super,
                rate.isNull() ? rate : conn->ToDatabase(rate, eFieldType::Currency),
                enabled.isNull() ? enabled : conn->ToDatabase(enabled, eFieldType::Boolean) });
    }
};

const QVariant nullText = QVariant(QMetaType::fromType<QString>());

QVariant money(qint64 units)
{
    return QVariant::fromValue(cCurrency::fromTenThousandths(units));
}

// The first of several case variants wins, and nameless entries are not added.
TEST(MetaDictionary, FirstOfCaseVariantsWinsAndEmptyNamesAddNothing)
{
    cMetaDictionary dic;
    dic.AddMeta(QString(), QString(), cCurrency(), 0, QString(), true);
    dic.AddMeta(QStringLiteral("Zeta"), QString(), cCurrency(), 0, QString(), true);
    dic.AddMeta(QStringLiteral("Acme"), QStringLiteral("first"),
        cCurrency::fromTenThousandths(1'250'000), 1, QStringLiteral("Europe"), false);
    dic.AddMeta(QStringLiteral("ACME"), QStringLiteral("second"), cCurrency(), 2, QString(), true);
    dic.AddMeta(QStringLiteral(""), QString(), cCurrency(), 0, QString(), true);
    EXPECT_EQ(
        fncItems(dic), (QStringList { "Zeta 0 1 '' '' 0", "Acme 1 0 'first' 'Europe' 1250000" }));
    EXPECT_TRUE(dic.MetaDic.Exists(QStringLiteral("aCmE")));
}

TEST_F(MetaRecordsetTest, SingleColumnRowsAreNumberedAndEnabled)
{
    insert(50, QStringLiteral("Gamma"), QStringLiteral("c"), nullText, money(99), false);
    insert(60, QStringLiteral("Alpha"), QStringLiteral("c"), nullText, money(99), false);
    insert(70, QStringLiteral("alpha"), QStringLiteral("c"), nullText, money(99), false);
    insert(80, QStringLiteral("Beta"), QStringLiteral("c"), nullText, money(99), false);
    auto rs = conn->OpenRecordset(
        QStringLiteral("select strName from tblMeta1 order by intMeta1ID"), true);
    cMetaDictionary dic;
    dic.ReadFromRecordset(*rs);
    // The duplicate row still counts.
    EXPECT_EQ(fncItems(dic),
        (QStringList { "Gamma 1 1 '' '' 0", "Alpha 2 1 '' '' 0", "Beta 4 1 '' '' 0" }));
}

TEST_F(MetaRecordsetTest, ReadingStartsAtTheCurrentRowAndSkipsNamelessRows)
{
    insert(1, QStringLiteral("Skipped"), nullText, nullText, money(0), true);
    insert(2, nullText, nullText, nullText, money(0), true);
    insert(3, QStringLiteral("Kept"), nullText, nullText, money(0), true);
    auto rs = conn->OpenRecordset(
        QStringLiteral("select intMeta1ID, strName, strCategory, strSuperCategory, curRate, "
                       "blnEnabled from tblMeta1 order by intMeta1ID"),
        true);
    rs->MoveNext();
    cMetaDictionary dic;
    dic.ReadFromRecordset(*rs);
    EXPECT_EQ(dic.MetaDic.Keys(), QStringList { QStringLiteral("Kept") });
    // At the end nothing more is added.
    dic.ReadFromRecordset(*rs);
    EXPECT_EQ(dic.MetaDic.Count(), 1);
}

TEST_F(MetaRecordsetTest, MissingEnabledValueIsAnErrorForTheCaller)
{
    insert(1, QStringLiteral("Acme"), nullText, nullText, money(0),
        QVariant(QMetaType::fromType<int>()));
    auto rs = conn->OpenRecordset(
        QStringLiteral("select intMeta1ID, strName, strCategory, strSuperCategory, curRate, "
                       "blnEnabled from tblMeta1"),
        true);
    cMetaDictionary dic;
    EXPECT_THROW(dic.ReadFromRecordset(*rs), cHVError);
    EXPECT_TRUE(dic.MetaDic.isEmpty());
}

} // namespace
