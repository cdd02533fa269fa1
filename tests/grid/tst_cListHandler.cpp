#include "TestSupport.h"
#include "cCurrency.h"
#include "cListHandler.h"
#include "modErrorHandling.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPrinter>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace {

class ListHandler : public testing::Test
{
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale::c());
        form.resize(900, 600);
        lst.ListName = QStringLiteral("exsList");
        lst.AddToForm(&form);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    // Fills rows 2.. of column A to D the way the settings window writes a list.
    void fillRows(const QList<QList<QVariant>>& rows)
    {
        lst.EditMode(true);
        for (int r = 0; r < rows.size(); ++r) {
            for (int c = 0; c < rows[r].size(); ++c)
                lst.SetValue(cSheetRange::Cell(r + 1, c).fncAddress(false), rows[r][c]);
        }
        lst.EditMode(false);
    }
    // The user moves the cursor, then the poll runs as its timer would.
    void userSelects(const QString& a)
    {
        const cSheetRange r = cSheetRange::fncParse(a);
        lst.ObjectList->setCurrentIndex(lst.CurrSheet->index(r.intTop, r.intLeft));
        lst.subPollSelection();
    }

    QWidget form;
    cListHandler lst;
};

TEST_F(ListHandler, PlacesAProtectedSheetWithTheListDefaults)
{
    ASSERT_TRUE(lst.ObjectList);
    EXPECT_EQ(lst.ObjectList->parentWidget(), &form);
    EXPECT_EQ(lst.ObjectList->objectName(), QStringLiteral("exsList"));
    EXPECT_EQ(lst.CurrSheet->Formula(0, 5), QStringLiteral("=Counta(A1:A10000)"));
    EXPECT_TRUE(lst.CurrSheet->isProtected());
    EXPECT_TRUE(lst.CurrSheet->Style(0, 0).blnBold);
    EXPECT_EQ(lst.ObjectList->FrozenRows(), 1);
}

TEST_F(ListHandler, LockedHeadingRefusesEditsWhileDataCellsTakeThem)
{
    lst.SetValue(QStringLiteral("A1"), QStringLiteral("Customer"));
    cSheetModel* m = lst.CurrSheet;
    EXPECT_FALSE(m->setData(m->index(0, 0), QStringLiteral("typed over")));
    EXPECT_EQ(lst.GetValue(QStringLiteral("A1"), 8), QVariant(QStringLiteral("Customer")));
    EXPECT_TRUE(m->setData(m->index(1, 0), QStringLiteral("Acme")));
    EXPECT_TRUE(m->setData(m->index(1999, 5), QStringLiteral("last writable")));
    EXPECT_FALSE(m->setData(m->index(2000, 0), QStringLiteral("beyond the list")));
    EXPECT_FALSE(m->fncInsertRows(3, 1));
    EXPECT_TRUE(lst.ObjectList->fncUserSortColumn(0, Qt::AscendingOrder));
}

TEST_F(ListHandler, CountCellFollowsEditsAndUsedRowsSubtractsTheHeading)
{
    EXPECT_EQ(lst.UsedRows(QStringLiteral("F1")), 0);
    EXPECT_TRUE(lst.fncGetRangeArray(QStringLiteral("F1"), QStringLiteral("D")).isEmpty());
    lst.SetValue(QStringLiteral("A1"), QStringLiteral("Customer"));
    fillRows({ { QStringLiteral("Acme") }, { QStringLiteral("Beta") } });
    EXPECT_EQ(lst.GetValue(QStringLiteral("F1"), 2).value<cCurrency>(), cCurrency::fromDouble(3));
    EXPECT_EQ(lst.UsedRows(QStringLiteral("F1")), 2);
    lst.SetValue(QStringLiteral("A3"), QStringLiteral("   "));
    EXPECT_EQ(lst.UsedRows(QStringLiteral("$F$1")), 1);
}

