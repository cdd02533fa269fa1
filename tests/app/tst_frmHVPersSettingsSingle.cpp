#include "cGlobalSettings.h"
#include "cListHandler.h"
#include "cPersonalSettings.h"
#include "cWindowValues.h"
#include "frmHVPersSettingsSingle.h"
#include "modPhrases.h"
#include "ui_frmHVPersSettingsSingle.h"

#include "TestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QFontInfo>
#include <QTest>

#include <memory>

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

    // As Main opens the window: captions, values, shown; the start-up timer is left to the test.
    frmHVPersSettingsSingle& open()
    {
        m_frm = std::make_unique<frmHVPersSettingsSingle>(*m_personal, *m_global);
        m_frm->subSetCaptions();
        m_frm->subSetValues();
        m_frm->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_frm.get()));
        return *m_frm;
    }

    Ui::frmHVPersSettingsSingle& ui() { return m_frm->ui(); }
    cSheetModel& listSheet() { return *m_frm->exsList().CurrSheet; }
    cSheetModel& captionSheet() { return *m_frm->exsCategories().CurrSheet; }
    cMetaDictionary& list(int pos) { return m_global->MetaDataLists.ItemAt(pos); }

    QStringList names(int pos)
    {
        return list(pos).MetaDic.Keys();
    }

    // Column A of the list grid from row 2 down to the first empty cell.
    QStringList gridNames()
    {
        QStringList out;
        for (int r = 1; !listSheet().isCellEmpty(r, 0); ++r)
            out.append(listSheet().Value(r, 0).toString());
        return out;
    }

    void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    std::unique_ptr<cPersonalSettings> m_personal;
    std::unique_ptr<cGlobalSettings> m_global;
    std::unique_ptr<frmHVPersSettingsSingle> m_frm;
};
} // namespace

TEST_F(SettingsWindow, ShowsThePersonalValues)
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
    open();
    EXPECT_EQ(ui().chkEvents->checkState(), Qt::Unchecked);
    EXPECT_EQ(ui().chkPrivate->checkState(), Qt::Checked);
    EXPECT_EQ(ui().chkRecurring->checkState(), Qt::Unchecked);
    EXPECT_EQ(ui().chkConvertFullDayToHours->checkState(), Qt::Checked);
    EXPECT_TRUE(ui().txtFullDayHours->isEnabled());
    EXPECT_EQ(ui().txtFullDayHours->text(), QStringLiteral("7"));
    EXPECT_FALSE(ui().txtLunchHours->isEnabled());
    EXPECT_EQ(ui().txtLunchHours->text(), QStringLiteral("0.5"));
    EXPECT_EQ(ui().chkWriteSubject->checkState(), Qt::Checked);
    EXPECT_EQ(ui().chkPrivate->text(), fncPhrase("LNGPRIVATE"));
    EXPECT_EQ(m_frm->windowTitle(), QStringLiteral("Hourvane for Outlook Personal Settings SU"));
}

TEST_F(SettingsWindow, ConvertingWholeDaysClearsTheEventFilterButNotTheOtherWayRound)
{
    addList("Customer", { { "Acme" } });
    m_personal->FilterEvents = true;
    m_personal->Convert24 = false;
    open();
    EXPECT_FALSE(ui().txtFullDayHours->isEnabled());

    click(ui().chkConvertFullDayToHours);
    EXPECT_EQ(ui().chkConvertFullDayToHours->checkState(), Qt::Checked);
    EXPECT_EQ(ui().chkEvents->checkState(), Qt::Unchecked);
    EXPECT_TRUE(ui().txtFullDayHours->isEnabled());

    click(ui().chkEvents);
    EXPECT_EQ(ui().chkEvents->checkState(), Qt::Checked);
    EXPECT_EQ(ui().chkConvertFullDayToHours->checkState(), Qt::Checked);

    click(ui().chkConvertFullDayToHours);
    EXPECT_FALSE(ui().txtFullDayHours->isEnabled());
    EXPECT_EQ(ui().chkEvents->checkState(), Qt::Checked);
}

TEST_F(SettingsWindow, LunchHoursAreEditableOnlyWhileLunchIsRemoved)
{
    addList("Customer", { { "Acme" } });
    open();
    EXPECT_FALSE(ui().txtLunchHours->isEnabled());
    ui().chkRemoveLunch->setFocus();
    QTest::keyClick(ui().chkRemoveLunch, Qt::Key_Space);
    EXPECT_TRUE(ui().txtLunchHours->isEnabled());
    click(ui().chkRemoveLunch);
    EXPECT_FALSE(ui().txtLunchHours->isEnabled());
}

