#include "TestSupport.h"
#include "cCurrency.h"
#include "cListHandler.h"
#include "modErrorHandling.h"

#include <QLocale>
#include <QTest>

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
        QObject::connect(
            &lst, &cListHandler::SelectionChange, &lst, [this](QString& a) { raised.append(a); });
    }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    // The user moves the cursor, then the poll runs as its timer would.
    void userSelects(const QString& a)
    {
        const cSheetRange r = cSheetRange::fncParse(a);
        lst.ObjectList->setCurrentIndex(lst.CurrSheet->index(r.intTop, r.intLeft));
        lst.subPollSelection();
    }

    QWidget form;
    cListHandler lst;
    QStringList raised; // the addresses SelectionChange gave
};

TEST_F(ListHandler, FrozenBoldHeadingRefusesEditsWhileDataCellsTakeValuesByTheTypeRules)
{
    EXPECT_EQ(lst.ObjectList->FrozenRows(), 1);
    EXPECT_TRUE(lst.CurrSheet->Style(0, 0).blnBold);
    lst.SetValue(QStringLiteral("A1"), QStringLiteral("Customer"));
    cSheetModel* m = lst.CurrSheet;
    EXPECT_FALSE(m->setData(m->index(0, 0), QStringLiteral("typed over")));
    EXPECT_EQ(lst.GetValue(QStringLiteral("A1"), 8), QVariant(QStringLiteral("Customer")));
    EXPECT_TRUE(m->setData(m->index(1, 0), QStringLiteral("Acme")));
    EXPECT_TRUE(m->setData(m->index(1999, 5), QStringLiteral("last writable")));
    EXPECT_FALSE(m->setData(m->index(2000, 0), QStringLiteral("beyond the list")));
    // The count in F1 takes in the heading and the items.
    EXPECT_EQ(lst.GetValue(QStringLiteral("F1"), 2).value<cCurrency>(), cCurrency::fromDouble(2));
    EXPECT_FALSE(m->fncInsertRows(3, 1));
    EXPECT_TRUE(lst.ObjectList->fncUserSortColumn(0, Qt::AscendingOrder));

    // SetValue and GetValue follow the type rules.
    lst.SetValue(QStringLiteral("B2"), QStringLiteral("something"));
    lst.SetValue(QStringLiteral("B2"), QStringLiteral("   "));
    EXPECT_TRUE(lst.CurrSheet->isCellEmpty(1, 1));
    lst.SetValue(QStringLiteral("B2"), 0);
    EXPECT_EQ(lst.CurrSheet->Value(1, 1), QVariant(0));
    EXPECT_EQ(lst.GetValue(QStringLiteral("B2"), 8), QVariant(QStringLiteral("0")));
    EXPECT_EQ(
        fncGetLastStep(), QStringLiteral("Setting value of cells: B2 to a value of type Long"));
    lst.SetValue(QStringLiteral("D2"), QVariant::fromValue(cCurrency::fromDouble(12.5)));
    EXPECT_EQ(lst.CurrSheet->Value(1, 3).typeId(), QMetaType::Double);

    const auto cur = [](double d) { return QVariant::fromValue(cCurrency::fromDouble(d)); };
    const struct
    {
        QVariant cell;
        int type;
        QVariant expected;
    } cases[] = { { QVariant(), 2, cur(0) }, { QVariant(), 6, cur(0) }, { QVariant(), 14, cur(0) },
        { QVariant(), 8, QString() }, { 12.5, 6, cur(12.5) }, { 12.5, 8, QStringLiteral("12.5") },
        { QStringLiteral("7.25"), 6, cur(7.25) }, { QStringLiteral("junk"), 2, cur(0) },
        { QStringLiteral("junk"), 8, QStringLiteral("junk") }, { 3.0, 11, QVariant() },
        { QVariant(), 7, QVariant() } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cell.toString().toStdString() + " as " + std::to_string(c.type));
        lst.SetValue(QStringLiteral("D2"), c.cell);
        const QVariant got = lst.GetValue(QStringLiteral("D2"), c.type);
        EXPECT_EQ(got.typeId(), c.expected.typeId());
        if (c.expected.typeId() == qMetaTypeId<cCurrency>())
            EXPECT_EQ(got.value<cCurrency>(), c.expected.value<cCurrency>());
        else
            EXPECT_EQ(got, c.expected);
    }
}