TEST_F(ListHandler, SetValueClearsBlankTextAndWritesZero)
{
    lst.SetValue(QStringLiteral("B2"), QStringLiteral("something"));
    lst.SetValue(QStringLiteral("B2"), QStringLiteral("   "));
    EXPECT_TRUE(lst.CurrSheet->isCellEmpty(1, 1));
    lst.SetValue(QStringLiteral("B2"), 0);
    EXPECT_FALSE(lst.CurrSheet->isCellEmpty(1, 1));
    EXPECT_EQ(lst.CurrSheet->Value(1, 1), QVariant(0));
    EXPECT_EQ(lst.GetValue(QStringLiteral("B2"), 8), QVariant(QStringLiteral("0")));
    EXPECT_EQ(
        fncGetLastStep(), QStringLiteral("Setting value of cells: B2 to a value of type Long"));
    lst.SetValue(QStringLiteral("D2"), QVariant::fromValue(cCurrency::fromDouble(12.5)));
    EXPECT_EQ(lst.CurrSheet->Value(1, 3).typeId(), QMetaType::Double);
}

struct GetValueCase
{
    QVariant cell;
    int type;
    QVariant expected;
};

class ListHandlerGetValue : public ListHandler, public testing::WithParamInterface<GetValueCase>
{
};

TEST_P(ListHandlerGetValue, FollowsTheTypeRules)
{
    const GetValueCase& c = GetParam();
    lst.SetValue(QStringLiteral("D2"), c.cell);
    const QVariant got = lst.GetValue(QStringLiteral("D2"), c.type);
    if (!c.expected.isValid()) {
        EXPECT_FALSE(got.isValid());
    } else if (c.expected.typeId() == qMetaTypeId<cCurrency>()) {
        ASSERT_EQ(got.typeId(), qMetaTypeId<cCurrency>());
        EXPECT_EQ(got.value<cCurrency>(), c.expected.value<cCurrency>());
    } else {
        EXPECT_EQ(got, c.expected);
    }
}

const auto cur = [](double d) { return QVariant::fromValue(cCurrency::fromDouble(d)); };

INSTANTIATE_TEST_SUITE_P(Types, ListHandlerGetValue,
    testing::Values(GetValueCase { QVariant(), 2, cur(0) }, GetValueCase { QVariant(), 6, cur(0) },
        GetValueCase { QVariant(), 14, cur(0) }, GetValueCase { QVariant(), 8, QString() },
        GetValueCase { 12.5, 6, cur(12.5) }, GetValueCase { 12.5, 8, QStringLiteral("12.5") },
        GetValueCase { QStringLiteral("7.25"), 6, cur(7.25) },
        GetValueCase { QStringLiteral("junk"), 2, cur(0) },
        GetValueCase { QStringLiteral("junk"), 8, QStringLiteral("junk") },
        GetValueCase { 3.0, 11, QVariant() }, GetValueCase { QVariant(), 7, QVariant() }));

TEST_F(ListHandler, RangeArraySortsAndCleansSignsAndNulls)
{
    lst.SetValue(QStringLiteral("A1"), QStringLiteral("Customer"));
    fillRows({ { QStringLiteral("Zeta"), QStringLiteral("-minus"), QVariant(), 5.0 },
        { QStringLiteral("Alpha"), QStringLiteral("+plus"), QStringLiteral("s"), -3.0 },
        { QStringLiteral("Mid"), QStringLiteral("plain"), QVariant(), QVariant() } });
    const auto rows = lst.fncGetRangeArray(QStringLiteral("F1"), QStringLiteral("D"));
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0][0], QVariant(QStringLiteral("Alpha")));
    EXPECT_EQ(rows[0][1], QVariant(QStringLiteral("'+plus")));
    EXPECT_EQ(rows[0][3].toDouble(), -3.0) << "a negative number is a number, not a text";
    EXPECT_EQ(rows[0][3].typeId(), QMetaType::Double);
    EXPECT_EQ(rows[2][1], QVariant(QStringLiteral("'-minus")));
    EXPECT_EQ(rows[2][2], QVariant(QString())) << "an empty cell reads as an empty text";
    EXPECT_EQ(rows[2][2].typeId(), QMetaType::QString);
    EXPECT_EQ(lst.CurrSheet->Value(3, 0), QVariant(QStringLiteral("Zeta")))
        << "the sheet is sorted";
    EXPECT_TRUE(lst.CurrSheet->isProtected()) << "protection returns after the suspended sort";
}

