#pragma once

#include "cCurrency.h"
#include "cDictionary.h"
#include "cMetaDictionary.h"
#include "cOlAppointmentItem.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

// The one record of the user's personal settings. It lives in two stores: the per-user
// settings store (section "Settings", primary) and the settings appointment of the user's
// calendar, which carries the settings with the calendar to other machines.
class cPersonalSettings
{
public:
    cPersonalSettings();

    QList<cMetaDictionary> MetaDataLists;
    cCurrency PersonalRate;
    bool FilterPrivate = true;
    bool FilterRecurring = true;
    bool FilterEvents = true;
    QDate DateLastReport;
    qint32 ReportChoice = 2; // 2: database file in a folder, 3: server connection string
    QString ReportValue;
    bool Convert24 = false;
    QVariant Convert24Hours = QVariant(qint16(8));
    bool RemoveLunch = false;
    QVariant RemoveLunchHours = QVariant(0.75);
    bool CreateLocalCube = false;
    bool StartGrid = false;
    bool WriteSubject = false;
    qint16 PaneWidth = 185;
    qint16 PaneHeight = 600;
    qint16 PaneDockPos = 2;

    void SaveSettings();
    bool GetValuesFromSettings();
    void FromString(const QString& strText);
    QString fncBuildBody() const;
    QString fncMetadataList() const;
    void subPopulateMetadataList(const QString& strText);
    QString fncReadReportPath() const;

    // Every element followed by the separator; a dictionary contributes its keys.
    static QString fncJoinDic(const QStringList& colItems, const QString& strSeparator);
    template <typename T>
    static QString fncJoinDic(const cDictionary<T>& dic, const QString& strSeparator)
    {
        return fncJoinDic(dic.Keys(), strSeparator);
    }

    // The rate as the window shows it: the locale's decimal mark, no grouping, only the digits
    // needed. The body and the store hold cCurrency's invariant form.
    static QString fncRateToText(cCurrency curRate);
    // Reads a rate written with "," or "." as the decimal mark; nullopt when it is not a number
    // or beyond the amounts cCurrency holds.
    static std::optional<cCurrency> fncTextToRate(const QString& strText);

    // The program's own folder (the executable's folder unless a test points it elsewhere).
    static QString fncProgramFolder();
    static void subSetProgramFolder(const QString& strFolder);

private:
    // What a choice-2 body written elsewhere may give: its folder, this machine's data folder
    // (it names another machine's), or nothing.
    enum class eFolderFit { Take, ThisMachine, Refuse };

    void subReadExistingSettingAppointment2050();
    void subWriteUserProperties(const cOlAppointmentItemPtr& objAppointment) const;
    eFolderFit fncDatabaseFolderFit(const QString& strValue) const;
    QString fncDataFolder() const;
};
