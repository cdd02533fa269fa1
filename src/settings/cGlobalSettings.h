#pragma once

#include "cDictionary.h"
#include "cMetaDictionary.h"
#include "cOtherSettings.h"
#include "cRecordset.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <array>
#include <functional>

// The common settings every user of one database shares: how costs are counted, where the
// common settings live, the three metadata lists with their captions and the other settings.
// Read from the database (or from an XML export) and written back to the database.
class cGlobalSettings
{
public:
    cGlobalSettings();
    ~cGlobalSettings();
    cGlobalSettings(const cGlobalSettings&) = delete;
    cGlobalSettings& operator=(const cGlobalSettings&) = delete;

    qint32 CostCarrier = 0;
    // 1: XML files under ReportToValue; any other value: the shared database.
    qint32 ReportTo = 2;
    QString ReportToValue;
    // Keyed "Meta1", "Meta2", "Meta3", in list order.
    cDictionary<cMetaDictionary> MetaDataLists = fncCreateDic<cMetaDictionary>();
    cOtherSettings OtherSettings;

    // Loads everything (lists and captions from the XML files under strPath when lngKind is
    // 1); true when at least one list was loaded. A second load replaces the lists. With
    // blnFirstListOnly a database load leaves the items of the other lists to LoadList.
    bool ReadGlobalSettings(qint32 lngKind, const QString& strPath, bool blnFirstListOnly = false);
    // Reads the items of list intPos (0-based) when the load left them out; the save then
    // reconciles against what this read. Empty on success, otherwise the message to show.
    QString LoadList(int intPos);
    // Saves everything in one transaction; empty on success, otherwise the message to show
    // (the lists in memory are then left as they were). The lists are reconciled with what the
    // last load read: an item is removed only when it was loaded and is gone from its list, items
    // others added or changed meanwhile are kept, and an item both changed is asked about.
    QString SaveGlobalSettings();
    // True when the first list has an item and the three scalar settings are given.
    bool fncCheckFilledOut() const;

    // The reporting program; when it sits in the program's folder it publishes the settings
    // itself, so the save writes the XML export only in XML mode.
    static QString fncReportingProgramPath();
    // Writes the export set into strFolder as one replacement (see subReplaceFiles): the three
    // lists, then the settings without the server password and the captions when given. Throws
    // cHVError naming the file that cannot be written.
    static void subWriteXmlSet(const QString& strFolder, const std::array<cRecordset*, 3>& colLists,
        cRecordset* rsSettings, cRecordset* rsMetaLists);

    // How long a save waits for a database another program keeps busy, in seconds.
    static void subSetBusyTimeout(int intSeconds);
    // Called inside each save's transaction once other saves are locked out (tests hold the
    // transaction open there to start a second save).
    static void subSetLockedHook(std::function<void()> hook);

private:
    struct cSaveAnswers;
    void subSaveOnce(cSaveAnswers& answers);
    void subSetupDBObjects(
        bool blnReadOnly, bool blnFromXml, const QString& strPath, bool blnFirstListOnly);
    void subReadList(cConnection& conn, int intPos);
    void subGSToXML();
    void subCloseDBObjects();

    RecordsetPtr m_rsSettings;
    RecordsetPtr m_rsMetaLists;
    // Per list, the stored items as the last load or save saw them, by row identity.
    QList<QHash<qint32, cMetaData>> m_colLoaded;
    // The lists as the last load read them, until the first save indexes them into m_colLoaded.
    QList<cDictionary<cMetaData>> m_colLoadedLists;
    bool m_blnLoadedFromDatabase = false;
    // The database the lists were loaded from; the save goes there.
    QString m_strConnection;
    // Lists whose items the load left out: nobody has seen or changed them yet.
    QSet<int> m_colUnread;
};