TEST_F(ListHandler, RangeDicKeepsDistinctNamesAndDicListWritesThemBack)
{
    lst.SetValue(QStringLiteral("A1"), QStringLiteral("Customer"));
    fillRows({ { QStringLiteral("b") }, { QStringLiteral("a") }, { QStringLiteral("B") },
        { QStringLiteral("-x") } });
    const cDictionary<QVariant> dic = lst.fncGetRangeDic(QStringLiteral("F1"), QStringLiteral("D"));
    EXPECT_EQ(dic.Keys(),
        (QStringList { QStringLiteral("'-x"), QStringLiteral("a"), QStringLiteral("b") }));
    lst.SetValue(QStringLiteral("A150"), QStringLiteral("stale"));
    lst.SetDicList(dic);
    EXPECT_EQ(lst.UsedRows(QStringLiteral("F1")), 3);
    EXPECT_EQ(lst.GetValue(QStringLiteral("A3"), 8), QVariant(QStringLiteral("a")));
    EXPECT_TRUE(lst.CurrSheet->isCellEmpty(149, 0));
}

TEST_F(ListHandler, EmptyCheckMarkCellReadsAsChecked)
{
    lst.SetCheckedColumn(QStringLiteral("G2:G2000"));
    EXPECT_TRUE(lst.GetChecked(QStringLiteral("G5")));
    lst.SetChecked(QStringLiteral("G5"), false);
    EXPECT_FALSE(lst.GetChecked(QStringLiteral("G5")));
    EXPECT_EQ(lst.CurrSheet->Value(4, 6).toString().at(0).unicode(), 168);
    lst.SetChecked(QStringLiteral("G5"), true);
    EXPECT_EQ(lst.CurrSheet->Value(4, 6).toString().at(0).unicode(), 254);
}

TEST_F(ListHandler, SelectingAHeadingCellMovesToRowTwo)
{
    lst.ObjectList->setCurrentIndex(lst.CurrSheet->index(0, 2));
    EXPECT_EQ(lst.fncGetSel(), QStringLiteral("$C$2"));
    EXPECT_EQ(lst.ObjectList->currentIndex(), lst.CurrSheet->index(1, 2));
}

TEST_F(ListHandler, SelectionChangeRaisedOutsideButNotInsideTheCheckMarkColumn)
{
    lst.SetCheckedColumn(QStringLiteral("G2:G2000"));
    lst.SetValue(QStringLiteral("A3"), QStringLiteral("Acme"));
    QStringList raised;
    QObject::connect(
        &lst, &cListHandler::SelectionChange, &lst, [&raised](QString& a) { raised.append(a); });
    userSelects(QStringLiteral("B3"));
    EXPECT_EQ(raised, QStringList { QStringLiteral("$B$3") });
    userSelects(QStringLiteral("B3"));
    EXPECT_EQ(raised.size(), 1) << "an unchanged selection raises nothing";
    userSelects(QStringLiteral("G3"));
    EXPECT_EQ(raised.size(), 1);
    EXPECT_TRUE(lst.GetChecked(QStringLiteral("G3"))) << "moving onto a check mark leaves it alone";
    userSelects(QStringLiteral("A4"));
    EXPECT_EQ(raised.last(), QStringLiteral("$A$4"));
}