TEST_F(SettingsWindow, GreyCheckBoxesCountForFiltersOnly)
{
    addList("Customer", { { "Acme" } });
    open();
    for (QCheckBox* chk : { ui().chkEvents, ui().chkPrivate, ui().chkRecurring, ui().chkConvertFullDayToHours,
             ui().chkRemoveLunch, ui().chkWriteSubject })
        chk->setCheckState(Qt::PartiallyChecked);
    m_personal->Convert24 = true;
    m_personal->RemoveLunch = true;
    m_frm->fncWindowValues().ApplyTo(*m_personal, 2);
    EXPECT_TRUE(m_personal->FilterEvents);
    EXPECT_TRUE(m_personal->FilterPrivate);
    EXPECT_TRUE(m_personal->FilterRecurring);
    EXPECT_TRUE(m_personal->WriteSubject);
    EXPECT_FALSE(m_personal->Convert24);
    EXPECT_FALSE(m_personal->RemoveLunch);
}

TEST_F(SettingsWindow, PersonAsCostCarrierShowsTheRateFieldAListHidesIt)
{
    addList("Customer", { { "Acme", "", "", 90 } });
    addList("Task", { { "Build" } });
    m_global->CostCarrier = 2;
    open();
    ASSERT_EQ(ui().cmbCostCarrier->count(), 3);
    EXPECT_EQ(ui().cmbCostCarrier->currentIndex(), 1);
    EXPECT_TRUE(ui().txtPersonalRate->isHidden());
    // The list that costs are counted by shows its rate column.
    EXPECT_GT(m_frm->exsList().ObjectList->ColumnWidthOf(3), 0);

    ui().cmbCostCarrier->setFocus();
    QTest::keyClick(ui().cmbCostCarrier, Qt::Key_Up);
    EXPECT_EQ(m_global->CostCarrier, 1);
    EXPECT_FALSE(ui().txtPersonalRate->isHidden());
    EXPECT_FALSE(ui().lblPersonalRate->isHidden());
    EXPECT_EQ(m_frm->exsList().ObjectList->ColumnWidthOf(3), 0);

    QTest::keyClick(ui().cmbCostCarrier, Qt::Key_Down);
    QTest::keyClick(ui().cmbCostCarrier, Qt::Key_Down);
    EXPECT_EQ(m_global->CostCarrier, 3);
    EXPECT_TRUE(ui().txtPersonalRate->isHidden());
}

