#include "TestSupport.h"
#include "cGlobalSettings.h"
#include "cListHandler.h"
#include "cPersonalSettings.h"
#include "cWindowValues.h"
#include "frmHVPersSettingsSingle.h"
#include "modPhrases.h"
#include "tst_StartUpSupport.h"
#include "ui_frmHVPersSettingsSingle.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QClipboard>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

namespace {
struct Item
{
    const char* name;
    const char* category = "";
    const char* super = "";
    double rate = 0;
    bool enabled = true;
};

class SettingsWindow : public testing::Test
{
protected:
    void SetUp() override
    {
        LoadLanguages(fncGetlocalLanguage());
        m_personal = std::make_unique<cPersonalSettings>();
        m_global = std::make_unique<cGlobalSettings>();
        m_global->OtherSettings.SetValue(QStringLiteral("EnableItems"), QStringLiteral("True"));
    }

    void TearDown() override
    {
        m_frm.reset();
        m_global.reset();
        m_personal.reset();
    }

    cMetaDictionary& addList(const char* caption, std::initializer_list<Item> items,
        const char* category = "", const char* super = "")
    {
        cMetaDictionary objList;
        objList.Caption = QString::fromUtf8(caption);
        objList.CategoryCaption = QString::fromUtf8(category);
        objList.SuperCategoryCaption = QString::fromUtf8(super);
        objList.Index = static_cast<qint16>(m_global->MetaDataLists.Count() + 1);
        for (const Item& i : items)
            objList.AddMeta(QString::fromUtf8(i.name), QString::fromUtf8(i.category),
                cCurrency::fromDouble(i.rate), 0, QString::fromUtf8(i.super), i.enabled);
        const QString key = QStringLiteral("Meta") + QString::number(objList.Index);
        m_global->MetaDataLists.Add(key, objList);
        return m_global->MetaDataLists.Item(key);
    }

    // As Main opens the window: captions, values, shown, active. The start-up refill has its own
    // test; on a slow machine it would come halfway through the others.
    void open(bool blnStartupTimer = false)
    {
        m_frm = std::make_unique<frmHVPersSettingsSingle>(*m_personal, *m_global);
        m_frm->subSetCaptions();
        m_frm->subSetValues();
        m_frm->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_frm.get()));
        if (blnStartupTimer)
            return;
        m_frm->timStartup().stop();
        m_frm->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_frm.get()));
    }

    Ui::frmHVPersSettingsSingle& ui() { return m_frm->ui(); }
    cSheetModel& listSheet() { return *m_frm->exsList().CurrSheet; }
    cSheetModel& captionSheet() { return *m_frm->exsCategories().CurrSheet; }
    cMetaDictionary& list(int pos) { return m_global->MetaDataLists.ItemAt(pos); }

    QStringList names(int pos) { return list(pos).MetaDic.Keys(); }
    // Each item of a list as "name/category/rate/enabled".
    QStringList items(int pos)
    {
        QStringList out;
        for (const auto& [key, m] : list(pos).MetaDic)
            out << QStringLiteral("%1/%2/%3/%4")
                       .arg(key, m.Category)
                       .arg(m.HourlyRate.toDouble())
                       .arg(m.Enabled);
        return out;
    }

    QAbstractItemModel& tree() { return *ui().treMetaView->model(); }
    // Every node of the tree, depth first, indented by its level.
    QStringList treeLines(const QModelIndex& parent = {}, const QString& indent = {})
    {
        QStringList out;
        for (int r = 0; r < tree().rowCount(parent); ++r) {
            const QModelIndex node = tree().index(r, 0, parent);
            out << indent + node.data().toString();
            out += treeLines(node, indent + QLatin1Char(' '));
        }
        return out;
    }

    QStringList gridNames() { return hvapptest::gridNames(*m_frm); }
    // The texts of a row of the list grid in the given columns.
    QStringList cells(int intRow, std::initializer_list<int> cols)
    {
        QStringList out;
        for (const int c : cols)
            out << listSheet().Value(intRow, c).toString();
        return out;
    }
    // The letters of the list grid's shown columns.
    QString shownColumns()
    {
        QString out;
        for (int c = 0; c < 7; ++c) {
            if (grid().ColumnWidthOf(c) > 0)
                out += QChar(u'A' + c);
        }
        return out;
    }
    // The tabs' texts, then the cost carrier choices'.
    QStringList tabsAndCarriers()
    {
        QStringList out;
        for (int i = 0; i < ui().tbsLists->count(); ++i)
            out << ui().tbsLists->tabText(i);
        for (int i = 0; i < ui().cmbCostCarrier->count(); ++i)
            out << ui().cmbCostCarrier->itemText(i);
        return out;
    }

    void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    cSheet& grid() { return *m_frm->exsList().ObjectList; }
    // A mouse click on a cell of the list grid (0-based row and column of the sheet).
    void clickCell(int intRow, int intCol, Qt::KeyboardModifiers mods = {})
    {
        const QModelIndex index = listSheet().index(intRow, intCol);
        grid().scrollTo(index);
        QTest::mouseClick(
            grid().viewport(), Qt::LeftButton, mods, grid().visualRect(index).center());
    }
    // Keys as the user types them: each goes to whatever has the focus.
    void type(const QString& strText)
    {
        for (const QChar ch : strText)
            QTest::keyClick(QApplication::focusWidget(), ch.toLatin1());
    }
    void key(Qt::Key k, Qt::KeyboardModifiers mods = {})
    {
        QTest::keyClick(QApplication::focusWidget(), k, mods);
        // Return in a cell editor commits through a queued call.
        QCoreApplication::processEvents();
    }
    // The cell editor open in the list grid, if any.
    QLineEdit* editor() { return qobject_cast<QLineEdit*>(QApplication::focusWidget()); }

    std::unique_ptr<cPersonalSettings> m_personal;
    std::unique_ptr<cGlobalSettings> m_global;
    std::unique_ptr<frmHVPersSettingsSingle> m_frm;
};
} // namespace