TEST_F(ListHandler, ClickInTheCheckMarkColumnTogglesOnce)
{
    lst.SetCheckedColumn(QStringLiteral("G2:G2000"));
    lst.SetValue(QStringLiteral("A3"), QStringLiteral("Acme"));
    lst.ObjectList->SetColumnWidth(cSheetRange::fncParse(QStringLiteral("A:G")), 60);
    QStringList raised;
    QObject::connect(
        &lst, &cListHandler::SelectionChange, &lst, [&raised](QString& a) { raised.append(a); });
    const QRect g3 = lst.ObjectList->visualRect(lst.CurrSheet->index(2, 6));
    QTest::mouseClick(lst.ObjectList->viewport(), Qt::LeftButton, {}, g3.center());
    lst.subPollSelection();
    EXPECT_FALSE(lst.GetChecked(QStringLiteral("G3")));
    EXPECT_TRUE(raised.isEmpty());
    EXPECT_EQ(lst.SelectedCell, QStringLiteral("$G$3"));
    EXPECT_TRUE(lst.CurrSheet->isProtected());
    QTest::keyClick(lst.ObjectList, Qt::Key_Space);
    EXPECT_TRUE(lst.GetChecked(QStringLiteral("G3")));
}

TEST_F(ListHandler, EditModePausesThePollAndSelectionsRaiseNothing)
{
    lst.RaiseEventsEnabled(true);
    auto* timer = lst.findChild<frmTimer*>();
    ASSERT_NE(timer, nullptr);
    lst.EditMode(true);
    EXPECT_FALSE(timer->TimerEnabled());
    EXPECT_FALSE(lst.CurrSheet->isProtected());
    lst.SelectCell(QStringLiteral("B5"));
    EXPECT_FALSE(timer->TimerEnabled()) << "a nested suspension does not resume early";
    lst.EditMode(false);
    EXPECT_TRUE(timer->TimerEnabled());
    EXPECT_TRUE(lst.CurrSheet->isProtected());
    QSignalSpy spy(&lst, &cListHandler::SelectionChange);
    lst.subPollSelection();
    EXPECT_EQ(spy.count(), 0) << "SelectCell stored the selection";

    // The timer raises the event on its own.
    lst.ObjectList->setCurrentIndex(lst.CurrSheet->index(5, 1));
    QStringList raised;
    QObject::connect(
        &lst, &cListHandler::SelectionChange, &lst, [&raised](QString& a) { raised.append(a); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return !raised.isEmpty(); }, 2000));
    EXPECT_EQ(raised, QStringList { QStringLiteral("$B$6") });
}

TEST_F(ListHandler, ViewableRangeOfOneRowStopsThePoll)
{
    lst.SetVisibleRange(QStringLiteral("A1:C1"));
    EXPECT_TRUE(lst.CurrSheet->isProtected()) << "the heading stays locked after a refill";
    EXPECT_EQ(lst.CurrSheet->rowCount(), 1);
    EXPECT_EQ(lst.CurrSheet->columnCount(), 3);
    QSignalSpy spy(&lst, &cListHandler::SelectionChange);
    lst.ObjectList->setCurrentIndex(lst.CurrSheet->index(0, 1));
    lst.subPollSelection();
    EXPECT_EQ(spy.count(), 0);
}

TEST_F(ListHandler, SortRangeSortsOnlyTheListBlock)
{
    fillRows({ { QStringLiteral("b"), 2.0 }, { QStringLiteral("a"), 1.0 } });
    lst.SetValue(QStringLiteral("E2"), QStringLiteral("id-b"));
    lst.SortRange();
    EXPECT_EQ(lst.GetValue(QStringLiteral("A2"), 8), QVariant(QStringLiteral("a")));
    EXPECT_EQ(lst.GetValue(QStringLiteral("B2"), 8), QVariant(QStringLiteral("1")));
    EXPECT_EQ(lst.GetValue(QStringLiteral("E2"), 8), QVariant(QStringLiteral("id-b")))
        << "E is outside A2:D1000";
}

