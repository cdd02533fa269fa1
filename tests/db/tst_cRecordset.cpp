#include <cDbTestEngines.h>

using RecordsetOnEngine = hvtest::cDbEngineTest;

// In memory: fields keep their types, rows convert to them, and add, update and delete work
// without a database.
TEST(RecordsetDisconnected, FieldsKeepTypesRowsConvertAndEditsWorkInMemory)
{
    auto rs = std::make_shared<cRecordset>();
    rs->AppendField(cField { QStringLiteral("intMeta1ID"), eFieldType::Long, 0, false, true });
    rs->AppendField(QStringLiteral("strName"), eFieldType::Text);
    rs->AppendField(QStringLiteral("curRate"), eFieldType::Currency);
    rs->AppendField(QStringLiteral("blnEnabled"), eFieldType::Boolean);
    rs->AppendRow({ 1, QStringLiteral("Acme"), QStringLiteral("12.5"), QStringLiteral("True") });
    rs->AppendRow({ 2, QStringLiteral("Beta"), 7, false });
    rs->AppendRow({ 3, QStringLiteral("O'Neil"), QVariant(), -1 });
    ASSERT_EQ(rs->FieldCount(), 4);
    EXPECT_EQ(rs->Field(1).DefinedSize, 255);
    EXPECT_EQ(rs->FieldIndex(QStringLiteral("CURRATE")), 2);
    EXPECT_EQ(rs->RecordCount(), 3);
    EXPECT_EQ(rs->CurrencyValue(QStringLiteral("curRate")), cCurrency::fromTenThousandths(125000));
    EXPECT_EQ(rs->Value(QStringLiteral("curRate")).toString(), QStringLiteral("12.5"));
    EXPECT_TRUE(rs->Value(3).toBool());
    rs->MoveNext();
    EXPECT_EQ(rs->Value(0).toInt(), 2);
    EXPECT_FALSE(rs->Value(QStringLiteral("blnEnabled")).toBool());
    rs->MoveNext();
    EXPECT_TRUE(rs->Value(QStringLiteral("curRate")).isNull());
    EXPECT_EQ(rs->CurrencyValue(QStringLiteral("curRate")), cCurrency());
    rs->MoveNext();
    EXPECT_TRUE(rs->Eof());
    EXPECT_THROW(rs->Value(0), cHVError);
    EXPECT_THROW(rs->MoveNext(), cHVError);
    // Bad values and unknown fields are errors and add nothing.
    EXPECT_THROW(rs->AppendRow({ QStringLiteral("abc") }), cHVError);
    EXPECT_THROW(rs->AppendRow({ 1, QStringLiteral("x"), QStringLiteral("12,,5") }), cHVError);
    EXPECT_THROW(rs->AppendRow({ 1, 2, 3, 4, 5 }), cHVError);
    EXPECT_EQ(rs->RecordCount(), 3);
    rs->MoveFirst();
    EXPECT_THROW(rs->Value(QStringLiteral("strNope")), cHVError);
    EXPECT_THROW(rs->SetValue(QStringLiteral("strName"), QString(256, QLatin1Char('x'))), cHVError);

    rs->AddNew();
    rs->SetValue(QStringLiteral("strName"), QStringLiteral("Gamma"));
    rs->SetValue(QStringLiteral("curRate"), cCurrency::fromTenThousandths(-5));
    rs->Update();
    EXPECT_EQ(rs->RecordCount(), 4);
    rs->MoveFirst();
    rs->Delete();
    // Like ADO, the deleted row stays current until the next move.
    EXPECT_THROW(rs->Value(1), cHVError);
    rs->MoveNext();
    EXPECT_EQ(rs->Value(1).toString(), QStringLiteral("Beta"));
    EXPECT_EQ(rs->RecordCount(), 3);
    rs->MoveLast();
    EXPECT_EQ(rs->CurrencyValue(QStringLiteral("curRate")).toInvariantString(),
        QStringLiteral("-0.0005"));
    rs->AddNew();
    rs->CancelUpdate();
    EXPECT_EQ(rs->RecordCount(), 3);
}