// The start-up timer refills once and starts the poll. Grey check boxes count as on for the
// filters only.
TEST_F(SettingsWindow, ShowsThePersonalValuesRefillsOnceAtStartTakesGreyBoxesForFiltersOnly)
{
    addList("Customer", { { "Acme" } });
    m_personal->FilterEvents = false;
    m_personal->FilterPrivate = true;
    m_personal->FilterRecurring = false;
    m_personal->Convert24 = true;
    m_personal->Convert24Hours = QStringLiteral("7");
    m_personal->RemoveLunch = false;
    m_personal->RemoveLunchHours = QStringLiteral("0.5");
    m_personal->WriteSubject = true;
    open(true);
    EXPECT_TRUE(m_frm->timStartup().isActive());
    EXPECT_FALSE(m_frm->timCheckCategories().isActive());
    const QList<QCheckBox*> boxes = { ui().chkEvents, ui().chkPrivate, ui().chkRecurring,
        ui().chkConvertFullDayToHours, ui().chkRemoveLunch, ui().chkWriteSubject };
    QList<Qt::CheckState> states;
    for (QCheckBox* chk : boxes)
        states << chk->checkState();
    EXPECT_EQ(states,
        (QList {
            Qt::Unchecked, Qt::Checked, Qt::Unchecked, Qt::Checked, Qt::Unchecked, Qt::Checked }));
    EXPECT_TRUE(ui().txtFullDayHours->isEnabled());
    EXPECT_EQ(ui().txtFullDayHours->text(), QStringLiteral("7"));
    EXPECT_FALSE(ui().txtLunchHours->isEnabled());
    EXPECT_EQ(ui().txtLunchHours->text(), QStringLiteral("0.5"));
    EXPECT_EQ(ui().chkPrivate->text().remove(QLatin1Char('&')), fncPhrase("LNGPRIVATE"));
    EXPECT_EQ(m_frm->windowTitle(), QStringLiteral("Hourvane for Outlook Personal Settings SU"));

    // The start-up refill shows the settings as they are by then.
    m_personal->FilterPrivate = false;
    EXPECT_TRUE(QTest::qWaitFor([this] { return m_frm->timCheckCategories().isActive(); }, 3000));
    EXPECT_FALSE(m_frm->timStartup().isActive());
    EXPECT_EQ(ui().chkPrivate->checkState(), Qt::Unchecked);

    for (QCheckBox* chk : boxes)
        chk->setCheckState(Qt::PartiallyChecked);
    cPersonalSettings& p = *m_personal;
    p.RemoveLunch = true;
    m_frm->fncWindowValues().ApplyTo(p, 2);
    EXPECT_EQ((QList { p.FilterEvents, p.FilterPrivate, p.FilterRecurring, p.Convert24,
                  p.RemoveLunch, p.WriteSubject }),
        (QList { true, true, true, false, false, true }));

    // What the user changes or is typing before the refill stays.
    const auto refilled = [this] { return m_frm->timCheckCategories().isActive(); };
    open(true);
    QTest::mouseClick(ui().chkEvents, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor(refilled, 3000));
    EXPECT_EQ(ui().chkEvents->checkState(), Qt::Unchecked) << "stored as on";
    open(true);
    clickCell(2, 0);
    type(QStringLiteral("Ne"));
    EXPECT_TRUE(QTest::qWaitFor(refilled, 3000));
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(editor()->text(), QStringLiteral("Ne"));
}

TEST_F(SettingsWindow, PersonAsCostCarrierShowsTheRateFieldAListHidesItAMissingListIsReset)
{
    addList("Customer", { { "Acme", "", "", 90 } });
    addList("Task", { { "Build" } });
    m_global->CostCarrier = 2;
    open();
    ASSERT_EQ(ui().cmbCostCarrier->count(), 3);
    EXPECT_EQ(ui().cmbCostCarrier->currentIndex(), 1);
    EXPECT_TRUE(ui().txtPersonalRate->isHidden());
    // The list that costs are counted by shows its rate column.
    EXPECT_EQ(shownColumns(), QStringLiteral("ADG"));

    ui().cmbCostCarrier->setFocus();
    QTest::keyClick(ui().cmbCostCarrier, Qt::Key_Up);
    EXPECT_EQ(m_global->CostCarrier, 1);
    EXPECT_FALSE(ui().txtPersonalRate->isHidden());
    EXPECT_FALSE(ui().lblPersonalRate->isHidden());
    EXPECT_EQ(shownColumns(), QStringLiteral("AG"));

    QTest::keyClick(ui().cmbCostCarrier, Qt::Key_Down);
    QTest::keyClick(ui().cmbCostCarrier, Qt::Key_Down);
    EXPECT_EQ(m_global->CostCarrier, 3);
    EXPECT_TRUE(ui().txtPersonalRate->isHidden());

    // A cost carrier without its list is reset.
    m_global->CostCarrier = 4;
    open();
    EXPECT_EQ(m_global->CostCarrier, 0);
    EXPECT_EQ(ui().cmbCostCarrier->currentIndex(), -1);
}

