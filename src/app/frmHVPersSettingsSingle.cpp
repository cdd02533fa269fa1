#include "frmHVPersSettingsSingle.h"

#include "cEntryValidator.h"
#include "cGlobalSettings.h"
#include "cListHandler.h"
#include "cMessageBox.h"
#include "cMetaTreeBuilder.h"
#include "cMetaTreeModel.h"
#include "cPersonalSettings.h"
#include "cWindowValues.h"
#include "modCellEntry.h"
#include "modErrorHandling.h"
#include "modPhrases.h"
#include "modProgramEnd.h"
#include "modRegistryEntry.h"
#include "modSettingsWindow.h"
#include "ui_frmHVPersSettingsSingle.h"

#include <QGuiApplication>
#include <QSignalBlocker>
#include <QTimer>

namespace {
// The heading of column A: the caption padded so the name column is never narrower than it.
const QString strHeadingPad = QString(13, QLatin1Char(' '));
// Rows beyond the items left free for new ones when a list outgrows the usual 2000 rows.
constexpr int intSpareRows = 200;
constexpr int intUsualLastRow = 2000;

QString fncPhr(const char* key)
{
    return fncPhrase(key);
}

QString fncRow(const char* col, int intRow)
{
    return QLatin1String(col) + QString::number(intRow);
}

qint16 fncCheckValue(Qt::CheckState state)
{
    switch (state) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

Qt::CheckState fncCheckState(qint16 intValue)
{
    return intValue == 1 ? Qt::Checked : intValue == 2 ? Qt::PartiallyChecked : Qt::Unchecked;
}

// The hourglass while a list is swapped, restored however the swap ends.
class cWaitCursor
{
public:
    cWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~cWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    cWaitCursor(const cWaitCursor&) = delete;
    cWaitCursor& operator=(const cWaitCursor&) = delete;
};
} // namespace

frmHVPersSettingsSingle::frmHVPersSettingsSingle(
    cPersonalSettings& objPersonal, cGlobalSettings& objGlobal, QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::frmHVPersSettingsSingle>())
    , m_objPersonal(objPersonal)
    , m_objGlobal(objGlobal)
{
    Form_Load();
}

frmHVPersSettingsSingle::~frmHVPersSettingsSingle()
{
    // The base class hides the fields after the members are gone: a field losing the focus then
    // must not reach them.
    for (QLineEdit* txt : { m_ui->txtPersonalRate, m_ui->txtFullDayHours, m_ui->txtLunchHours })
        txt->disconnect(this);
}

void frmHVPersSettingsSingle::Form_Load()
{
    try {
        m_ui->setupUi(this);
        setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
        QFont fntTitle = m_ui->Label1->font();
        fntTitle.setBold(true);
        fntTitle.setPointSizeF(fntTitle.pointSizeF() * 1.3);
        m_ui->Label1->setFont(fntTitle);
        m_ui->tbsLists->setExpanding(false);
        m_ui->tbsLists->setDrawBase(true);

        m_timCheckCategories = new QTimer(this);
        m_timCheckCategories->setObjectName(QStringLiteral("timCheckCategories"));
        m_timCheckCategories->setInterval(700);
        m_timStartup = new QTimer(this);
        m_timStartup->setObjectName(QStringLiteral("timStartup"));

        m_treeModel = new cMetaTreeModel(this);
        m_ui->treMetaView->setModel(m_treeModel);

        m_exsList = new cListHandler(this);
        m_exsList->setObjectName(QStringLiteral("exsList"));
        m_exsList->ListName = QStringLiteral("exsList");
        m_exsList->AddToForm(m_ui->wdgListHost);
        m_exsCategories = new cListHandler(this);
        m_exsCategories->setObjectName(QStringLiteral("exsCategories"));
        m_exsCategories->ListName = QStringLiteral("exsCategories");
        m_exsCategories->AddToForm(m_ui->wdgCategoriesHost);
        // The sheets take their places in the layout, so they grow with the window.
        m_ui->layListHost->addWidget(m_exsList->List);
        m_ui->layCategoriesHost->addWidget(m_exsCategories->List);
        for (cListHandler* exs : { m_exsList, m_exsCategories }) {
            exs->DisplayVerticalScroll(true);
            exs->DisplayHorizontalScroll(true);
            connect(
                exs->ObjectList, &cSheet::userChanged, this, [this] { m_blnGridChanged = true; });
        }
        // A paste longer than the list's rows gets rows up to the end of the sheet.
        m_exsList->ObjectList->SetRowAdder([this](int intLastRow) {
            if (intLastRow >= intSheetRows || !m_intShownList)
                return false;
            m_intLastRow = std::min(intSheetRows, intLastRow + 1 + intSpareRows);
            subFixColWidhts();
            return true;
        });
        // The tree follows every edit of the list, not only a change in the number of names.
        connect(m_exsList->ObjectList, &cSheet::userChanged, this, [this] {
            if (m_intShownList && *m_intShownList < fncListCount())
                subRefreshTree(fncList(*m_intShownList));
        });
        QWidget::setTabOrder(m_ui->tbsLists, m_exsList->List);
        QWidget::setTabOrder(m_exsList->List, m_ui->treMetaView);
        QWidget::setTabOrder(m_ui->treMetaView, m_exsCategories->List);
        QWidget::setTabOrder(m_exsCategories->List, m_ui->cmdDatabase);
        QWidget::setTabOrder(m_ui->cmdDatabase, m_ui->cmdOK);
        QWidget::setTabOrder(m_ui->cmdOK, m_ui->cmdCancel);
        // Qt draws frames, check boxes and the tab bar on the window's own background, so they
        // need no colour of their own.

        // The interlocks follow the value however it changes (mouse, keys, a screen reader).
        connect(m_ui->chkConvertFullDayToHours, &QCheckBox::stateChanged, this,
            &frmHVPersSettingsSingle::chkConvertFullDayToHours_Click);
        connect(m_ui->chkRemoveLunch, &QCheckBox::stateChanged, this,
            &frmHVPersSettingsSingle::chkRemoveLunch_Click);
        for (QLineEdit* txt :
            { m_ui->txtPersonalRate, m_ui->txtFullDayHours, m_ui->txtLunchHours }) {
            txt->setValidator(new cEntryValidator(txt));
            connect(
                txt, &QLineEdit::editingFinished, this, [this, txt] { subCheckNumberField(txt); });
        }
        connect(m_ui->cmbCostCarrier, &QComboBox::activated, this,
            &frmHVPersSettingsSingle::cmbCostCarrier_Click);
        connect(m_ui->cmdOK, &QPushButton::clicked, this, &frmHVPersSettingsSingle::cmdOK_Click);
        connect(m_ui->cmdCancel, &QPushButton::clicked, this,
            &frmHVPersSettingsSingle::cmdCancel_Click);
        connect(m_ui->cmdDatabase, &QPushButton::clicked, this,
            &frmHVPersSettingsSingle::cmdDatabase_Click);
        connect(m_ui->tbsLists, &QTabBar::currentChanged, this, [this] {
            if (!m_blnBuildingTabs)
                tbsLists_Click();
        });
        connect(m_timStartup, &QTimer::timeout, this, &frmHVPersSettingsSingle::timStartup_Timer);
        connect(m_timCheckCategories, &QTimer::timeout, this,
            &frmHVPersSettingsSingle::timCheckCategories_Timer);

        m_ui->splLists->setStretchFactor(0, 3);
        m_ui->splLists->setStretchFactor(1, 2);
        subRestoreLayout();
        m_timStartup->start(500);
    } catch (...) {
        subHandleCurrentException(QStringLiteral("Form_Load"));
    }
}

int frmHVPersSettingsSingle::fncListCount() const
{
    return m_objGlobal.MetaDataLists.Count();
}

cMetaDictionary& frmHVPersSettingsSingle::fncList(int intPos) const
{
    return m_objGlobal.MetaDataLists.ItemAt(intPos);
}

int frmHVPersSettingsSingle::fncTabList(int intTab) const
{
    if (intTab < 0 || intTab >= m_ui->tbsLists->count())
        return -1;
    return m_ui->tbsLists->tabData(intTab).toInt();
}

int frmHVPersSettingsSingle::fncTabOfList(int intPos) const
{
    for (int i = 0; i < m_ui->tbsLists->count(); ++i) {
        if (m_ui->tbsLists->tabData(i).toInt() == intPos)
            return i;
    }
    return -1;
}

void frmHVPersSettingsSingle::subSetCaptions()
{
    try {
        setWindowTitle(m_strDatabase.isEmpty()
                ? strProgramTitle
                : strProgramTitle + QStringLiteral(" \u2013 ") + m_strDatabase);
        m_ui->cmdDatabase->setText(fncPhr("LNGDATABASEBUTTON"));
        m_ui->fraTimeManipulation->setTitle(fncPhr("LNGTIMEMANIPULATION"));
        m_ui->fraFilters->setTitle(fncPhr("LNGFILTEROPTIONS"));
        // Every captioned control gets an Alt+letter of its caption in the shown language; OK
        // and Cancel choose first, then the short captions, which have fewer letters to offer.
        const std::pair<QWidget*, const char*> captioned[] = { { m_ui->cmdOK, "LNGOK" },
            { m_ui->cmdCancel, "LNGCANCEL" }, { m_ui->lblPersonalRate, "LNGRATE" },
            { m_ui->chkPrivate, "LNGPRIVATE" }, { m_ui->chkRecurring, "LNGRECURRING" },
            { m_ui->chkEvents, "LNGEVENTS" }, { m_ui->lblCostCarrier, "LNGCOSTCARRIER" },
            { m_ui->chkConvertFullDayToHours, "LNGCONVERTFULLDAYSTOHOURS" },
            { m_ui->chkRemoveLunch, "LNGREMOVELUNCH" },
            { m_ui->chkWriteSubject, "LNGWRITESUBJECT" } };
        QStringList colCaptions;
        for (const auto& [pWidget, key] : captioned)
            colCaptions.append(fncPhr(key));
        const QStringList colMarked = fncWithMnemonics(colCaptions);
        for (size_t i = 0; i < std::size(captioned); ++i) {
            QWidget* pWidget = captioned[i].first;
            const QString& strText = colMarked.at(static_cast<qsizetype>(i));
            if (auto* pButton = qobject_cast<QAbstractButton*>(pWidget))
                pButton->setText(strText);
            else if (auto* pLabel = qobject_cast<QLabel*>(pWidget))
                pLabel->setText(strText);
        }
        // Controls without a label of their own are named after what they belong to.
        m_ui->txtFullDayHours->setAccessibleName(fncPhr("LNGCONVERTFULLDAYSTOHOURS"));
        m_ui->txtLunchHours->setAccessibleName(fncPhr("LNGREMOVELUNCH"));
        m_ui->txtPersonalRate->setAccessibleName(fncPhr("LNGRATE"));
        m_ui->tbsLists->setAccessibleName(fncPhr("LNGMETA"));
        m_ui->treMetaView->setAccessibleName(fncPhr("LNGMETACATEGORY"));
        m_exsCategories->List->setAccessibleName(fncPhr("LNGMETA"));

        const int intShowing = m_intShownList.value_or(-1);
        {
            m_blnBuildingTabs = true;
            const QSignalBlocker blockCombo(m_ui->cmbCostCarrier);
            while (m_ui->tbsLists->count() > 0)
                m_ui->tbsLists->removeTab(0);
            m_ui->cmbCostCarrier->clear();
            m_ui->cmbCostCarrier->addItem(fncPhr("LNGPERSON"), 1);
            for (int i = 0; i < fncListCount(); ++i) {
                const QString strCaption = fncList(i).Caption;
                if (strCaption.isEmpty())
                    continue;
                const int intTab = m_ui->tbsLists->addTab(strCaption);
                m_ui->tbsLists->setTabData(intTab, i);
                m_ui->cmbCostCarrier->addItem(strCaption, i + 2);
            }
            m_ui->cmbCostCarrier->setCurrentIndex(-1);
            const int intTab = fncTabOfList(intShowing);
            if (intTab >= 0)
                m_ui->tbsLists->setCurrentIndex(intTab);
            m_blnBuildingTabs = false;
        }
        // Without a list to show there is nothing to switch between.
        m_ui->tbsLists->setVisible(m_ui->tbsLists->count() > 0);
        if (intShowing >= 0 && m_exsList->List && intShowing < fncListCount())
            m_exsList->List->setAccessibleName(fncList(intShowing).Caption);

        subShowRateFields(false);
        if (m_objGlobal.CostCarrier != 0)
            subSelectCostCarrier(m_objGlobal.CostCarrier);
    } catch (...) {
        m_blnBuildingTabs = false;
        subHandleCurrentException(QStringLiteral("subSetCaptions"));
    }
}

void frmHVPersSettingsSingle::subSelectCostCarrier(qint32 lngCostCarrier)
{
    const int intItem = m_ui->cmbCostCarrier->findData(lngCostCarrier);
    if (intItem < 0) {
        m_objGlobal.CostCarrier = 0;
        return;
    }
    {
        const QSignalBlocker block(m_ui->cmbCostCarrier);
        m_ui->cmbCostCarrier->setCurrentIndex(intItem);
    }
    // Selecting the carrier the settings already hold changes no list: the click's refill of
    // the grid is left to the caller that shows a list anyway (2000 items take a while).
    if (m_intShownList && lngCostCarrier != m_objGlobal.CostCarrier) {
        cmbCostCarrier_Click();
        return;
    }
    subLog(QStringLiteral("About to change Cost carrier to ") + QString::number(lngCostCarrier));
    m_objGlobal.CostCarrier = lngCostCarrier;
    subShowRateFields(lngCostCarrier == 1);
}

void frmHVPersSettingsSingle::subShowRateFields(bool blnVisible)
{
    m_ui->lblPersonalRate->setVisible(blnVisible);
    m_ui->txtPersonalRate->setVisible(blnVisible);
}

void frmHVPersSettingsSingle::subSetValues()
{
    try {
        subLog(QStringLiteral("Setting values to the form"));
        subLog(QStringLiteral("Setting personal choice values"));
        if (m_objGlobal.CostCarrier != 0)
            subSelectCostCarrier(m_objGlobal.CostCarrier);

        subFillCategories();
        if (m_ui->tbsLists->count() > 0) {
            m_blnBuildingTabs = true;
            m_ui->tbsLists->setCurrentIndex(0);
            m_blnBuildingTabs = false;
            subSwitchTabs(0);
        }
        subShowValues(cWindowValues::FromSettings(m_objPersonal));
        m_shownValues = std::make_unique<cWindowValues>(fncWindowValues());
        m_lngShownCostCarrier = m_ui->cmbCostCarrier->currentData().toInt();
        m_blnGridChanged = false;
    } catch (...) {
        m_blnBuildingTabs = false;
        subHandleCurrentException(QStringLiteral("subSetValues"));
    }
}

void frmHVPersSettingsSingle::subShowValues(const cWindowValues& values)
{
    m_ui->chkEvents->setCheckState(fncCheckState(values.intEvents));
    m_ui->chkPrivate->setCheckState(fncCheckState(values.intPrivate));
    m_ui->chkRecurring->setCheckState(fncCheckState(values.intRecurring));
    m_ui->txtPersonalRate->setText(values.strPersonalRate);
    m_ui->chkConvertFullDayToHours->setCheckState(fncCheckState(values.intConvert24));
    m_ui->txtFullDayHours->setText(values.strFullDayHours);
    m_ui->txtFullDayHours->setEnabled(values.intConvert24 != 0);
    m_ui->chkRemoveLunch->setCheckState(fncCheckState(values.intRemoveLunch));
    m_ui->txtLunchHours->setText(values.strLunchHours);
    m_ui->txtLunchHours->setEnabled(values.intRemoveLunch != 0);
    m_ui->chkWriteSubject->setCheckState(fncCheckState(values.intWriteSubject));
}

cWindowValues frmHVPersSettingsSingle::fncWindowValues() const
{
    cWindowValues values;
    values.intEvents = fncCheckValue(m_ui->chkEvents->checkState());
    values.intPrivate = fncCheckValue(m_ui->chkPrivate->checkState());
    values.intRecurring = fncCheckValue(m_ui->chkRecurring->checkState());
    values.intConvert24 = fncCheckValue(m_ui->chkConvertFullDayToHours->checkState());
    values.intRemoveLunch = fncCheckValue(m_ui->chkRemoveLunch->checkState());
    values.intWriteSubject = fncCheckValue(m_ui->chkWriteSubject->checkState());
    values.strPersonalRate = m_ui->txtPersonalRate->text();
    values.strFullDayHours = m_ui->txtFullDayHours->text();
    values.strLunchHours = m_ui->txtLunchHours->text();
    return values;
}

void frmHVPersSettingsSingle::chkConvertFullDayToHours_Click()
{
    try {
        const bool blnOn = m_ui->chkConvertFullDayToHours->checkState() == Qt::Checked;
        m_ui->txtFullDayHours->setEnabled(blnOn);
        // A whole-day event cannot be both left out and converted to hours.
        if (blnOn && m_ui->chkEvents->checkState() == Qt::Checked)
            m_ui->chkEvents->setCheckState(Qt::Unchecked);
    } catch (...) {
        subHandleCurrentException(QStringLiteral("chkConvertFullDayToHours_Click"));
    }
}

void frmHVPersSettingsSingle::chkRemoveLunch_Click()
{
    try {
        m_ui->txtLunchHours->setEnabled(m_ui->chkRemoveLunch->checkState() == Qt::Checked);
    } catch (...) {
        subHandleCurrentException(QStringLiteral("chkRemoveLunch_Click"));
    }
}

void frmHVPersSettingsSingle::cmbCostCarrier_Click()
{
    try {
        const qint32 lngCostCarrier = m_ui->cmbCostCarrier->currentData().toInt();
        subLog(
            QStringLiteral("About to change Cost carrier to ") + QString::number(lngCostCarrier));
        m_objGlobal.CostCarrier = lngCostCarrier;
        if (m_ui->tbsLists->currentIndex() >= 0)
            subSwitchTabs(m_ui->tbsLists->currentIndex());
        subShowRateFields(lngCostCarrier == 1);
    } catch (...) {
        subHandleCurrentException(QStringLiteral("cmbCostCarrier_Click"));
    }
}

bool frmHVPersSettingsSingle::fncCommitEditors()
{
    return m_exsList->ObjectList->fncCommitEditor()
        && m_exsCategories->ObjectList->fncCommitEditor();
}

bool frmHVPersSettingsSingle::fncEditing() const
{
    return m_exsList->ObjectList->isEditing() || m_exsCategories->ObjectList->isEditing();
}

void frmHVPersSettingsSingle::subCheckNumberField(QLineEdit* txt)
{
    if (txt->text().trimmed().isEmpty() || fncParseDecimal(txt->text())) {
        m_strRefusedField.clear();
        return;
    }
    // One message per refused text, whether Return, leaving the field or OK found it.
    const QString strKey = txt->objectName() + QLatin1Char('\n') + txt->text();
    if (strKey != m_strRefusedField) {
        m_strRefusedField = strKey;
        cMessageBox::Show(
            fncPhr("LNGEDITNOTANUMBER").arg(txt->accessibleName(), txt->text().trimmed()),
            cMessageBox::Buttons::Ok, cMessageBox::Icon::Warning);
    }
    txt->setFocus();
    txt->selectAll();
}

bool frmHVPersSettingsSingle::fncCheckNumberFields()
{
    for (QLineEdit* txt : { m_ui->txtPersonalRate, m_ui->txtFullDayHours, m_ui->txtLunchHours }) {
        if (!txt->text().trimmed().isEmpty() && !fncParseDecimal(txt->text())) {
            subCheckNumberField(txt);
            return false;
        }
    }
    return true;
}

namespace {
const QString strLayoutSection = QStringLiteral("Window");
} // namespace

void frmHVPersSettingsSingle::subRestoreLayout()
{
    // The layout is a convenience: a store that cannot be read leaves the default one.
    try {
        const auto read = [](const char* key) {
            return QByteArray::fromBase64(
                fncReadRegistryValue(strLayoutSection, QString::fromLatin1(key), QString())
                    .toLatin1());
        };
        const QByteArray geometry = read("Geometry");
        if (!geometry.isEmpty())
            restoreGeometry(geometry);
        const QByteArray split = read("ListSplit");
        if (!split.isEmpty())
            m_ui->splLists->restoreState(split);
    } catch (...) {
    }
}

void frmHVPersSettingsSingle::subSaveLayout()
{
    try {
        subWriteRegistryValue(strLayoutSection, QStringLiteral("Geometry"),
            QString::fromLatin1(saveGeometry().toBase64()));
        subWriteRegistryValue(strLayoutSection, QStringLiteral("ListSplit"),
            QString::fromLatin1(m_ui->splLists->saveState().toBase64()));
    } catch (...) {
    }
}

bool frmHVPersSettingsSingle::isChanged() const
{
    return m_blnGridChanged || (m_shownValues && !(*m_shownValues == fncWindowValues()))
        || m_ui->cmbCostCarrier->currentData().toInt() != m_lngShownCostCarrier;
}

void frmHVPersSettingsSingle::cmdOK_Click()
{
    try {
        subLog(QStringLiteral("Setting personal choice values to the form"));
        if (!fncCommitEditors() || !fncCheckNumberFields())
            return;
        tbsLists_Click();

        const int intGlobalCount = fncListCount();
        for (int i = m_objPersonal.MetaDataLists.size(); i >= 1; --i) {
            if (i <= intGlobalCount)
                m_objPersonal.MetaDataLists[i - 1].Caption = fncList(i - 1).Caption;
            else
                m_objPersonal.MetaDataLists.removeAt(i - 1);
        }

        m_objGlobal.CostCarrier = m_ui->cmbCostCarrier->currentIndex() < 0
            ? 0
            : m_ui->cmbCostCarrier->currentData().toInt();
        const QString strMessage = m_objGlobal.SaveGlobalSettings();
        if (!strMessage.isEmpty()) {
            cMessageBox::Show(strMessage);
            return;
        }

        fncWindowValues().ApplyTo(m_objPersonal, m_objGlobal.ReportTo);
        m_objPersonal.MetaDataLists = m_objGlobal.MetaDataLists.Items();
        m_objPersonal.SaveSettings();

        tbsLists_Click();
        subSaveLayout();
        subUnload();
    } catch (...) {
        subHandleCurrentException(QStringLiteral("cmdOK_Click"));
    }
}

void frmHVPersSettingsSingle::subSetDatabaseCaption(const QString& strCaption)
{
    m_strDatabase = strCaption;
    subSetCaptions();
}

void frmHVPersSettingsSingle::subSetDatabaseChooser(std::function<bool()> fncChoose)
{
    m_fncChooseDatabase = std::move(fncChoose);
}

void frmHVPersSettingsSingle::cmdDatabase_Click()
{
    try {
        if (!m_fncChooseDatabase || !m_fncChooseDatabase())
            return;
        // The grid shows a list of the other database: neither it nor its undo steps carry over.
        m_intShownList.reset();
        m_histories.clear();
        subSetValues();
    } catch (...) {
        subHandleCurrentException(QStringLiteral("cmdDatabase_Click"));
    }
}

void frmHVPersSettingsSingle::cmdCancel_Click()
{
    // A refused cell counts as a change: its text is still in the open editor.
    const bool blnChanged = !fncCommitEditors() || isChanged();
    if (blnChanged
        && cMessageBox::Show(
               fncPhr("LNGEDITDISCARD"), cMessageBox::Buttons::YesNo, cMessageBox::Icon::Question)
            != cMessageBox::Answer::Yes)
        return;
    subLog(QStringLiteral("Cancel pressed: ending without saving"));
    subEndProgram(0);
}

void frmHVPersSettingsSingle::reject()
{
    if (m_blnUnloading) {
        QDialog::reject();
        return;
    }
    cmdCancel_Click();
}

void frmHVPersSettingsSingle::subUnload()
{
    m_timStartup->stop();
    m_timCheckCategories->stop();
    m_exsList->RaiseEventsEnabled(false);
    m_exsCategories->RaiseEventsEnabled(false);
    m_blnUnloading = true;
    hide();
    deleteLater();
}

void frmHVPersSettingsSingle::timStartup_Timer()
{
    m_timStartup->stop();
    // The refill repeats what Main put on the window: once the user has begun to change it, it
    // would silently undo their work.
    if (!isChanged() && !fncEditing())
        subSetValues();
    m_timCheckCategories->start();
}

void frmHVPersSettingsSingle::tbsLists_Click()
{
    const cWaitCursor wait;
    subSwitchTabs(m_ui->tbsLists->currentIndex());
}

void frmHVPersSettingsSingle::subSwitchTabs(int intNewTab)
{
    try {
        const int intNewList = fncTabList(intNewTab);
        if (intNewList < 0 || intNewList >= fncListCount())
            return;
        const auto fncStay = [this] {
            m_blnBuildingTabs = true;
            m_ui->tbsLists->setCurrentIndex(fncTabOfList(m_intShownList.value_or(-1)));
            m_blnBuildingTabs = false;
        };
        // A refill throws an open editor away: its text goes into the grid first, and a text
        // the cell refuses keeps the list (and the editor) where they are.
        if (!m_exsList->ObjectList->fncCommitEditor())
            return fncStay();
        // A list is read from the database when it is first shown.
        if (const QString strFailed = m_objGlobal.LoadList(intNewList); !strFailed.isEmpty()) {
            cMessageBox::Show(strFailed, cMessageBox::Buttons::Ok, cMessageBox::Icon::Warning);
            return fncStay();
        }
        // Rows past the grid's last row would be lost at the next save: such a list is not shown.
        const cMetaDictionary& objNew = fncList(intNewList);
        if (objNew.MetaDic.Count() > intSheetRows - 1) {
            cMessageBox::Show(fncPhr("LNGEDITLISTTOOLONG")
                                  .arg(objNew.Caption)
                                  .arg(objNew.MetaDic.Count())
                                  .arg(intSheetRows - 1),
                cMessageBox::Buttons::Ok, cMessageBox::Icon::Warning);
            return fncStay();
        }
        cSheet& grid = *m_exsList->ObjectList;
        if (m_intShownList && *m_intShownList >= 0 && *m_intShownList < fncListCount()) {
            subSaveMetaList(fncList(*m_intShownList));
            m_histories[*m_intShownList] = grid.TakeHistory({ 0, 0, m_intLastRow - 1, 6 });
        }
        m_intShownList = intNewList;
        subFillMeta(fncList(intNewList));
        grid.RestoreHistory(std::move(m_histories[intNewList]));
        if (m_exsList->List)
            m_exsList->List->setAccessibleName(fncList(intNewList).Caption);
    } catch (...) {
        subHandleCurrentException(QStringLiteral("subSwitchTabs"));
    }
}

void frmHVPersSettingsSingle::subFillMeta(cMetaDictionary& objList)
{
    try {
        subLog(QStringLiteral("Filling the meta list") + objList.Caption
            + QStringLiteral("  to the form"));
        const bool blnEnableItems
            = m_objGlobal.OtherSettings
                  .GetValue(QStringLiteral("EnableItems"), cOtherSettings::intTypeBoolean)
                  .toBool();
        cListHandler& exs = *m_exsList;
        exs.EditMode(true);
        subClearList();
        m_intLastRow = std::min(
            intSheetRows, std::max(intUsualLastRow, objList.MetaDic.Count() + 1 + intSpareRows));

        exs.SetValue(QStringLiteral("A1"), QString(objList.Caption + strHeadingPad));
        exs.SetValue(QStringLiteral("B1"), objList.CategoryCaption.trimmed());
        exs.SetValue(QStringLiteral("C1"), objList.SuperCategoryCaption);
        exs.SetValue(QStringLiteral("D1"), fncPhr("LNGRATE"));
        exs.SetValue(QStringLiteral("G1"), blnEnableItems ? fncPhr("LNGENABLE") : QString());

        cSheetModel& sheet = *exs.CurrSheet;
        int intRow = 1; // 0-based row 1 is row 2 of the sheet
        for (const auto& entry : objList.MetaDic) {
            if (intRow >= m_intLastRow)
                break;
            const cMetaData& objMeta = entry.second;
            sheet.SetCellValue(intRow, 0, objMeta.MetaName());
            // The item area was just cleared: empty texts need no writing.
            if (const QString strCategory = objMeta.Category.trimmed(); !strCategory.isEmpty())
                sheet.SetCellValue(intRow, 1, strCategory);
            if (const QString strSuper = objMeta.SuperCategory.trimmed(); !strSuper.isEmpty())
                sheet.SetCellValue(intRow, 2, strSuper);
            sheet.SetCellValue(intRow, 3, objMeta.HourlyRate.toDouble());
            sheet.SetCellValue(intRow, 4, objMeta.ID);
            sheet.SetCellValue(intRow, 6, fncCheckMarkText(objMeta.Enabled));
            ++intRow;
        }
        exs.EditMode(false);
        subFixColWidhts();
    } catch (...) {
        subHandleCurrentException(QStringLiteral("subFillMeta"));
    }
}

void frmHVPersSettingsSingle::subClearList()
{
    try {
        m_exsList->SetValue(QStringLiteral("A2:E") + QString::number(m_intLastRow), QString());
        m_exsList->SetValue(QStringLiteral("G2:G") + QString::number(m_intLastRow), QString());
    } catch (...) {
        subHandleCurrentException(QStringLiteral("subClearList"));
    }
}

void frmHVPersSettingsSingle::subSaveMetaList(cMetaDictionary& objList)
{
    try {
        subLog(
            QStringLiteral("Saving ") + objList.Caption + QStringLiteral(" from list to object"));
        cMetaDictionary objRead;
        objRead.MetaDic.Reserve(m_intLastRow - 1);
        const cSheetModel& sheet = *m_exsList->CurrSheet;
        for (int intRow = 1; intRow < m_intLastRow; ++intRow) {
            // A row whose name is empty is skipped, not the end of the list: clearing one name
            // must not take every item below it out of the list.
            const QString strName = fncClearInvalidValues(sheet.Value(intRow, 0));
            if (strName.isEmpty())
                continue;
            const QVariant varRate = sheet.Value(intRow, 3);
            cCurrency curRate;
            if (varRate.typeId() == QMetaType::QString) {
                curRate = fncParseAmount(varRate.toString()).value_or(cCurrency());
            } else if (varRate.isValid()) {
                curRate = cCurrency::fromVariant(varRate).value_or(cCurrency());
            }
            // AddMeta keeps the first of two equal names.
            objRead.AddMeta(strName, fncClearInvalidValues(sheet.Value(intRow, 1)), curRate, 0,
                fncClearInvalidValues(sheet.Value(intRow, 2)), sheet.isChecked(intRow, 6));
        }
        objList.MetaDic = std::move(objRead.MetaDic);
    } catch (...) {
        subHandleCurrentException(QStringLiteral("subSaveMetaList"));
    }
}

void frmHVPersSettingsSingle::subFixColWidhts()
{
    try {
        subLog(QStringLiteral("Fixing column withs on list"));
        cListHandler& exs = *m_exsList;
        const QString strLast = QString::number(m_intLastRow);
        exs.SetVisibleRange(QStringLiteral("A1:G") + strLast);
        exs.LockRange(QStringLiteral("A2:G") + strLast, true);
        // Names and categories keep what was typed ("0042" stays "0042"); a rate must be a number.
        exs.SetTextFormat(QStringLiteral("A2:C") + strLast);
        exs.SetDecimalFormat(QStringLiteral("D2:D") + strLast);
        exs.SetColumnWidth(QStringLiteral("A:G"), 100);
        exs.SetColumnWidth(QStringLiteral("D:F"), 0);
        // Which of B to D stay visible is known from the captions and the cost carrier; only
        // those are fitted (a hidden column's width is never seen).
        const cMetaDictionary* pList = m_intShownList && *m_intShownList < fncListCount()
            ? &fncList(*m_intShownList)
            : nullptr;
        const bool blnRate = pList && m_objGlobal.CostCarrier == *m_intShownList + 2;
        const bool blnCategory = pList && !pList->CategoryCaption.trimmed().isEmpty();
        const bool blnSuper = pList && !pList->SuperCategoryCaption.trimmed().isEmpty();
        exs.AutoFitCols(QStringLiteral("A:A"));
        if (blnCategory)
            exs.AutoFitCols(blnSuper ? QStringLiteral("B:C") : QStringLiteral("B:B"));
        if (blnRate || !pList)
            exs.AutoFitCols(QStringLiteral("D:D"));
        const bool blnEnableItems
            = m_objGlobal.OtherSettings
                  .GetValue(QStringLiteral("EnableItems"), cOtherSettings::intTypeBoolean)
                  .toBool();
        if (blnEnableItems) {
            exs.AutoFitCols(QStringLiteral("G:G"));
            exs.SetCheckedColumn(QStringLiteral("G2:G") + strLast);
        } else {
            exs.SetColumnWidth(QStringLiteral("G:G"), 0);
        }

        if (!pList)
            return;
        cMetaDictionary& objList = fncList(*m_intShownList);
        // The rate column matters only for the list that costs are counted by.
        QString strHide;
        if (!blnCategory)
            strHide = blnRate ? QStringLiteral("B:C") : QStringLiteral("B:D");
        else if (!blnSuper)
            strHide = blnRate ? QStringLiteral("C:C") : QStringLiteral("C:D");
        else if (!blnRate)
            strHide = QStringLiteral("D:D");
        if (!strHide.isEmpty())
            exs.SetColumnWidth(strHide, 0);

        // The grid was just filled from this list, so the tree is built from the list itself
        // rather than from a second reading of the grid.
        if (blnCategory) {
            subFillTreeView(objList);
        } else {
            m_ui->treMetaView->hide();
        }
    } catch (...) {
        subHandleCurrentException(QStringLiteral("subFixColWidhts"));
    }
}

void frmHVPersSettingsSingle::subFillTreeView(const cMetaDictionary& objList)
{
    // A tree that cannot be drawn must not stop the editing of the list.
    try {
        QTreeView* tre = m_ui->treMetaView;
        tre->show();
        m_treeModel->SetNodes(cMetaTreeBuilder::Build(objList, fncPhr("LNGNONE")),
            tre->palette().brush(QPalette::Disabled, QPalette::Text));
        // Right after the reset the view only records what is expanded and lays the tree out
        // once when it is next drawn; expandAll would lay it out now and mark every item.
        for (const QModelIndex& index : m_treeModel->fncParents())
            tre->expand(index);
    } catch (const std::exception&) {
    }
}

void frmHVPersSettingsSingle::subRefreshTree(cMetaDictionary& objList)
{
    subSaveMetaList(objList);
    if (!objList.CategoryCaption.trimmed().isEmpty())
        subFillTreeView(objList);
    else
        m_ui->treMetaView->hide();
}

void frmHVPersSettingsSingle::subFillCategories()
{
    try {
        cListHandler& exs = *m_exsCategories;
        exs.EditMode(true);
        exs.SetValue(QStringLiteral("A1"), fncPhr("LNGMETA"));
        exs.SetValue(QStringLiteral("B1"), fncPhr("LNGMETACATEGORY"));
        exs.SetValue(QStringLiteral("C1"), fncPhr("LNGMETASUPERCATEGORY"));
        for (int i = 0; i < fncListCount(); ++i) {
            const cMetaDictionary& objList = fncList(i);
            const int intRow = i + 2;
            exs.SetValue(fncRow("A", intRow), objList.Caption);
            exs.SetValue(fncRow("B", intRow), objList.CategoryCaption);
            exs.SetValue(fncRow("C", intRow), objList.SuperCategoryCaption);
        }
        exs.EditMode(false);
        const QString strLast = QString::number(std::max(3, fncListCount() + 1));
        exs.SetVisibleRange(QStringLiteral("A1:C") + strLast);
        exs.SetTextFormat(QStringLiteral("A2:C") + strLast);
        exs.AutoFitCols(QStringLiteral("A:C"));
    } catch (...) {
        subHandleCurrentException(QStringLiteral("subFillCategories"));
    }
}

void frmHVPersSettingsSingle::timCheckCategories_Timer()
{
    try {
        // The poll reads and cleans the grids; it waits while the user types in one.
        if (fncEditing())
            return;
        bool blnChanged = false;
        cListHandler& exs = *m_exsCategories;
        const int intWatched = std::min(3, fncListCount());
        for (int i = 0; i < intWatched; ++i) {
            cMetaDictionary& objList = fncList(i);
            QString* captions[]
                = { &objList.Caption, &objList.CategoryCaption, &objList.SuperCategoryCaption };
            const char* cols[] = { "A", "B", "C" };
            for (int c = 0; c < 3; ++c) {
                const QString strCell = fncRow(cols[c], i + 2);
                const QString strRaw = exs.GetValue(strCell, 8).toString();
                const QString strClean = fncClearInvalidCaption(strRaw);
                if (strClean != strRaw)
                    exs.SetValue(strCell, strClean);
                if (strClean != *captions[c]) {
                    *captions[c] = strClean;
                    blnChanged = true;
                }
            }
        }
        if (blnChanged)
            subSetCaptions();

        const auto fncCount = [this] {
            return static_cast<qint16>(
                m_exsList->GetValue(QStringLiteral("F1"), 2).value<cCurrency>().toDouble());
        };
        const qint16 intCount = fncCount();
        if (intCount == m_intItemCount)
            return;
        if (m_intItemCount != 0 && m_intShownList && *m_intShownList < fncListCount())
            subRefreshTree(fncList(*m_intShownList));
        m_intItemCount = fncCount();
    } catch (...) {
        subHandleCurrentException(QStringLiteral("timCheckCategories_Timer"));
    }
}