TEST_P(RecordsetOnEngine, WritesGoThroughTheKeyAndReadBack)
{
    auto rs = fncReturnRecordset(QStringLiteral("tblMeta1"), false);
    ASSERT_TRUE(rs);
    EXPECT_EQ(rs->KeyColumn(), QStringLiteral("intMeta1ID"));
    EXPECT_TRUE(rs->Eof());
    for (const char* name : { "Zulu", "alpha", "Mike" }) {
        rs->AddNew();
        rs->SetValue(QStringLiteral("strName"), QString::fromLatin1(name));
        rs->SetValue(QStringLiteral("blnEnabled"), true);
        rs->Update();
        EXPECT_GT(rs->Value(0).toInt(), 0);
    }
    auto sorted
        = fncReturnRecordset(QStringLiteral("select * from tblMeta1 order by strName"), true);
    ASSERT_TRUE(sorted);
    ASSERT_EQ(sorted->RecordCount(), 3);
    EXPECT_EQ(sorted->Field(1).Name, QStringLiteral("strName")); // our spelling on every engine
    QStringList names;
    for (; !sorted->Eof(); sorted->MoveNext())
        names.append(sorted->Value(QStringLiteral("strName")).toString());
    EXPECT_EQ(names,
        (QStringList { QStringLiteral("alpha"), QStringLiteral("Mike"), QStringLiteral("Zulu") }));
    EXPECT_THROW(sorted->AddNew(), cHVError);

    rs->MoveFirst();
    ASSERT_TRUE(rs->Find(QStringLiteral("strName = 'mike'")));
    rs->SetValue(QStringLiteral("strCategory"), QStringLiteral("Internal"));
    rs->Update();
    ASSERT_TRUE(rs->Find(QStringLiteral("strName"), QStringLiteral("Mike")));
    rs->Delete();
    rs->MoveNext();

    auto again = fncReturnRecordset(QStringLiteral("tblMeta1"), true);
    ASSERT_EQ(again->RecordCount(), 2);
    EXPECT_FALSE(again->Find(QStringLiteral("strName = 'Mike'")));
    again->MoveFirst();
    ASSERT_TRUE(again->Find(QStringLiteral("strName = 'alpha'")));
    EXPECT_TRUE(again->Value(QStringLiteral("blnEnabled")).toBool());
    EXPECT_TRUE(again->Value(QStringLiteral("strCategory")).isNull());

    // A NULL integer reads back as null, not as 0.
    fncSharedConnection()->Execute(
        QStringLiteral("insert into tblReports (strSubject) values ('x')"));
    EXPECT_EQ(hvtest::fncRows(
                  *fncReturnRecordset(QStringLiteral("select intMeta1ID from tblReports"), true)),
        QStringList { QStringLiteral("<null>") });
}

TEST_P(RecordsetOnEngine, UpdatesOfRowsDeletedBehindTheirBackFailAndAmountsRoundTripExactly)
{
    auto rs = fncReturnRecordset(QStringLiteral("tblPersons"), false);
    rs->AddNew();
    rs->SetValue(QStringLiteral("strPersonName"), QStringLiteral("Ann"));
    rs->Update();
    const int id = rs->Value(0).toInt();
    auto cmd = fncCreateCommand();
    ASSERT_TRUE(cmd);
    cmd->CommandText = QStringLiteral("Delete from tblPersons where intPersonID = ?");
    EXPECT_EQ(cmd->Execute({ id }), 1);
    rs->SetValue(QStringLiteral("strPersonName"), QStringLiteral("Ann B."));
    EXPECT_THROW(rs->Update(), cHVError);
    rs->CancelUpdate();
    EXPECT_EQ(fncReturnRecordset(QStringLiteral("tblPersons"), true)->RecordCount(), 0);

    // Amounts come back exactly to four decimals.
    const QList<qint64> units { 1000, 123456, -123456, 1, -1, 0, 9000000000000000LL,
        -9000000000000000LL, 9223372036854775807LL / 10 };
    auto meta = fncReturnRecordset(QStringLiteral("tblMeta2"), false);
    for (qint64 u : units) {
        meta->AddNew();
        meta->SetValue(QStringLiteral("strName"), QString::number(u));
        meta->SetValue(
            QStringLiteral("curRate"), QVariant::fromValue(cCurrency::fromTenThousandths(u)));
        meta->Update();
    }
    meta->AddNew();
    meta->SetValue(QStringLiteral("strName"), QStringLiteral("double"));
    meta->SetValue(QStringLiteral("curRate"), 0.1);
    meta->Update();
    auto back = fncReturnRecordset(QStringLiteral("tblMeta2"), true);
    for (qint64 u : units) {
        ASSERT_TRUE(back->Find(QStringLiteral("strName"), QString::number(u))) << u;
        EXPECT_EQ(back->CurrencyValue(QStringLiteral("curRate")).tenThousandths(), u);
        back->MoveFirst();
    }
    ASSERT_TRUE(back->Find(QStringLiteral("strName = 'double'")));
    EXPECT_EQ(back->Value(QStringLiteral("curRate")).toString(), QStringLiteral("0.1"));
}

INSTANTIATE_TEST_SUITE_P(Engines, RecordsetOnEngine, HV_DB_ENGINES);