TEST_F(SettingsWindow, TheFirstSwitchSavesNothingLaterSwitchesSaveTheShownList)
{
    addList("Customer", { { "Acme" }, { "Beta" } });
    addList("Task", { { "Build" } });
    m_frm = std::make_unique<frmHVPersSettingsSingle>(*m_personal, *m_global);
    m_frm->subSetCaptions();
    EXPECT_FALSE(m_frm->ShownList().has_value());
    // Whatever stands in the grid before a list was shown belongs to no list.
    listSheet().SetCellValue(1, 0, QStringLiteral("Stray"));
    m_frm->subSwitchTabs(1);
    EXPECT_EQ(names(0), QStringList({ "Acme", "Beta" }));
    EXPECT_EQ(names(1), QStringList({ "Build" }));
    EXPECT_EQ(gridNames(), QStringList({ "Build" }));

    listSheet().SetCellValue(2, 0, QStringLiteral("Test"));
    m_frm->subSwitchTabs(0);
    EXPECT_EQ(names(1), QStringList({ "Build", "Test" }));
    EXPECT_EQ(gridNames(), QStringList({ "Acme", "Beta" }));
}

TEST_F(SettingsWindow, ReadingTheGridBackCleansSkipsAndKeepsTheFirstOfEqualNames)
{
    addList("Customer", { { "Old" } });
    open();
    cSheetModel& sheet = listSheet();
    const auto row = [&sheet](int r, const char* a, const char* b, const QVariant& d, QChar g) {
        sheet.SetCellValue(r, 0, QString::fromUtf8(a));
        sheet.SetCellValue(r, 1, QString::fromUtf8(b));
        sheet.SetCellValue(r, 3, d);
        sheet.SetCellValue(r, 6, g.isNull() ? QString() : QString(g));
    };
    row(1, "Acme, Inc.", "North;", 12.5, QChar(chrChecked));
    row(2, "", "", QVariant(), QChar(chrChecked));
    row(3, "  Beta  ", "Line\nbreak", QStringLiteral("lots"), QChar(chrUnchecked));
    row(4, "acme inc.", "Other", 99.0, QChar(chrChecked));
    row(5, ";", "", QVariant(), QChar(chrChecked));
    row(6, "Gamma", "", QStringLiteral(" 7 "), QChar(chrChecked));
    row(7, "Delta", "", QVariant(), QChar()); // an empty check-mark cell reads as enabled
    m_frm->subSaveMetaList(list(0));
    EXPECT_EQ(items(0),
        QStringList(
            { "Acme Inc./North/12.5/1", "Beta/Line break/0/0", "Gamma//7/1", "Delta//0/1" }));
}

// The fill writes the headings and one row per item; the category columns and the tree follow
// the captions.
TEST_F(SettingsWindow, FillWritesHeadingsAndOneRowPerItemColumnsAndTreeFollowTheCaptions)
{
    addList("Customer",
        { { "Acme", "North", "Norway", 12.5, true }, { "Beta", " South ", "", 0, false } },
        "Region", "Country");
    addList("Task", { { "Build", "Dev" } }, "Area");
    addList("Project", { { "Apollo" } });
    open();
    const QString strOn(chrChecked);
    const QString strOff(chrUnchecked);
    EXPECT_EQ(cells(0, { 0, 1, 2, 3, 6 }),
        QStringList({ QStringLiteral("Customer") + QString(13, QLatin1Char(' ')), "Region",
            "Country", fncPhrase("LNGRATE"), fncPhrase("LNGENABLE") }));
    EXPECT_EQ(
        cells(1, { 0, 1, 2, 3, 6 }), QStringList({ "Acme", "North", "Norway", "12.5", strOn }));
    EXPECT_EQ(cells(2, { 0, 1, 2, 3, 6 }), QStringList({ "Beta", "South", "", "0", strOff }));
    EXPECT_TRUE(listSheet().isCellEmpty(3, 0));
    // Identifier and count columns stay hidden.
    EXPECT_EQ(shownColumns(), QStringLiteral("ABCG"));
    EXPECT_FALSE(ui().treMetaView->isHidden());
    EXPECT_EQ(treeLines(),
        QStringList({ "Norway", " North", "  Acme", fncPhrase("LNGNONE"), " South", "  Beta" }));
    const QModelIndex acme = tree().index(0, 0, tree().index(0, 0, tree().index(0, 0)));
    EXPECT_TRUE(ui().treMetaView->visualRect(acme).isValid()) << "every group is open";

    ui().tbsLists->setCurrentIndex(1);
    EXPECT_EQ(shownColumns(), QStringLiteral("ABG"));
    EXPECT_EQ(treeLines(), QStringList({ "Dev", " Build" }));

    ui().tbsLists->setCurrentIndex(2);
    EXPECT_EQ(shownColumns(), QStringLiteral("AG"));
    EXPECT_TRUE(ui().treMetaView->isHidden());

    // The Enabled column only shows while items can be disabled.
    m_global->OtherSettings.SetValue(QStringLiteral("EnableItems"), QStringLiteral("False"));
    open();
    EXPECT_EQ(shownColumns(), QStringLiteral("ABC"));
}