TEST_F(ListHandler, FormatsBordersAndAlignment)
{
    lst.SetInteriorColor(QStringLiteral("B2:B3"), QColor(255, 255, 204), false);
    EXPECT_EQ(lst.CurrSheet->Style(2, 1).colBorder, QColor(0xC0, 0xC0, 0xC0));
    lst.FixHorizontalAlign(QStringLiteral("A2"), 3);
    EXPECT_EQ(lst.CurrSheet->Style(1, 0).align, cSheetModel::eAlign::Right);
    lst.FixHorizontalAlign(QStringLiteral("A2"), 9);
    EXPECT_EQ(lst.CurrSheet->Style(1, 0).align, cSheetModel::eAlign::General);
    lst.SetTextFormat(QStringLiteral("E2"));
    EXPECT_TRUE(lst.CurrSheet->fncEnterText(1, 4, QStringLiteral("0012")));
    EXPECT_EQ(lst.CurrSheet->Value(1, 4), QVariant(QStringLiteral("0012")));
}

TEST_F(ListHandler, ClearAllEmptiesTheSheetWithoutTheDefaults)
{
    lst.SetValue(QStringLiteral("A2"), QStringLiteral("x"));
    lst.ClearAll();
    EXPECT_FALSE(lst.CurrSheet->UsedRange().has_value());
    EXPECT_TRUE(lst.CurrSheet->Formula(0, 5).isEmpty());
    EXPECT_FALSE(lst.CurrSheet->Style(0, 0).blnBold);
    EXPECT_EQ(lst.CurrSheet->Style(500, 3).strFontName, QStringLiteral("Tahoma"));
    EXPECT_EQ(lst.ObjectList->currentIndex(), lst.CurrSheet->index(0, 0));
}

TEST_F(ListHandler, PrintSheetWritesTheHtmlAndPrintsIt)
{
    const QString strTemp = QFileInfo(hvtest::useOwnTempFolder()).canonicalFilePath();
    lst.SetValue(QStringLiteral("A1"), QStringLiteral("Customer"));
    lst.SetValue(QStringLiteral("A2"), QStringLiteral("Acme & Sons"));
    const QString pdf = hvtest::newTempDir() + QStringLiteral("/out.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    lst.PrintSheet(&printer);
    QFile html(cListHandler::fncPrintFilePath());
    ASSERT_TRUE(html.open(QIODevice::ReadOnly));
    EXPECT_EQ(cListHandler::fncPrintFilePath(), strTemp + QStringLiteral("/OWCPrint.htm"));
    EXPECT_TRUE(QString::fromUtf8(html.readAll()).contains(QStringLiteral("Acme &amp; Sons")));
    QFile out(pdf);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_TRUE(out.read(5).startsWith("%PDF"));
}

TEST_F(ListHandler, FailuresReachTheErrorReportUnderTheirNames)
{
    cListHandler loose; // never placed on a window
    const std::pair<const char*, std::function<void()>> cases[] = {
        { "cListHandler.SetValue", [&] { loose.SetValue(QStringLiteral("A1"), 1); } },
        { "cListHandler.SetFormula",
            [&] { lst.SetFormula(QStringLiteral("B1"), QStringLiteral("=SUM(A:A)")); } },
        { "SetVisibleRange", [&] { lst.SetVisibleRange(QStringLiteral("A1:ZZ9")); } },
    };
    for (const auto& [name, call] : cases) {
        subResetErrorState();
        cMessageBox::setNextAnswer(cMessageBox::Answer::No);
        EXPECT_TRUE(hvtest::endsProgram(call)) << name;
        EXPECT_TRUE(fncReportText().contains(QLatin1String(name))) << name;
    }
}

TEST_F(ListHandler, AutoFilterCoversTheUsedRange)
{
    lst.SetValue(QStringLiteral("A1"), QStringLiteral("Name"));
    fillRows({ { QStringLiteral("x") }, { QStringLiteral("y") } });
    lst.AutoFilter(true);
    ASSERT_TRUE(lst.CurrSheet->AutoFilter().has_value());
    EXPECT_EQ(lst.CurrSheet->AutoFilter()->intBottom, 2);
    lst.AutoFilter(false);
    EXPECT_FALSE(lst.CurrSheet->AutoFilter().has_value());
    EXPECT_FALSE(lst.CurrSheet->fncSetFilter(0, { QStringLiteral("x") }));
}

} // namespace
