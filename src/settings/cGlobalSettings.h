#pragma once

#include "cDictionary.h"
#include "cMetaDictionary.h"
#include "cOtherSettings.h"
#include "cRecordset.h"

#include <QString>
#include <array>

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
    // 1); true when at least one list was loaded. A second load replaces the lists.
    bool ReadGlobalSettings(qint32 lngKind, const QString& strPath);
    // Saves everything in one transaction; empty on success, otherwise the message to show.
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

private:
    void subSetupDBObjects(bool blnReadOnly, bool blnFromXml, const QString& strPath);
    void subGSToXML();
    void subCloseDBObjects();

    RecordsetPtr m_rsSettings;
    RecordsetPtr m_rsMetaLists;
};