// The tree follows an edit at once, and a change of the number of names from the poll's second
// tick on.
TEST_F(SettingsWindow, TheTreeFollowsAnEditAndTheCountPoll)
{
    addList("Customer", { { "Acme", "North" }, { "Beta", "North" } }, "Region");
    open();
    const QAbstractItemModelTester tester(
        &tree(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    clickCell(2, 1);
    type(QStringLiteral("South"));
    key(Qt::Key_Return);
    const QStringList edited = { "North", " Acme", "South", " Beta" };
    EXPECT_EQ(treeLines(), edited);

    m_frm->timCheckCategories_Timer(); // records the count only
    listSheet().SetCellValue(3, 0, QStringLiteral("Gamma"));
    listSheet().SetCellValue(3, 1, QStringLiteral("West"));
    EXPECT_EQ(treeLines(), edited);
    m_frm->timCheckCategories_Timer();
    EXPECT_EQ(treeLines(), edited + QStringList({ "West", " Gamma" }));
    EXPECT_EQ(names(0), QStringList({ "Acme", "Beta", "Gamma" }));
}

// The tabs and cost carriers follow the lists, a list without a caption has neither.
TEST_F(SettingsWindow, TheCaptionPollWatchesOnlyTheFirstThreeListsTabsFollowTheLists)
{
    addList("Customer", { { "Acme" } });
    addList("Task", { { "Build" } });
    addList("Project", { { "Apollo" } });
    addList("Fourth", { { "Four" } });
    open();
    // Rows 2 to 5 of the caption grid hold the four lists.
    EXPECT_EQ(captionSheet().Value(4, 0).toString(), QStringLiteral("Fourth"));
    // A caption loses what would break the stored selection ("Caption:Item;"); a cleared one
    // takes its list's tab and cost carrier away.
    captionSheet().SetCellValue(1, 0, QStringLiteral("Cli:ent;\nList, all"));
    captionSheet().SetCellValue(2, 0, QString());
    captionSheet().SetCellValue(2, 1, QStringLiteral("Area"));
    captionSheet().SetCellValue(3, 2, QStringLiteral("Programme"));
    captionSheet().SetCellValue(4, 0, QStringLiteral("Changed"));
    m_frm->timCheckCategories_Timer();
    const QString strClient = QStringLiteral("Client List, all");
    EXPECT_EQ((QStringList { list(0).Caption, captionSheet().Value(1, 0).toString(),
                  list(1).CategoryCaption, list(2).SuperCategoryCaption, list(3).Caption }),
        (QStringList { strClient, strClient, "Area", "Programme", "Fourth" }));
    EXPECT_EQ(tabsAndCarriers(),
        (QStringList { strClient, "Project", "Fourth", fncPhrase("LNGPERSON"), strClient, "Project",
            "Fourth" }));
    EXPECT_EQ(m_frm->ShownList(), 0);
    ui().tbsLists->setCurrentIndex(1);
    EXPECT_EQ(gridNames(), QStringList({ "Apollo" }));
    ui().cmbCostCarrier->setCurrentIndex(2);
    m_frm->cmbCostCarrier_Click();
    EXPECT_EQ(m_global->CostCarrier, 4);
}

// 20,000 items: every one is in the grid and comes back from it when the tab is left; a list
// longer than the grid is refused and kept whole.
TEST_F(SettingsWindow, ListsLongerThanTheUsualGridAreKeptWhole)
{
    constexpr int intCount = 20000;
    cMetaDictionary& objList = addList("Customer", {}, "Region");
    for (int i = 0; i < intCount; ++i)
        objList.AddMeta(QStringLiteral("Item %1").arg(i, 5, 10, QLatin1Char('0')),
            QStringLiteral("Group %1").arg(i % 40), cCurrency(), i + 1, QString(), true);
    cMetaDictionary& objLong = addList("Long", {});
    for (int i = 0; i < intSheetRows; ++i)
        objLong.AddMeta(
            QStringLiteral("Item %1").arg(i), QString(), cCurrency(), i + 1, QString(), true);
    addList("Task", { { "Build" } });
    open();
    EXPECT_GT(m_frm->LastListRow(), intCount);
    EXPECT_EQ(gridNames().size(), intCount);
    cMessageBox::setNextAnswer(cMessageBox::Answer::Ok);
    QTest::mouseClick(ui().tbsLists, Qt::LeftButton, {}, ui().tbsLists->tabRect(1).center());
    EXPECT_EQ(cMessageBox::history().size(), 1);
    EXPECT_EQ(m_frm->ShownList(), 0);
    EXPECT_EQ(list(1).MetaDic.Count(), intSheetRows);
    QTest::mouseClick(ui().tbsLists, Qt::LeftButton, {}, ui().tbsLists->tabRect(2).center());
    ASSERT_EQ(m_frm->ShownList(), 2);
    EXPECT_EQ(list(0).MetaDic.Count(), intCount);
    EXPECT_TRUE(list(0).MetaDic.Exists(QStringLiteral("Item 19999")));
}

class SettingsWindowLanguages : public SettingsWindow, public testing::WithParamInterface<int>
{
};

// In every language every caption fits its control (the layout is in device-independent
// pixels, so the same holds at 200 %).
TEST_P(SettingsWindowLanguages, NoCaptionIsClipped)
{
    ASSERT_FALSE(QFontInfo(QApplication::font()).family().isEmpty());
    LoadLanguages(static_cast<qint16>(GetParam()));
    addList("Customer", { { "Acme", "North" } }, "Region");
    m_global->CostCarrier = 1;
    open();
    m_frm->adjustSize();
    QApplication::processEvents();
    const QList<QWidget*> captioned = { ui().chkPrivate, ui().chkRecurring, ui().chkEvents,
        ui().chkConvertFullDayToHours, ui().chkRemoveLunch, ui().chkWriteSubject, ui().cmdOK,
        ui().cmdCancel, ui().lblCostCarrier, ui().lblPersonalRate };
    for (QWidget* w : captioned + QList<QWidget*> { ui().cmdDatabase, ui().Label1 })
        EXPECT_GE(w->width(), w->sizeHint().width())
            << w->objectName().toStdString() << " " << GetParam();
    for (QGroupBox* g : { ui().fraFilters, ui().fraTimeManipulation })
        EXPECT_GE(g->width(), g->fontMetrics().horizontalAdvance(g->title()))
            << g->objectName().toStdString();
    EXPECT_GE(ui().cmbCostCarrier->width(), ui().cmbCostCarrier->minimumSizeHint().width());

    // Every captioned control has an Alt+letter of its own, and pressing it reaches the control.
    QSet<QKeySequence> mnemonics;
    for (QWidget* w : captioned) {
        const QKeySequence k = QKeySequence::mnemonic(w->property("text").toString());
        EXPECT_FALSE(k.isEmpty() || mnemonics.contains(k))
            << w->objectName().toStdString() << " " << GetParam();
        mnemonics.insert(k);
    }
    // Built by hand: QTest only types ASCII keys, and Greek and Russian letters are not.
    const QKeyCombination k = QKeySequence::mnemonic(ui().lblCostCarrier->text())[0];
    QKeyEvent alt(
        QEvent::KeyPress, k.key(), k.keyboardModifiers(), QString(QChar(k.key())).toLower());
    QApplication::sendEvent(QApplication::focusWidget(), &alt);
    EXPECT_EQ(QApplication::focusWidget(), ui().cmbCostCarrier) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(AllLanguages, SettingsWindowLanguages, testing::Range(1, 17));

// The heading row stays in place when a cell far down is chosen, and refuses edits after a fill.
TEST_F(SettingsWindow, TheHeadingRowStaysInPlaceAndRefusesEditsAPasteAddsRows)
{
    cMetaDictionary& objList = addList("Customer", {});
    for (int i = 0; i < 60; ++i)
        objList.AddMeta(
            QStringLiteral("Item %1").arg(i), QString(), cCurrency(), 0, QString(), true);
    addList("Task", { { "Build" } });
    open();
    clickCell(50, 0);
    ASSERT_EQ(grid().currentIndex(), listSheet().index(50, 0));
    QList<int> colTopRows; // of the visible overlays: one holds the heading row
    for (QTableView* overlay : grid().findChildren<QTableView*>()) {
        if (overlay->isVisible())
            colTopRows.append(overlay->rowAt(0));
    }
    EXPECT_EQ(colTopRows, QList<int>({ 0 }));

    ui().tbsLists->setCurrentIndex(1);
    const QModelIndex heading = listSheet().index(0, 0);
    QTest::mouseDClick(grid().viewport(), Qt::LeftButton, {}, grid().visualRect(heading).center());
    EXPECT_FALSE(grid().isEditing());
    grid().setCurrentIndex(heading);
    type(QStringLiteral("X"));
    key(Qt::Key_Return);
    EXPECT_EQ(listSheet().Value(0, 0).toString().trimmed(), QStringLiteral("Task"));
    EXPECT_TRUE(m_frm->isVisible()) << "Return in the grid does not press OK";

    // A block longer than the list's rows adds rows; the whole of it is kept.
    QString strBlock;
    for (int i = 0; i < 2100; ++i)
        strBlock += QStringLiteral("Item %1\n").arg(i, 4, 10, QLatin1Char('0'));
    QGuiApplication::clipboard()->setText(strBlock);
    clickCell(2, 0);
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(cMessageBox::history().isEmpty());
    EXPECT_GE(m_frm->LastListRow(), 2102);
    m_frm->subSaveMetaList(list(1));
    EXPECT_EQ(list(1).MetaDic.Count(), 2101);
    EXPECT_TRUE(list(1).MetaDic.Exists(QStringLiteral("Item 2099")));
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(gridNames(), QStringList({ "Build" }));
}

// Nothing the user typed is lost: an open editor is written into the grid before a tab switch,
// left alone by the poll and written before OK saves. Each list keeps its own undo history while
// another list is shown.
TEST_F(SettingsWindow, TypedTextSurvivesATabClickAPollTickAndOKUndoIsPerList)
{
    addList("Customer", { { "Acme" } });
    addList("Task", { { "Build" } });
    open();
    clickCell(2, 0);
    type(QStringLiteral("Gamma"));
    ASSERT_NE(editor(), nullptr);
    m_frm->timCheckCategories_Timer();
    m_frm->timCheckCategories_Timer();
    ASSERT_NE(editor(), nullptr) << "the poll leaves the editor open";
    EXPECT_EQ(editor()->text(), QStringLiteral("Gamma"));
    QTest::mouseClick(ui().tbsLists, Qt::LeftButton, {}, ui().tbsLists->tabRect(1).center());
    EXPECT_EQ(m_frm->ShownList(), 1);
    EXPECT_EQ(names(0), QStringList({ "Acme", "Gamma" }));

    clickCell(2, 0);
    type(QStringLiteral("Test"));
    key(Qt::Key_Return);
    QTest::mouseClick(ui().tbsLists, Qt::LeftButton, {}, ui().tbsLists->tabRect(0).center());
    ASSERT_EQ(gridNames(), QStringList({ "Acme", "Gamma" }));
    clickCell(1, 0);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(gridNames(), QStringList({ "Acme" }));
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(gridNames(), QStringList({ "Acme" })) << "the other list's steps stay with it";
    QTest::mouseClick(ui().tbsLists, Qt::LeftButton, {}, ui().tbsLists->tabRect(1).center());
    EXPECT_EQ(names(0), QStringList({ "Acme" }));
    clickCell(1, 0);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(gridNames(), QStringList({ "Build" }));

    clickCell(2, 0);
    type(QStringLiteral("Next"));
    cMessageBox::setNextAnswer(cMessageBox::Answer::Ok); // nothing to save to in this test
    click(ui().cmdOK);
    EXPECT_EQ(names(1), QStringList({ "Build", "Next" }));
}

// A refused cell keeps its editor, the old value and the shown list; a number field keeps the
// window open and nothing is saved.
TEST_F(SettingsWindow, ARefusedCellOrNumberFieldKeepsTheOldValues)
{
    LoadLanguages(4);
    addList("Customer", { { "Acme", "", "", 950 } });
    addList("Task", { { "Build" } });
    m_global->CostCarrier = 2;
    m_personal->RemoveLunch = true;
    m_personal->RemoveLunchHours = QStringLiteral("0.5");
    open();
    clickCell(1, 3);
    type(QStringLiteral("95O"));
    cMessageBox::setNextAnswer(cMessageBox::Answer::Ok);
    key(Qt::Key_Return);
    ASSERT_EQ(cMessageBox::history().size(), 1);
    EXPECT_EQ(cMessageBox::history().first().strText,
        QStringLiteral("D2: \u201c95O\u201d is not a number. The previous value is kept."));
    EXPECT_DOUBLE_EQ(listSheet().Value(1, 3).toDouble(), 950);
    ASSERT_NE(editor(), nullptr) << "the editor stays open with the typed text";
    EXPECT_EQ(editor()->text(), QStringLiteral("95O"));

    QTest::mouseClick(ui().tbsLists, Qt::LeftButton, {}, ui().tbsLists->tabRect(1).center());
    EXPECT_EQ(m_frm->ShownList(), 0) << "the refill waits for a value the cell takes";
    EXPECT_EQ(ui().tbsLists->currentIndex(), 0);
    EXPECT_EQ(cMessageBox::history().size(), 1) << "one message per refused text";
    editor()->selectAll();
    type(QStringLiteral("45"));
    key(Qt::Key_Comma);
    type(QStringLiteral("5"));
    key(Qt::Key_Return);
    EXPECT_DOUBLE_EQ(listSheet().Value(1, 3).toDouble(), 45.5)
        << "a comma is a decimal mark in English too";

    ui().txtLunchHours->setFocus();
    ui().txtLunchHours->selectAll();
    type(QStringLiteral("1h"));
    cMessageBox::setNextAnswer(cMessageBox::Answer::Ok);
    click(ui().cmdOK);
    ASSERT_EQ(cMessageBox::history().size(), 2);
    EXPECT_TRUE(cMessageBox::history().last().strText.contains(QStringLiteral("\u201c1h\u201d")));
    EXPECT_TRUE(m_frm->isVisible());
    EXPECT_EQ(m_personal->RemoveLunchHours.toString(), QStringLiteral("0.5"))
        << "nothing was saved";

    // A paste loses what an XML file cannot carry.
    ui().txtLunchHours->selectAll();
    QGuiApplication::clipboard()->setText(QStringLiteral("\u00010,\uFFFF75"));
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(ui().txtLunchHours->text(), QStringLiteral("0,75"));
}

// Both decimal marks are taken in every locale and shown in the locale's own form, in the grid
// and in the window's number fields.
TEST_F(SettingsWindow, BothDecimalMarksAreTakenAndShownTheLocalesWay)
{
    addList("Customer", { { "Acme" } });
    m_global->CostCarrier = 2;
    m_personal->RemoveLunchHours = QStringLiteral("0.75");
    const struct
    {
        QLocale::Language language;
        const char* typed;
        double stored;
        const char* shown;
    } cases[] = {
        { QLocale::German, "12.5", 12.5, "12,5" },
        { QLocale::German, "12,5", 12.5, "12,5" },
        { QLocale::English, "45,50", 45.5, "45.5" },
        { QLocale::English, "45.50", 45.5, "45.5" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        QLocale::setDefault(QLocale(c.language));
        open();
        EXPECT_EQ(ui().txtLunchHours->text(), QLocale().toString(0.75));
        clickCell(1, 3);
        type(QString::fromLatin1(c.typed));
        key(Qt::Key_Return);
        EXPECT_DOUBLE_EQ(listSheet().Value(1, 3).toDouble(), c.stored);
        EXPECT_EQ(listSheet().fncDisplayText(1, 3), QString::fromLatin1(c.shown));
    }
    QLocale::setDefault(QLocale::c());
    EXPECT_TRUE(cMessageBox::history().isEmpty());
}

// Names, categories and super-categories keep exactly what was typed, and lose only the
// characters an XML file cannot carry.
TEST_F(SettingsWindow, NamesKeepWhatWasTyped)
{
    addList("Customer", { { "Acme" } }, "Region", "Country");
    open();
    const QStringList typed = { "0042", "1E5", "12.50" };
    for (int i = 0; i < typed.size(); ++i) {
        clickCell(2 + i, i);
        type(typed.at(i));
        key(Qt::Key_Return);
        const QVariant v = listSheet().Value(2 + i, i);
        EXPECT_EQ(v.typeId(), QMetaType::QString);
        EXPECT_EQ(v.toString(), typed.at(i));
    }
    clickCell(5, 0);
    type(QStringLiteral("Tab"));
    editor()->insert(QStringLiteral("\u000b\u0001le\uFFFE"));
    key(Qt::Key_Return);
    EXPECT_EQ(listSheet().Value(5, 0).toString(), QStringLiteral("Tab le"));

    // An over-long name is refused where it is typed; the longest allowed is kept whole.
    clickCell(1, 0);
    type(QStringLiteral("A"));
    editor()->setText(QString(256, QLatin1Char('x')));
    cMessageBox::setNextAnswer(cMessageBox::Answer::Ok);
    key(Qt::Key_Return);
    EXPECT_EQ(cMessageBox::history().size(), 1);
    EXPECT_EQ(listSheet().Value(1, 0), QVariant(QStringLiteral("Acme")));
    editor()->setText(QString(255, QLatin1Char('x')));
    key(Qt::Key_Return);
    EXPECT_EQ(listSheet().Value(1, 0).toString().size(), 255);
}

// Delete and select-all clear only visible, unlocked cells: never the hidden rate and
// identifier, the heading row or the count formula.
TEST_F(SettingsWindow, DeleteOverABlockSpanningHiddenColumnsKeepsThem)
{
    addList("Customer", { { "Acme", "North", "", 950 }, { "Beta", "South" } }, "Region");
    addList("Task", { { "Build" } });
    m_global->CostCarrier = 3; // the rate column of Customer is hidden
    open();
    const QVariant id = listSheet().Value(1, 4);
    clickCell(1, 1);
    clickCell(1, 6, Qt::ShiftModifier);
    key(Qt::Key_Delete);
    EXPECT_EQ(cells(1, { 1, 3, 4 }), QStringList({ "", "950", id.toString() }));

    key(Qt::Key_A, Qt::ControlModifier);
    key(Qt::Key_Delete);
    EXPECT_EQ(cells(1, { 0, 3 }), QStringList({ "", "950" }));
    EXPECT_EQ(listSheet().Value(0, 0).toString().trimmed(), QStringLiteral("Customer"));
    EXPECT_EQ(listSheet().Formula(0, 5), QStringLiteral("=Counta(A1:A10000)"));
}

// The discard question comes only after a change. Converting whole days clears the event filter,
// not the other way round, and opens its hours; removing lunch opens the lunch hours. The
// interlocks follow every change of the value: a click, a key, a programmatic or an accessible
// toggle.
TEST_F(SettingsWindow, TheDiscardQuestionComesOnlyAfterAChangeInterlocksFollowEveryChange)
{
    addList("Customer", { { "Acme" } });
    m_personal->FilterEvents = true;
    m_personal->Convert24 = false;
    open();
    clickCell(1, 0);
    type(QStringLiteral("Changed"));
    key(Qt::Key_Escape); // ends the cell edit only
    EXPECT_TRUE(hvtest::endsProgram([this] { key(Qt::Key_Escape); }));
    EXPECT_TRUE(cMessageBox::history().isEmpty()) << "an edit undone by Escape is no change";

    open();
    click(ui().chkPrivate);
    cMessageBox::setNextAnswer(cMessageBox::Answer::No);
    EXPECT_FALSE(hvtest::endsProgram([this] { key(Qt::Key_Escape); }));
    ASSERT_EQ(cMessageBox::history().size(), 1);
    EXPECT_EQ(cMessageBox::history().first().buttons, cMessageBox::Buttons::YesNo);
    cMessageBox::setNextAnswer(cMessageBox::Answer::Yes);
    EXPECT_TRUE(hvtest::endsProgram([this] { click(ui().cmdCancel); }));

    open();
    clickCell(1, 0);
    type(QStringLiteral("Changed"));
    key(Qt::Key_Return);
    cMessageBox::setNextAnswer(cMessageBox::Answer::Yes);
    EXPECT_TRUE(hvtest::endsProgram([this] { click(ui().cmdCancel); }));
    EXPECT_EQ(cMessageBox::history().size(), 3) << "a grid edit alone is a change";

    open();
    EXPECT_FALSE(ui().txtFullDayHours->isEnabled());
    EXPECT_FALSE(ui().txtLunchHours->isEnabled());
    click(ui().chkConvertFullDayToHours);
    EXPECT_EQ(ui().chkEvents->checkState(), Qt::Unchecked);
    EXPECT_TRUE(ui().txtFullDayHours->isEnabled());
    click(ui().chkEvents);
    EXPECT_EQ(ui().chkConvertFullDayToHours->checkState(), Qt::Checked);
    ui().chkConvertFullDayToHours->toggle();
    EXPECT_FALSE(ui().txtFullDayHours->isEnabled());
    EXPECT_EQ(ui().chkEvents->checkState(), Qt::Checked);

    QAccessibleInterface* iface
        = QAccessible::queryAccessibleInterface(ui().chkConvertFullDayToHours);
    ASSERT_NE(iface, nullptr);
    ASSERT_NE(iface->actionInterface(), nullptr);
    iface->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(ui().chkConvertFullDayToHours->checkState(), Qt::Checked);
    EXPECT_EQ(ui().chkEvents->checkState(), Qt::Unchecked);
    ui().chkRemoveLunch->setFocus();
    QTest::keyClick(ui().chkRemoveLunch, Qt::Key_Space);
    EXPECT_TRUE(ui().txtLunchHours->isEnabled());
    QAccessibleInterface* lunch = QAccessible::queryAccessibleInterface(ui().chkRemoveLunch);
    lunch->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(ui().txtLunchHours->isEnabled());
}

// Every control has an accessible name and the tab order follows the layout. No keyboard trap:
// Tab moves among the cells of a grid, Ctrl+Tab and Ctrl+Shift+Tab leave it, real key presses
// from the first control to OK and back.
TEST_F(SettingsWindow, EveryControlHasAnAccessibleNameTheTabOrderFollowsTheLayoutNoKeyboardTrap)
{
    addList("Customer", { { "Acme", "North" } }, "Region");
    m_global->CostCarrier = 1;
    open();
    const QList<QWidget*> focusable = { ui().chkPrivate, ui().chkRecurring, ui().chkEvents,
        ui().chkConvertFullDayToHours, ui().txtFullDayHours, ui().chkRemoveLunch,
        ui().txtLunchHours, ui().chkWriteSubject, ui().cmbCostCarrier, ui().txtPersonalRate,
        ui().tbsLists, m_frm->exsList().List, ui().treMetaView, m_frm->exsCategories().List,
        ui().cmdDatabase, ui().cmdOK, ui().cmdCancel };
    for (QWidget* w : focusable) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(iface, nullptr);
        EXPECT_FALSE(iface->text(QAccessible::Name).isEmpty()) << w->objectName().toStdString();
    }
    for (int i = 0; i + 1 < focusable.size(); ++i) {
        QWidget* next = focusable.at(i)->nextInFocusChain();
        while (next && next->focusPolicy() == Qt::NoFocus)
            next = next->nextInFocusChain();
        // Widgets inside a sheet (its editor, its frozen row) may sit between two controls.
        while (next && next != focusable.at(i + 1) && focusable.at(i)->isAncestorOf(next))
            next = next->nextInFocusChain();
        EXPECT_EQ(next, focusable.at(i + 1)) << focusable.at(i)->objectName().toStdString();
    }
    EXPECT_TRUE(ui().cmdOK->isDefault());
    EXPECT_EQ(ui().lblCostCarrier->buddy(), ui().cmbCostCarrier);
    EXPECT_EQ(ui().lblPersonalRate->buddy(), ui().txtPersonalRate);

    ui().chkPrivate->setFocus();
    for (int i = 0; i < 20 && QApplication::focusWidget() != &grid(); ++i)
        key(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), &grid());
    const QModelIndex before = grid().currentIndex();
    key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), &grid()) << "Tab moves between cells";
    EXPECT_NE(grid().currentIndex(), before);
    type(QStringLiteral("x")); // an open editor is left the same way
    key(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), ui().treMetaView);
    key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), m_frm->exsCategories().ObjectList.data());
    key(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), ui().cmdDatabase);
    key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), ui().cmdOK);

    key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), ui().cmdDatabase);
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), m_frm->exsCategories().ObjectList.data());
    key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), ui().treMetaView);
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), &grid());
    key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_NE(QApplication::focusWidget(), &grid());
    for (int i = 0; i < 20 && QApplication::focusWidget() != ui().chkPrivate; ++i)
        key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), ui().chkPrivate);
}
