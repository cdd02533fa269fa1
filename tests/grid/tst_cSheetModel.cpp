#include "cHVError.h"
#include "cSheetModel.h"
#include "modCellEntry.h"

#include <QAbstractItemModelTester>
#include <QLocale>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

class SheetModel : public testing::Test
{
protected:
    void SetUp() override { QLocale::setDefault(QLocale::c()); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
    static cSheetRange R(const char* a) { return cSheetRange::fncParse(QString::fromLatin1(a)); }
    cSheetModel m;
};

TEST_F(SheetModel, PassesTheItemModelTesterThroughEditsAndResets)
{
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    m.SetViewableRange(R("A1:G30"));
    m.SetFormula(R("F1"), QStringLiteral("=Counta(A1:A10000)"));
    m.SetValue(R("A2:C5"), QStringLiteral("x"));
    m.ApplyStyle(R("G2:G30"), [](auto& s) { s.blnCheckMark = true; });
    m.SortRange(R("A2:D30"), 0, Qt::DescendingOrder);
    EXPECT_TRUE(m.fncInsertRows(2, 3));
    m.SetViewableRange(R("A1:C4"));
    EXPECT_EQ(m.rowCount(), 4);
    EXPECT_EQ(m.columnCount(), 3);
}

TEST_F(SheetModel, NumbersStayNumbersAndTextsStayTexts)
{
    ASSERT_TRUE(m.fncEnterText(1, 3, QStringLiteral("12.5")));
    EXPECT_EQ(m.Value(1, 3).typeId(), QMetaType::Double);
    EXPECT_DOUBLE_EQ(m.Value(1, 3).toDouble(), 12.5);
    ASSERT_TRUE(m.fncEnterText(1, 0, QStringLiteral("'007")));
    EXPECT_EQ(m.Value(1, 0), QVariant(QStringLiteral("007")));
    // The editor shows the apostrophe again, so re-entering keeps it text.
    EXPECT_EQ(m.data(m.index(1, 0), Qt::EditRole).toString(), QStringLiteral("'007"));
    m.ApplyStyle(R("B2"), [](auto& s) { s.numberFormat = cSheetModel::eNumberFormat::Text; });
    ASSERT_TRUE(m.fncEnterText(1, 1, QStringLiteral("42")));
    EXPECT_EQ(m.Value(1, 1).typeId(), QMetaType::QString);
    const auto align = [this](int c) {
        return m.data(m.index(1, c), Qt::TextAlignmentRole).value<Qt::Alignment>()
            & Qt::AlignHorizontal_Mask;
    };
    EXPECT_EQ(
        (QList { align(1), align(3) }), (QList<Qt::Alignment> { Qt::AlignLeft, Qt::AlignRight }));
}

// Amounts are written without QLocale; the text must be QLocale's all the same, in every script.
TEST_F(SheetModel, NumbersReadAsQLocaleWritesThem)
{
    const double values[] = { 0, -0.0, 10, 10.0001, 10.1999, -3.25, 0.0001, 1e-5, 99999999999.9999,
        1e11, 123456789012345.0, 0.1 + 0.2, 1.0f / 3 };
    for (const QLocale::Language language :
        { QLocale::C, QLocale::German, QLocale::Arabic, QLocale::Persian, QLocale::Hindi }) {
        QLocale::setDefault(QLocale(language,
            language == QLocale::Hindi ? QLocale::DevanagariScript : QLocale::AnyScript,
            QLocale::AnyTerritory));
        QLocale expected;
        expected.setNumberOptions(QLocale::OmitGroupSeparator);
        for (const double d : values) {
            SCOPED_TRACE(QLocale().name().toStdString() + " " + std::to_string(d));
            m.SetCellValue(1, 3, d);
            EXPECT_EQ(m.fncDisplayText(1, 3), expected.toString(d, 'g', 15));
        }
    }
}

TEST_F(SheetModel, CountFormulaFollowsEditsAndOthersAreRefused)
{
    m.SetFormula(R("F1"), QStringLiteral("=Counta(A1:A10000)"));
    QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
    EXPECT_EQ(m.Value(0, 5).toInt(), 0);
    m.SetCellValue(0, 0, QStringLiteral("Customer"));
    m.SetCellValue(1, 0, QStringLiteral("Acme"));
    m.SetCellValue(9999, 0, 3.0);
    EXPECT_EQ(m.Value(0, 5).toInt(), 3);
    const bool f1Announced
        = std::any_of(changed.begin(), changed.end(), [](const QList<QVariant>& args) {
              const auto tl = args.at(0).toModelIndex();
              return tl.row() == 0 && tl.column() == 5;
          });
    EXPECT_TRUE(f1Announced) << "the view must learn that F1 changed";
    m.SetCellValue(1, 0, QStringLiteral(""));
    EXPECT_EQ(m.Value(0, 5).toInt(), 2);
    m.SetCellValue(1, 1, QStringLiteral("outside the range"));
    EXPECT_EQ(m.Value(0, 5).toInt(), 2);
    m.ClearContents(R("A:A"));
    EXPECT_EQ(m.Value(0, 5).toInt(), 0);
    EXPECT_EQ(m.Formula(0, 5), QStringLiteral("=Counta(A1:A10000)"));
    // A formula covering its own cell does not count itself.
    m.SetFormula(R("A1"), QStringLiteral("=COUNTA(A:A)"));
    m.SetCellValue(4, 0, QStringLiteral("x"));
    EXPECT_EQ(m.Value(0, 0).toInt(), 1);
    // Formulas it cannot compute are refused.
    EXPECT_THROW(m.SetFormula(R("B1"), QStringLiteral("=SUM(A1:A3)")), cHVError);
    m.SetCellValue(1, 1, QStringLiteral("kept"));
    QString error;
    EXPECT_FALSE(m.fncEnterText(1, 1, QStringLiteral("=Counta(A1:"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(m.Value(1, 1), QVariant(QStringLiteral("kept")));
}

TEST_F(SheetModel, ProtectionGuardsLockedCellsOnlyAndForbidsWhatTheListForbids)
{
    m.SetViewableRange(R("A1:G20"));
    m.ApplyStyle(R("A1:F2000"), [](auto& s) { s.blnLocked = false; });
    m.ApplyStyle(R("A1:F1"), [](auto& s) { s.blnLocked = true; });
    m.SetCellValue(0, 0, QStringLiteral("Heading"));
    m.SetProtected(true);
    EXPECT_FALSE(m.setData(m.index(0, 0), QStringLiteral("changed")));
    EXPECT_FALSE(m.flags(m.index(0, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_EQ(m.Value(0, 0), QVariant(QStringLiteral("Heading")));
    EXPECT_TRUE(m.setData(m.index(1, 0), QStringLiteral("Acme")));
    EXPECT_EQ(m.Value(1, 0), QVariant(QStringLiteral("Acme")));
    EXPECT_FALSE(m.setData(m.index(1, 6), QStringLiteral("locked by default")));
    m.SetProtected(false);
    EXPECT_TRUE(m.setData(m.index(0, 0), QStringLiteral("changed")));

    // Protected, the sheet also refuses what the list forbids.
    auto& p = m.Protection();
    p.blnAllowDeletingColumns = false;
    p.blnAllowInsertingColumns = false;
    p.blnAllowInsertingRows = false;
    m.ApplyStyle(R("2:2000"), [](auto& s) { s.blnLocked = false; });
    m.SetCellValue(1, 0, QStringLiteral("b"));
    m.SetCellValue(2, 0, QStringLiteral("a"));
    m.SetCellValue(0, 0, QStringLiteral("Heading"));
    m.SetProtected(true);
    EXPECT_FALSE(m.fncInsertRows(1, 1));
    EXPECT_FALSE(m.fncInsertColumns(0, 1));
    EXPECT_FALSE(m.fncDeleteColumns(0, 1));
    EXPECT_FALSE(m.fncDeleteRows(0, 1)) << "the locked heading row stays";
    EXPECT_TRUE(m.fncUserSort(R("A2:D3"), 0, Qt::AscendingOrder));
    EXPECT_EQ(m.Value(1, 0), QVariant(QStringLiteral("a")));
    EXPECT_TRUE(m.fncDeleteRows(1, 1));
    EXPECT_EQ(m.Value(1, 0), QVariant(QStringLiteral("b")));
    EXPECT_EQ(m.Value(0, 0), QVariant(QStringLiteral("Heading")));
    m.SetProtected(false);
    EXPECT_TRUE(m.fncInsertRows(1, 2));
    EXPECT_EQ(m.Value(3, 0), QVariant(QStringLiteral("b")));
}
TEST_F(SheetModel, InsertingRowsMovesTheFormulaWithItsCell)
{
    m.SetFormula(R("F3"), QStringLiteral("=Counta(A1:A5)"));
    m.SetCellValue(0, 0, QStringLiteral("x"));
    ASSERT_TRUE(m.fncInsertRows(1, 1));
    EXPECT_TRUE(m.Formula(2, 5).isEmpty());
    EXPECT_EQ(m.Value(3, 5).toInt(), 1);
}

TEST_F(SheetModel, SortKeepsRowsTogetherAndBlanksLast)
{
    const QList<QList<QVariant>> rows {
        { QStringLiteral("beta"), QStringLiteral("c2"), QString(), 20.0 },
        { QStringLiteral("Alpha"), QStringLiteral("c1"), QStringLiteral("s1"), 10.0 },
        { QVariant(), QStringLiteral("orphan"), QVariant(), QVariant() },
        { 5.0, QStringLiteral("number"), QVariant(), 1.0 },
        { QStringLiteral("alpha"), QStringLiteral("second alpha"), QVariant(), 11.0 },
    };
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < 4; ++c)
            m.SetCellValue(r + 1, c, rows[r][c]);
    }
    m.ApplyStyle(R("A3:D3"), [](auto& s) { s.blnBold = true; });
    m.SetCellValue(1, 4, QStringLiteral("E stays"));
    const auto rowTexts = [this] {
        QStringList out;
        for (int r = 1; r <= 5; ++r)
            out.append(QStringList { m.fncDisplayText(r, 0), m.fncDisplayText(r, 1),
                m.fncDisplayText(r, 2), m.fncDisplayText(r, 3), m.fncDisplayText(r, 4) }
                           .join(QLatin1Char('|')));
        return out;
    };
    // Stable, blanks last, and column E stays where it was.
    m.SortRange(R("A2:D1000"), 0);
    EXPECT_EQ(rowTexts(),
        QStringList({ "5|number||1|E stays", "Alpha|c1|s1|10|", "alpha|second alpha||11|",
            "beta|c2||20|", "|orphan|||" }));
    EXPECT_TRUE(m.Style(2, 1).blnBold) << "formats move with their row";
    m.SortRange(R("A2:D1000"), 3, Qt::DescendingOrder);
    EXPECT_EQ(rowTexts(),
        QStringList({ "beta|c2||20|E stays", "alpha|second alpha||11|", "Alpha|c1|s1|10|",
            "5|number||1|", "|orphan|||" }));
}

// The used range covers values only; check-mark cells read empty as checked.
TEST_F(SheetModel, UsedRangeCoversValuesOnlyAndCheckMarkCellsReadEmptyAsChecked)
{
    EXPECT_FALSE(m.UsedRange().has_value());
    m.SetCellValue(1, 1, QStringLiteral("x"));
    m.SetCellValue(3, 2, 7.0);
    m.ApplyStyle(R("E9"), [](auto& s) { s.blnBold = true; });
    EXPECT_EQ(m.UsedRange(), (cSheetRange { 1, 1, 3, 2 }));
    m.ApplyStyle(R("G2:G10"), [](auto& s) { s.blnCheckMark = true; });
    EXPECT_TRUE(m.isChecked(5, 6));
    EXPECT_FALSE(m.data(m.index(5, 6), Qt::CheckStateRole).isValid()) << "no box in an empty row";
    m.SetCellValue(5, 0, QStringLiteral("Acme"));
    EXPECT_EQ(m.data(m.index(5, 6), Qt::CheckStateRole).toInt(), Qt::Checked);
    m.SetCellValue(5, 6, fncCheckMarkText(false));
    EXPECT_FALSE(m.isChecked(5, 6));
    EXPECT_EQ(m.data(m.index(5, 6), Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_TRUE(m.data(m.index(5, 6), Qt::DisplayRole).toString().isEmpty());
    EXPECT_TRUE(m.setData(m.index(5, 6), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(m.Value(5, 6).toString(), QString(QChar(0x00FE)));
}

// Typed text keeps only what an XML file can carry, on one line (a surrogate pair stays whole);
// a number takes either decimal mark, no grouping, nothing out of range.
TEST(CellEntry, TextKeepsWhatXmlCarriesAndNumbersTakeEitherMark)
{
    const std::pair<QString, QString> texts[]
        = { { QStringLiteral("Soft\u000bbreak"), QStringLiteral("Soft break") },
              { QStringLiteral("a\r\nb\tc\nd"), QStringLiteral("a b c d") },
              { QString(QChar(0)) + QStringLiteral("x\u0008\u000c\u001f\uFFFE\uFFFF"),
                  QStringLiteral("x") },
              { QStringLiteral("lone") + QChar(0xD800) + QStringLiteral("high"),
                  QStringLiteral("lonehigh") },
              { QString(QChar(0xDC00)) + QStringLiteral("low"), QStringLiteral("low") },
              { QStringLiteral("pair \U0001F600"), QStringLiteral("pair \U0001F600") } };
    for (const auto& [typed, kept] : texts)
        EXPECT_EQ(fncCleanEntryText(typed), kept) << typed.toStdString();
    EXPECT_EQ(fncParseDecimal(QStringLiteral(" 45,50 ")), 45.5);
    EXPECT_EQ(fncParseDecimal(QStringLiteral("-0.75")), -0.75);
    EXPECT_EQ(fncParseDecimal(QStringLiteral("-922337203685477,5")), -922337203685477.5);
    for (const char* bad : { "95O", "1.000,5", "1,000,000", "", "1e300", "inf", "nan", "12 5",
             "922337203685477.5808", "-922337203685477.7" })
        EXPECT_FALSE(fncParseDecimal(QString::fromLatin1(bad)).has_value()) << bad;
}

} // namespace