TEST_F(SettingsWindow, ACostCarrierWithoutItsListIsReset)
{
    addList("Customer", { { "Acme" } });
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

TEST_F(SettingsWindow, ClickingATabShowsItsList)
{
    addList("Customer", { { "Acme" } });
    addList("Task", { { "Build" }, { "Test" } });
    open();
    const QRect rect = ui().tbsLists->tabRect(1);
    QTest::mouseClick(ui().tbsLists, Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(m_frm->ShownList(), 1);
    EXPECT_EQ(gridNames(), QStringList({ "Build", "Test" }));
    EXPECT_EQ(listSheet().Value(0, 0).toString().trimmed(), QStringLiteral("Task"));
}

TEST_F(SettingsWindow, TabsFollowTheListsWhenACaptionIsEmpty)
{
    addList("Customer", { { "Acme" } });
    addList("", { { "Hidden" } });
    addList("Project", { { "Apollo" } });
    open();
    ASSERT_EQ(ui().tbsLists->count(), 2);
    EXPECT_EQ(ui().tbsLists->tabText(1), QStringLiteral("Project"));
    ui().tbsLists->setCurrentIndex(1);
    EXPECT_EQ(gridNames(), QStringList({ "Apollo" }));
    EXPECT_EQ(ui().cmbCostCarrier->itemText(2), QStringLiteral("Project"));
    ui().cmbCostCarrier->setCurrentIndex(2);
    m_frm->cmbCostCarrier_Click();
    EXPECT_EQ(m_global->CostCarrier, 4);
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
        sheet.SetCellValue(r, 6, QString(g));
    };
    row(1, "Acme, Inc.", "North;", 12.5, QChar(chrChecked));
    row(2, "", "", QVariant(), QChar(chrChecked));
    row(3, "  Beta  ", "Line\nbreak", QStringLiteral("lots"), QChar(chrUnchecked));
    row(4, "acme inc.", "Other", 99.0, QChar(chrChecked));
    row(5, ";", "", QVariant(), QChar(chrChecked));
    row(6, "Gamma", "", QStringLiteral(" 7 "), QChar(chrChecked));
    m_frm->subSaveMetaList(list(0));

    EXPECT_EQ(names(0), QStringList({ "Acme Inc.", "Beta", "Gamma" }));
    const cMetaData& acme = list(0).MetaDic.Item(QStringLiteral("Acme Inc."));
    EXPECT_EQ(acme.Category, QStringLiteral("North"));
    EXPECT_EQ(acme.HourlyRate, cCurrency::fromTenThousandths(125000));
    EXPECT_TRUE(acme.Enabled);
    const cMetaData& beta = list(0).MetaDic.Item(QStringLiteral("Beta"));
    EXPECT_EQ(beta.Category, QStringLiteral("Line break"));
    EXPECT_EQ(beta.HourlyRate, cCurrency());
    EXPECT_FALSE(beta.Enabled);
    EXPECT_EQ(list(0).MetaDic.Item(QStringLiteral("Gamma")).HourlyRate, cCurrency::fromTenThousandths(70000));
}

TEST_F(SettingsWindow, AnEmptyCheckMarkCellReadsAsEnabled)
{
    addList("Customer", { { "Acme", "", "", 0, false } });
    open();
    listSheet().SetCellValue(2, 0, QStringLiteral("New"));
    m_frm->subSaveMetaList(list(0));
    EXPECT_FALSE(list(0).MetaDic.Item(QStringLiteral("Acme")).Enabled);
    EXPECT_TRUE(list(0).MetaDic.Item(QStringLiteral("New")).Enabled);
}

TEST_F(SettingsWindow, FillWritesHeadingsAndOneRowPerItem)
{
    addList("Customer", { { "Acme", "North", "Norway", 12.5, true }, { "Beta", " South ", "", 0, false } },
        "Region", "Country");
    open();
    EXPECT_EQ(listSheet().Value(0, 0).toString(), QStringLiteral("Customer") + QString(13, QLatin1Char(' ')));
    EXPECT_EQ(listSheet().Value(0, 1).toString(), QStringLiteral("Region"));
    EXPECT_EQ(listSheet().Value(0, 2).toString(), QStringLiteral("Country"));
    EXPECT_EQ(listSheet().Value(0, 3).toString(), fncPhrase("LNGRATE"));
    EXPECT_EQ(listSheet().Value(0, 6).toString(), fncPhrase("LNGENABLE"));
    EXPECT_EQ(gridNames(), QStringList({ "Acme", "Beta" }));
    EXPECT_EQ(listSheet().Value(2, 1).toString(), QStringLiteral("South"));
    EXPECT_DOUBLE_EQ(listSheet().Value(1, 3).toDouble(), 12.5);
    EXPECT_TRUE(listSheet().isChecked(1, 6));
    EXPECT_FALSE(listSheet().isChecked(2, 6));
    // Identifier and count columns stay hidden.
    EXPECT_EQ(m_frm->exsList().ObjectList->ColumnWidthOf(4), 0);
    EXPECT_EQ(m_frm->exsList().ObjectList->ColumnWidthOf(5), 0);
    EXPECT_GT(m_frm->exsList().ObjectList->ColumnWidthOf(6), 0);
}

TEST_F(SettingsWindow, TheEnabledColumnIsHiddenUnlessItemsCanBeDisabled)
{
    m_global->OtherSettings.SetValue(QStringLiteral("EnableItems"), QStringLiteral("False"));
    addList("Customer", { { "Acme" } });
    open();
    EXPECT_EQ(m_frm->exsList().ObjectList->ColumnWidthOf(6), 0);
}

TEST_F(SettingsWindow, CategoryColumnsAndTreeFollowTheCaptions)
{
    addList("Customer", { { "Acme", "North", "Norway" } }, "Region", "Country");
    addList("Task", { { "Build", "Dev" } }, "Area");
    addList("Project", { { "Apollo" } });
    open();
    const cSheet& view = *m_frm->exsList().ObjectList;
    EXPECT_GT(view.ColumnWidthOf(1), 0);
    EXPECT_GT(view.ColumnWidthOf(2), 0);
    EXPECT_FALSE(ui().treMetaView->isHidden());
    ASSERT_EQ(ui().treMetaView->topLevelItemCount(), 1);
    EXPECT_EQ(ui().treMetaView->topLevelItem(0)->text(0), QStringLiteral("Norway"));
    EXPECT_EQ(ui().treMetaView->topLevelItem(0)->child(0)->text(0), QStringLiteral("North"));
    EXPECT_EQ(ui().treMetaView->topLevelItem(0)->child(0)->child(0)->text(0), QStringLiteral("Acme"));

    ui().tbsLists->setCurrentIndex(1);
    EXPECT_GT(view.ColumnWidthOf(1), 0);
    EXPECT_EQ(view.ColumnWidthOf(2), 0);
    EXPECT_EQ(ui().treMetaView->topLevelItem(0)->text(0), QStringLiteral("Dev"));

    ui().tbsLists->setCurrentIndex(2);
    EXPECT_EQ(view.ColumnWidthOf(1), 0);
    EXPECT_EQ(view.ColumnWidthOf(2), 0);
    EXPECT_TRUE(ui().treMetaView->isHidden());
}

TEST_F(SettingsWindow, TheCountPollRefreshesTheTreeFromTheSecondTickOn)
{
    addList("Customer", { { "Acme", "North" } }, "Region");
    open();
    ASSERT_EQ(ui().treMetaView->topLevelItemCount(), 1);
    m_frm->timCheckCategories_Timer(); // records the count only
    listSheet().SetCellValue(2, 0, QStringLiteral("Beta"));
    listSheet().SetCellValue(2, 1, QStringLiteral("South"));
    EXPECT_EQ(ui().treMetaView->topLevelItemCount(), 1);
    m_frm->timCheckCategories_Timer();
    EXPECT_EQ(ui().treMetaView->topLevelItemCount(), 2);
    EXPECT_EQ(names(0), QStringList({ "Acme", "Beta" }));
}

TEST_F(SettingsWindow, TheCaptionPollWatchesOnlyTheFirstThreeLists)
{
    addList("Customer", { { "Acme" } });
    addList("Task", { { "Build" } });
    addList("Project", { { "Apollo" } });
    addList("Fourth", { { "Four" } });
    open();
    // Rows 2 to 5 of the caption grid hold the four lists.
    EXPECT_EQ(captionSheet().Value(4, 0).toString(), QStringLiteral("Fourth"));
    captionSheet().SetCellValue(1, 0, QStringLiteral("Client"));
    captionSheet().SetCellValue(2, 1, QStringLiteral("Area"));
    captionSheet().SetCellValue(3, 2, QStringLiteral("Programme"));
    captionSheet().SetCellValue(4, 0, QStringLiteral("Changed"));
    m_frm->timCheckCategories_Timer();
    EXPECT_EQ(list(0).Caption, QStringLiteral("Client"));
    EXPECT_EQ(list(1).CategoryCaption, QStringLiteral("Area"));
    EXPECT_EQ(list(2).SuperCategoryCaption, QStringLiteral("Programme"));
    EXPECT_EQ(list(3).Caption, QStringLiteral("Fourth"));
    EXPECT_EQ(ui().tbsLists->tabText(0), QStringLiteral("Client"));
    EXPECT_EQ(ui().cmbCostCarrier->itemText(1), QStringLiteral("Client"));
    EXPECT_EQ(ui().tbsLists->tabText(3), QStringLiteral("Fourth"));
}

TEST_F(SettingsWindow, CaptionsLoseTheCharactersThatWouldBreakTheStoredSelection)
{
    addList("Customer", { { "Acme" } });
    open();
    captionSheet().SetCellValue(1, 0, QStringLiteral("Cli:ent;\nList"));
    m_frm->timCheckCategories_Timer();
    EXPECT_EQ(list(0).Caption, QStringLiteral("Client List"));
    EXPECT_EQ(captionSheet().Value(1, 0).toString(), QStringLiteral("Client List"));
    EXPECT_EQ(ui().tbsLists->tabText(0), QStringLiteral("Client List"));
}

TEST_F(SettingsWindow, AClearedCaptionTakesTheListsTabAway)
{
    addList("Customer", { { "Acme" } });
    addList("Task", { { "Build" } });
    open();
    captionSheet().SetCellValue(2, 0, QString());
    m_frm->timCheckCategories_Timer();
    EXPECT_EQ(ui().tbsLists->count(), 1);
    EXPECT_EQ(ui().cmbCostCarrier->count(), 2);
    EXPECT_EQ(m_frm->ShownList(), 0);
}

TEST_F(SettingsWindow, ListsLongerThanTheUsualGridAreKeptWhole)
{
    cMetaDictionary& objList = addList("Customer", {});
    for (int i = 0; i < 2100; ++i)
        objList.AddMeta(QStringLiteral("Item %1").arg(i, 4, 10, QLatin1Char('0')), QString(), cCurrency(), i + 1,
            QString(), true);
    open();
    EXPECT_GE(m_frm->LastListRow(), 2101);
    m_frm->subSaveMetaList(list(0));
    EXPECT_EQ(list(0).MetaDic.Count(), 2100);
    EXPECT_TRUE(list(0).MetaDic.Exists(QStringLiteral("Item 2099")));
}

TEST_F(SettingsWindow, TheStartupTimerRefillsOnceAndStartsThePoll)
{
    addList("Customer", { { "Acme" } });
    open();
    EXPECT_TRUE(m_frm->timStartup().isActive());
    EXPECT_FALSE(m_frm->timCheckCategories().isActive());
    m_personal->FilterPrivate = false;
    EXPECT_TRUE(QTest::qWaitFor([this] { return m_frm->timCheckCategories().isActive(); }, 3000));
    EXPECT_FALSE(m_frm->timStartup().isActive());
    EXPECT_EQ(ui().chkPrivate->checkState(), Qt::Unchecked);
}

TEST_F(SettingsWindow, EveryControlHasAnAccessibleNameAndTheTabOrderFollowsTheLayout)
{
    addList("Customer", { { "Acme" } });
    open();
    const QList<QWidget*> focusable = {
        ui().chkPrivate, ui().chkRecurring, ui().chkEvents, ui().chkConvertFullDayToHours, ui().txtFullDayHours,
        ui().chkRemoveLunch, ui().txtLunchHours, ui().chkWriteSubject, ui().cmbCostCarrier, ui().txtPersonalRate,
        ui().tbsLists, m_frm->exsList().List, ui().treMetaView, m_frm->exsCategories().List, ui().cmdDatabase,
        ui().cmdOK, ui().cmdCancel
    };
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
    const QList<QAbstractButton*> buttons = { ui().chkPrivate, ui().chkRecurring, ui().chkEvents,
        ui().chkConvertFullDayToHours, ui().chkRemoveLunch, ui().chkWriteSubject, ui().cmdDatabase, ui().cmdOK, ui().cmdCancel };
    for (QAbstractButton* b : buttons)
        EXPECT_GE(b->width(), b->sizeHint().width()) << b->objectName().toStdString() << " " << GetParam();
    for (QLabel* l : { ui().lblCostCarrier, ui().lblPersonalRate, ui().Label1 })
        EXPECT_GE(l->width(), l->sizeHint().width()) << l->objectName().toStdString();
    for (QGroupBox* g : { ui().fraFilters, ui().fraTimeManipulation })
        EXPECT_GE(g->width(), g->fontMetrics().horizontalAdvance(g->title())) << g->objectName().toStdString();
    EXPECT_GE(ui().cmbCostCarrier->width(), ui().cmbCostCarrier->minimumSizeHint().width());
}

INSTANTIATE_TEST_SUITE_P(AllLanguages, SettingsWindowLanguages, testing::Range(1, 17));

TEST_F(SettingsWindow, TheHeadingRowStaysInPlaceWhenACellFarDownIsChosen)
{
    cMetaDictionary& objList = addList("Customer", {});
    for (int i = 0; i < 60; ++i)
        objList.AddMeta(QStringLiteral("Item %1").arg(i), QString(), cCurrency(), 0, QString(), true);
    open();
    cSheet* view = m_frm->exsList().ObjectList;
    const QModelIndex far = view->model()->index(50, 0);
    view->scrollTo(far);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(far).center());
    ASSERT_EQ(view->currentIndex(), far);
    int intOverlays = 0;
    for (QTableView* overlay : view->findChildren<QTableView*>()) {
        if (overlay->isVisible()) {
            ++intOverlays;
            EXPECT_EQ(overlay->rowAt(0), 0);
        }
    }
    EXPECT_EQ(intOverlays, 1) << "the heading row is held by an overlay";
}
