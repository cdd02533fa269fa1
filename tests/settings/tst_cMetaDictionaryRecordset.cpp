#include "TestSupport.h"
#include "cConnection.h"
#include "cHVError.h"
#include "cMetaDictionary.h"

#include <QDir>

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

    void TearDown() override
    {
        if (conn)
            conn->Close();
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

    RecordsetPtr open(const QString& sql) { return conn->OpenRecordset(sql, true); }
};

const QVariant nullText = QVariant(QMetaType::fromType<QString>());
const QVariant nullNumber = QVariant(QMetaType::fromType<int>());

QVariant money(qint64 units)
{
    return QVariant::fromValue(cCurrency::fromTenThousandths(units));
}

TEST_F(MetaRecordsetTest, SingleColumnRowsAreNumberedAndEnabled)
{
    insert(50, QStringLiteral("Gamma"), QStringLiteral("c"), nullText, money(99), false);
    insert(60, QStringLiteral("Alpha"), QStringLiteral("c"), nullText, money(99), false);
    insert(70, QStringLiteral("alpha"), QStringLiteral("c"), nullText, money(99), false);
    insert(80, QStringLiteral("Beta"), QStringLiteral("c"), nullText, money(99), false);
    auto rs = open(QStringLiteral("select strName from tblMeta1 order by intMeta1ID"));
    cMetaDictionary dic;
    dic.ReadFromRecordset(*rs);
    ASSERT_EQ(dic.MetaDic.Keys(),
        (QStringList { QStringLiteral("Gamma"), QStringLiteral("Alpha"), QStringLiteral("Beta") }));
    // The duplicate row still counts.
    EXPECT_EQ(dic.MetaDic.Item(QStringLiteral("Gamma")).ID, 1);
    EXPECT_EQ(dic.MetaDic.Item(QStringLiteral("Alpha")).ID, 2);
    EXPECT_EQ(dic.MetaDic.Item(QStringLiteral("Beta")).ID, 4);
    for (const auto& e : dic.MetaDic) {
        EXPECT_TRUE(e.second.Enabled);
        EXPECT_TRUE(e.second.Category.isEmpty());
        EXPECT_EQ(e.second.HourlyRate, cCurrency());
    }
}

TEST_F(MetaRecordsetTest, ReadingStartsAtTheCurrentRowAndSkipsNamelessRows)
{
    insert(1, QStringLiteral("Skipped"), nullText, nullText, money(0), true);
    insert(2, nullText, nullText, nullText, money(0), true);
    insert(3, QStringLiteral("Kept"), nullText, nullText, money(0), true);
    auto rs
        = open(QStringLiteral("select intMeta1ID, strName, strCategory, strSuperCategory, curRate, "
                              "blnEnabled from tblMeta1 order by intMeta1ID"));
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
    insert(1, QStringLiteral("Acme"), nullText, nullText, money(0), nullNumber);
    auto rs
        = open(QStringLiteral("select intMeta1ID, strName, strCategory, strSuperCategory, curRate, "
                              "blnEnabled from tblMeta1"));
    cMetaDictionary dic;
    EXPECT_THROW(dic.ReadFromRecordset(*rs), cHVError);
    EXPECT_TRUE(dic.MetaDic.isEmpty());
}

} // namespace
