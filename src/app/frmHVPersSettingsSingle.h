#pragma once

#include "cSheet.h"

#include <QDialog>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QLineEdit;
class QTimer;
class cGlobalSettings;
class cListHandler;
class cMetaTreeModel;
class cMetaDictionary;
class cPersonalSettings;
class cWindowValues;

namespace Ui {
class frmHVPersSettingsSingle;
}

// The settings window: the personal options, the cost carrier and the metadata lists with
// their captions. It edits the two settings objects it is given; OK saves them, Cancel ends
// the program without saving.
class frmHVPersSettingsSingle : public QDialog
{
    Q_OBJECT

public:
    frmHVPersSettingsSingle(
        cPersonalSettings& objPersonal, cGlobalSettings& objGlobal, QWidget* parent = nullptr);
    ~frmHVPersSettingsSingle() override;

    void subSetCaptions();
    void subSetValues();

    void chkConvertFullDayToHours_Click();
    void chkRemoveLunch_Click();
    void cmbCostCarrier_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdDatabase_Click();
    // The database in use, shown in the title.
    void subSetDatabaseCaption(const QString& strCaption);
    // What "Database..." does: choose another database and load the common settings from it
    // (true when they were loaded).
    void subSetDatabaseChooser(std::function<bool()> fncChoose);
    void tbsLists_Click();
    void timStartup_Timer();
    void timCheckCategories_Timer();

    void subSwitchTabs(int intNewTab);
    void subFillMeta(cMetaDictionary& objList);
    void subSaveMetaList(cMetaDictionary& objList);
    void subClearList();
    void subFixColWidhts();
    void subFillTreeView(const cMetaDictionary& objList);
    void subFillCategories();

    // The controls' values in the settings' terms, and back.
    cWindowValues fncWindowValues() const;
    void subShowValues(const cWindowValues& values);

    // The list position (0-based) the list grid shows; empty until a tab was first shown.
    std::optional<int> ShownList() const { return m_intShownList; }
    // The last row of the list grid's item area (row 2000 unless a list needs more).
    int LastListRow() const { return m_intLastRow; }

    Ui::frmHVPersSettingsSingle& ui() const { return *m_ui; }
    cListHandler& exsList() const { return *m_exsList; }
    cListHandler& exsCategories() const { return *m_exsCategories; }
    QTimer& timStartup() const { return *m_timStartup; }
    QTimer& timCheckCategories() const { return *m_timCheckCategories; }

    // True when the user changed anything since the values were shown.
    bool isChanged() const;

public slots:
    // Escape and the window's close button mean Cancel.
    void reject() override;

private:
    void Form_Load();
    void subUnload();
    void subSelectCostCarrier(qint32 lngCostCarrier);
    void subShowRateFields(bool blnVisible);
    int fncListCount() const;
    cMetaDictionary& fncList(int intPos) const;
    // The list position a tab shows, or -1.
    int fncTabList(int intTab) const;
    int fncTabOfList(int intPos) const;
    void subRefreshTree(cMetaDictionary& objList);
    // Open cell editors written into their cells first; false when a cell refused its text.
    bool fncCommitEditors();
    // Whether the user is typing in a cell of either grid.
    bool fncEditing() const;
    // The number fields: false (with a message naming the field) when one holds no number.
    bool fncCheckNumberFields();
    // Size, position and the list/tree split as the user left them, kept in the per-user store.
    void subRestoreLayout();
    void subSaveLayout();
    void subCheckNumberField(QLineEdit* txt);

    std::unique_ptr<Ui::frmHVPersSettingsSingle> m_ui;
    cPersonalSettings& m_objPersonal;
    cGlobalSettings& m_objGlobal;
    cListHandler* m_exsList = nullptr;
    cListHandler* m_exsCategories = nullptr;
    cMetaTreeModel* m_treeModel = nullptr;
    QTimer* m_timStartup = nullptr;
    QTimer* m_timCheckCategories = nullptr;
    std::optional<int> m_intShownList;
    qint16 m_intItemCount = 0;
    int m_intLastRow = 2000;
    bool m_blnBuildingTabs = false;
    bool m_blnUnloading = false;
    QString m_strDatabase;
    std::function<bool()> m_fncChooseDatabase;
    bool m_blnGridChanged = false;
    std::unique_ptr<cWindowValues> m_shownValues;
    qint32 m_lngShownCostCarrier = 0;
    QString m_strRefusedField;
    // The undo history of each list while another one is shown.
    std::map<int, std::unique_ptr<cSheet::cHistory>> m_histories;
};