TEST_F(ListHandler, SelectionChangeRaisedOutsideButNotInsideTheCheckMarkColumnWhereAClickToggles)
{
    lst.SetCheckedColumn(QStringLiteral("G2:G2000"));
    lst.SetValue(QStringLiteral("A3"), QStringLiteral("Acme"));
    userSelects(QStringLiteral("B3"));
    EXPECT_EQ(raised, QStringList { QStringLiteral("$B$3") });
    userSelects(QStringLiteral("B3"));
    EXPECT_EQ(raised.size(), 1) << "an unchanged selection raises nothing";
    userSelects(QStringLiteral("G3"));
    EXPECT_EQ(raised.size(), 1);
    EXPECT_TRUE(lst.GetChecked(QStringLiteral("G3"))) << "moving onto a check mark leaves it alone";
    userSelects(QStringLiteral("A4"));
    EXPECT_EQ(raised.last(), QStringLiteral("$A$4"));
    // A heading cell moves the selection to row two.
    lst.ObjectList->setCurrentIndex(lst.CurrSheet->index(0, 2));
    EXPECT_EQ(lst.fncGetSel(), QStringLiteral("$C$2"));
    EXPECT_EQ(lst.ObjectList->currentIndex(), lst.CurrSheet->index(1, 2));

    // A click in the check-mark column toggles the mark once and raises nothing.
    raised.clear();
    lst.ObjectList->SetColumnWidth(cSheetRange::fncParse(QStringLiteral("A:G")), 60);
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

TEST_F(ListHandler, EditModeAndAOneRowRangePauseThePoll)
{
    lst.RaiseEventsEnabled(true);
    auto* timer = lst.findChild<frmTimer*>();
    ASSERT_NE(timer, nullptr);
    lst.EditMode(true);
    EXPECT_FALSE(timer->TimerEnabled());
    EXPECT_FALSE(lst.CurrSheet->isProtected());
    lst.EditMode(false);
    EXPECT_TRUE(timer->TimerEnabled());
    EXPECT_TRUE(lst.CurrSheet->isProtected());
    // The timer raises the event on its own.
    lst.ObjectList->setCurrentIndex(lst.CurrSheet->index(5, 1));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !raised.isEmpty(); }, 2000));
    EXPECT_EQ(raised, QStringList { QStringLiteral("$B$6") });
    // A viewable range of one row stops the poll; the heading stays locked after the refill.
    lst.SetVisibleRange(QStringLiteral("A1:C1"));
    EXPECT_TRUE(lst.CurrSheet->isProtected());
    EXPECT_EQ(lst.CurrSheet->rowCount(), 1);
    EXPECT_EQ(lst.CurrSheet->columnCount(), 3);
    lst.ObjectList->setCurrentIndex(lst.CurrSheet->index(0, 1));
    lst.subPollSelection();
    EXPECT_EQ(raised.size(), 1);
}

TEST_F(ListHandler, FailuresReachTheErrorReportUnderTheirNames)
{
    cListHandler loose; // never placed on a window
    const std::pair<const char*, std::function<void()>> cases[] = {
        { "cListHandler.SetValue", [&] { loose.SetValue(QStringLiteral("A1"), 1); } },
        { "SetVisibleRange", [&] { lst.SetVisibleRange(QStringLiteral("A1:ZZ9")); } },
    };
    for (const auto& [name, call] : cases) {
        subResetErrorState();
        cMessageBox::setNextAnswer(cMessageBox::Answer::No);
        EXPECT_TRUE(hvtest::endsProgram(call)) << name;
        EXPECT_TRUE(fncReportText().contains(QLatin1String(name))) << name;
    }
}

} // namespace
