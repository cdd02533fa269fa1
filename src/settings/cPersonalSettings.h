#pragma once

#include "cCurrency.h"
#include "cDictionary.h"
#include "cMetaDictionary.h"

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

    // The rate as the body and the store hold it: the locale's number format, no grouping,
    // only the digits needed.
    static QString fncRateToText(cCurrency curRate);
    // Reads what fncRateToText wrote (also the invariant form); nullopt when not a number.
    static std::optional<cCurrency> fncTextToRate(const QString& strText);

    // The program's own folder (the executable's folder unless a test points it elsewhere).
    static QString fncProgramFolder();
    static void subSetProgramFolder(const QString& strFolder);

private:
    void subReadExistingSettingAppointment2050();
    bool fncAcceptDatabaseFolder(const QString& strValue) const;
    QString fncDataFolder() const;
};
