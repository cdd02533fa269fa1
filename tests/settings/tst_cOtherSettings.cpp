#include "cOtherSettings.h"
#include "cSimpleList.h"
#include "tst_cGlobalSettingsSupport.h"

#include <QDateTime>
#include <gtest/gtest.h>

using namespace hvglobaltest;

namespace {
struct GetValueCase
{
    const char* stored; // nullptr: the name is missing
    qint16 type;
    QVariant expected;
};

class cOtherSettingsGetValue : public testing::TestWithParam<GetValueCase>
{
};

TEST_P(cOtherSettingsGetValue, ConvertsToTheWantedType)
{
    const GetValueCase& c = GetParam();
    cOtherSettings os;
    if (c.stored)
        os.SetValue(QStringLiteral("Key"), QString::fromUtf8(c.stored));
    const QVariant v = os.GetValue(QStringLiteral("key"), c.type);
    EXPECT_EQ(v, c.expected) << (c.stored ? c.stored : "<missing>") << " as " << c.type;
}

INSTANTIATE_TEST_SUITE_P(Table, cOtherSettingsGetValue,
    testing::Values(GetValueCase { nullptr, 2, QVariant::fromValue(qint16(0)) },
        GetValueCase { "42", 2, QVariant::fromValue(qint16(42)) },
        GetValueCase { "2.5", 2, QVariant::fromValue(qint16(2)) }, // halves go to the even side
        GetValueCase { "3.5", 2, QVariant::fromValue(qint16(4)) },
        GetValueCase { "abc", 2, QVariant::fromValue(qint16(0)) },
        GetValueCase { nullptr, 11, QVariant(false) }, GetValueCase { "-1", 11, QVariant(true) },
        GetValueCase { "maybe", 11, QVariant(false) },
        GetValueCase { nullptr, 8, QVariant(QString()) },
        GetValueCase { "text", 8, QVariant(QStringLiteral("text")) },
        GetValueCase { "2024-02-15", 7, QVariant(QDateTime(QDate(2024, 2, 15), QTime(0, 0))) },
        GetValueCase { nullptr, 7, QVariant(QDateTime(QDate(1899, 12, 30), QTime(0, 0))) },
        GetValueCase { "x", 5, QVariant() }));

class cOtherSettingsDatabase : public testing::Test
{
protected:
    void save(const cOtherSettings& os)
    {
        RecordsetPtr rs = fncReturnRecordset(QStringLiteral("tblOtherSettings"), false);
        ASSERT_TRUE(rs);
        os.ToRS(rs.get());
        subCloseConnection();
    }
    const cTestDatabase db { eEngine::SQLite };
};

TEST_F(cOtherSettingsDatabase, ToRSAddsUpdatesAndStoresEmptyAsASpace)
{
    cOtherSettings none;
    none.SetValue(QStringLiteral("A"), QStringLiteral("b"));
    none.ToRS(nullptr); // no recordset: nothing happens

    db.fncExec(QStringLiteral(
        "insert into tblOtherSettings (strPropName, strPropValue) values ('It''s mine', 'old')"));
    db.fncExec(QStringLiteral(
        "insert into tblOtherSettings (strPropName, strPropValue) values ('Other', 'keep')"));
    cOtherSettings os;
    os.SetValue(QStringLiteral("IT'S MINE"), QStringLiteral("new"));
    os.SetValue(QStringLiteral("Blank"), QString());
    os.SetValue(QStringLiteral("Quote ' and \" both"), QStringLiteral("v"));
    save(os);
    EXPECT_EQ(db.fncRows(QStringLiteral(
                  "select strPropName, strPropValue from tblOtherSettings order by intSettingID")),
        (QStringList { "It's mine|new", "Other|keep", "Blank| ", "Quote ' and \" both|v" }));

    // Saving again updates in place: no second row of a name.
    os.SetValue(QStringLiteral("Blank"), QStringLiteral("filled"));
    save(os);
    EXPECT_EQ(
        db.fncRows(QStringLiteral("select count(*) from tblOtherSettings")), QStringList { "4" });
    EXPECT_EQ(db.fncRows(QStringLiteral(
                  "select strPropValue from tblOtherSettings where strPropName = 'Blank'")),
        QStringList { "filled" });
}

// Rows made by an outside edit: the later row of a name gives the value read, which is the value
// saved, in one row. Reading replaces everything held before.
TEST_F(cOtherSettingsDatabase, ANameStoredTwiceIsReadAndSavedInOneRow)
{
    for (const char* row : { "('Colour', 'red')", "('Size', NULL)", "(NULL, 'nameless')",
             "('COLOUR', 'blue')", "('colour', 'green')" })
        db.fncExec(
            QStringLiteral("insert into tblOtherSettings (strPropName, strPropValue) values ")
            + QLatin1String(row));
    cOtherSettings os;
    os.SetValue(QStringLiteral("Stale"), QStringLiteral("x"));
    const RecordsetPtr rs = fncReturnRecordset(QStringLiteral("tblOtherSettings"), true);
    os.FromRS(rs.get());
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(os.DicList.Keys(), (QStringList { "Colour", "Size" }));
    EXPECT_EQ(os.DicList.Item(QStringLiteral("colour")), QStringLiteral("green"));
    EXPECT_EQ(os.DicList.Item(QStringLiteral("Size")), QString());
    // What the save reads the stored names with.
    cSimpleList names;
    names.FromRS(*fncReturnRecordset(QStringLiteral("tblOtherSettings"), true));
    EXPECT_EQ(names.ToArray(), (QStringList { "Colour", "Size" }));
    os.SetValue(QStringLiteral("Colour"), QStringLiteral("black"));
    save(os);
    EXPECT_EQ(db.fncRows(QStringLiteral(
                  "select strPropName, strPropValue from tblOtherSettings order by intSettingID")),
        (QStringList { "Size| ", "<null>|nameless", "colour|black" }));
    os.FromRS(nullptr);
    EXPECT_TRUE(os.DicList.isEmpty());
}
} // namespace
