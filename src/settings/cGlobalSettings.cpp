#include "cGlobalSettings.h"

#include "cHVError.h"
#include "cMessageBox.h"
#include "cPersonalSettings.h"
#include "cRemovedItemResolver.h"
#include "modDBCode.h"
#include "modErrorHandling.h"
#include "modFileHandling.h"
#include "modPhrases.h"
#include "modXMLExport.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace {
const QString strCrLf = QStringLiteral("\r\n");

QString fncText(const QVariant& value) { return fncNullToValue(value, false).toString(); }

cCurrency fncCurrency(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<cCurrency>())
        return value.value<cCurrency>();
    return cCurrency::fromVariant(value).value_or(cCurrency());
}

// Text as a stored value: an empty text stays an empty text, it does not become NULL.
QVariant fncStored(const QString& strText)
{
    return strText.isNull() ? QVariant(QStringLiteral("")) : QVariant(strText);
}

RecordsetPtr fncRequireRecordset(RecordsetPtr rs, const QString& strSource)
{
    if (!rs)
        throw cHVError(lngObjectError + 3001, QStringLiteral("cGlobalSettings"),
            QStringLiteral("No database connection to open ") + strSource);
    return rs;
}

// What the user decided for one stored value that is no longer in its list.
struct cRemovedRow
{
    int intPosition = 0; // row position in the items recordset
    qint32 lngID = 0;
    qint32 intDecision = cRemovedItemResolver::intCancelled;
    QString strMoveTo;
};

// One list's work: its table, the first row of each name (exact, and without regard to case),
// and the removed rows.
struct cListWork
{
    RecordsetPtr rs;
    QString strIdColumn;
    QHash<QString, int> firstRowByName;
    QHash<QString, int> firstRowByFoldedName;
    QList<cRemovedRow> removed;

    // The row an item is stored in, or -1 for a new row. A name that differs only in case from
    // a stored one is that row renamed, so it keeps its identity and its reports.
    int fncRowOf(const QString& strName) const
    {
        const int pos = firstRowByName.value(strName, -1);
        return pos >= 0 ? pos : firstRowByFoldedName.value(strName.toCaseFolded(), -1);
    }
};
} // namespace

cGlobalSettings::cGlobalSettings()
    : ReportToValue(fncStripTrailingSlash(cPersonalSettings::fncProgramFolder()))
{
    subBindReportDestination(&ReportTo, &ReportToValue);
}

cGlobalSettings::~cGlobalSettings()
{
    subBindReportDestination(nullptr, nullptr);
}

QString cGlobalSettings::fncReportingProgramPath()
{
#ifdef Q_OS_WIN
    const QString name = QStringLiteral("HVReporting.exe");
#else
    const QString name = QStringLiteral("HVReporting");
#endif
    return fncStripTrailingSlash(cPersonalSettings::fncProgramFolder()) + QLatin1Char('/') + name;
}

bool cGlobalSettings::ReadGlobalSettings(qint32 lngKind, const QString& strPath)
{
    bool blnResult = false;
    try {
        ReportTo = lngKind;
        subSetupDBObjects(true, lngKind == 1, strPath);
        blnResult = MetaDataLists.Count() > 0;
    } catch (...) {
        subCloseDBObjects();
        subHandleCurrentException(QStringLiteral("fncReadGlobalSettings"));
    }
    subCloseDBObjects();
    return blnResult;
}

void cGlobalSettings::subSetupDBObjects(bool blnReadOnly, bool blnFromXml, const QString& strPath)
{
    try {
        subLog(QStringLiteral("Reading the common settings"));
        MetaDataLists = fncCreateDic<cMetaDictionary>();
        const QString base = fncStripTrailingSlash(strPath);
        m_rsSettings = blnFromXml ? fncLoadRecordsetFromXml(base + QStringLiteral("/HVSettings.xml"))
                                  : fncReturnRecordset(QStringLiteral("tblSettings"), blnReadOnly);
        if (m_rsSettings) {
            cRecordset& rsSettings = *m_rsSettings;
            if (!rsSettings.Eof()) {
                CostCarrier = rsSettings.Value(1).toInt();
                ReportTo = rsSettings.Value(2).toInt();
                ReportToValue = fncText(rsSettings.Value(3));
            } else {
                CostCarrier = 0;
            }
            subLog(QStringLiteral("Reading the captions of the metadata lists"));
            m_rsMetaLists = blnFromXml
                ? fncLoadRecordsetFromXml(base + QStringLiteral("/HVMetaLists.xml"))
                : fncReturnRecordset(QStringLiteral("tblMetaLists"), false);
            // A published set missing a file (or a server that stops answering) is read as no
            // set rather than as empty lists, and the files after it are not waited for.
            const auto fncNoSet = [this](const QString& strFile) {
                subLog(QStringLiteral("The published file ") + strFile + QStringLiteral(" cannot be read"));
                MetaDataLists = fncCreateDic<cMetaDictionary>();
            };
            if (blnFromXml && !m_rsMetaLists)
                return fncNoSet(QStringLiteral("HVMetaLists.xml"));
            cRecordset* rsLists = m_rsMetaLists.get();
            for (int n = 1; n <= 3; ++n) {
                subLog(QStringLiteral("Reading metadata list %1").arg(n));
                const RecordsetPtr rsItems = blnFromXml
                    ? fncLoadRecordsetFromXml(base + QStringLiteral("/HVMeta%1.xml").arg(n))
                    : fncReturnRecordset(
                          QStringLiteral("select * from tblMeta%1 order by strName").arg(n), blnReadOnly);
                const QString strDefault = n == 1 ? fncPhrase("LNGCUSTOMER")
                    : n == 2                     ? fncPhrase("LNGTASK")
                                                 : QString();
                if (blnFromXml && !rsItems)
                    return fncNoSet(QStringLiteral("HVMeta%1.xml").arg(n));
                cMetaDictionary dic;
                if (rsItems)
                    dic.ReadFromRecordset(*rsItems);
                dic.Index = static_cast<qint16>(n);
                if (!rsLists || rsLists->Eof()) {
                    dic.Caption = strDefault;
                    if (rsLists) {
                        rsLists->AddNew();
                        rsLists->SetValue(QStringLiteral("strMetaListCaption"), fncStored(strDefault));
                        rsLists->Update();
                    }
                } else {
                    // Null captions read as empty text.
                    dic.Caption = fncText(rsLists->Value(QStringLiteral("strMetaListCaption")));
                    dic.CategoryCaption = fncText(rsLists->Value(QStringLiteral("strMetaListCategoryCaption")));
                    dic.SuperCategoryCaption
                        = fncText(rsLists->Value(QStringLiteral("strMetaListSuperCategoryCaption")));
                }
                MetaDataLists.Add(QStringLiteral("Meta%1").arg(n), std::move(dic));
                if (rsLists && !rsLists->Eof())
                    rsLists->MoveNext();
            }
        }
        const RecordsetPtr rsOther = fncReturnRecordset(QStringLiteral("tblOtherSettings"), true);
        OtherSettings.FromRS(rsOther.get());
    } catch (...) {
        subHandleCurrentException(QStringLiteral("subSetupDBObjects"));
    }
}

bool cGlobalSettings::fncCheckFilledOut() const
{
    if (MetaDataLists.isEmpty())
        return false;
    return MetaDataLists.At(0).second.MetaDic.Count() > 0 && ReportTo != 0 && CostCarrier != 0
        && !ReportToValue.isEmpty();
}

QString cGlobalSettings::SaveGlobalSettings()
{
    bool blnInTransaction = false;
    try {
        if (!fncCheckFilledOut())
            return fncPhrase("LNGFAILEDSAVESETTINGS") + strCrLf + fncPhrase("LNGALLVALUESNOTFILLEDOUT");

        subLog(QStringLiteral("Saving the common settings"));
        std::unique_ptr<cCommand> command = fncCreateCommand();
        if (!command)
            throw cHVError(lngObjectError + 3001, QStringLiteral("cGlobalSettings"),
                QStringLiteral("No database connection to save the common settings"));

        // Every question is asked before anything is written, so no transaction waits on the
        // user; the answers are carried out below in the order the rows were stored.
        QList<cListWork> lists;
        for (int i = 0; i < MetaDataLists.Count(); ++i) {
            const int n = i + 1;
            cMetaDictionary& dic = MetaDataLists.ItemAt(i);
            cListWork work;
            work.strIdColumn = QStringLiteral("intMeta%1ID").arg(n);
            const QString source = QStringLiteral("tblMeta%1").arg(n);
            subLog(QStringLiteral("Reading the stored values of ") + source);
            work.rs = fncRequireRecordset(fncReturnRecordset(source, false), source);
            cRecordset& rs = *work.rs;
            const int nameColumn = rs.FieldIndex(QStringLiteral("strName"));
            const int idColumn = rs.FieldIndex(work.strIdColumn);
            const int intRows = rs.RecordCount();
            QStringList colChoices;
            for (int pos = 0; pos < intRows; ++pos) {
                rs.Move(pos);
                const QString name = fncText(rs.Value(nameColumn));
                // The first row in table order whose name matches takes the item.
                if (!work.firstRowByName.contains(name))
                    work.firstRowByName.insert(name, pos);
                const QString folded = name.toCaseFolded();
                if (!work.firstRowByFoldedName.contains(folded))
                    work.firstRowByFoldedName.insert(folded, pos);
                if (dic.MetaDic.Exists(name))
                    continue;
                if (colChoices.isEmpty())
                    colChoices = dic.MetaDic.Keys();
                cRemovedRow removed;
                removed.intPosition = pos;
                removed.lngID = rs.Value(idColumn).toInt();
                QString strMoveTo;
                removed.intDecision = fncRemovedItemResolver().fncResolve(
                    name, fncPhrase("LNGCONFLICTVALUE"), colChoices, strMoveTo);
                removed.strMoveTo = strMoveTo;
                work.removed.append(removed);
            }
            lists.append(std::move(work));
        }

        subBeginTrans();
        blnInTransaction = true;
        for (int i = 0; i < lists.size(); ++i) {
            cListWork& work = lists[i];
            cRecordset& rs = *work.rs;
            cMetaDictionary& dic = MetaDataLists.ItemAt(i);
            subLog(QStringLiteral("Storing the values of list %1").arg(i + 1));
            const int nameColumn = rs.FieldIndex(QStringLiteral("strName"));
            const int categoryColumn = rs.FieldIndex(QStringLiteral("strCategory"));
            const int superColumn = rs.FieldIndex(QStringLiteral("strSuperCategory"));
            const int rateColumn = rs.FieldIndex(QStringLiteral("curRate"));
            const int enabledColumn = rs.FieldIndex(QStringLiteral("blnEnabled"));
            const int idColumn = rs.FieldIndex(work.strIdColumn);
            for (auto& entry : dic.MetaDic) {
                cMetaData& item = entry.second;
                const int pos = work.fncRowOf(item.MetaName());
                if (pos < 0) {
                    rs.AddNew();
                    rs.SetValue(nameColumn, fncStored(item.MetaName()));
                } else {
                    rs.Move(pos);
                    if (rs.Value(nameColumn).toString() != item.MetaName())
                        rs.SetValue(nameColumn, fncStored(item.MetaName()));
                }
                // Unchanged columns are left alone so an unchanged row costs no write.
                const auto setText = [&rs](int column, const QString& value) {
                    const QVariant stored = rs.Value(column);
                    if (stored.isNull() || stored.toString() != value)
                        rs.SetValue(column, fncStored(value));
                };
                setText(categoryColumn, item.Category);
                setText(superColumn, item.SuperCategory);
                const QVariant storedRate = rs.Value(rateColumn);
                if (storedRate.isNull() || fncCurrency(storedRate) != item.HourlyRate)
                    rs.SetValue(rateColumn, QVariant::fromValue(item.HourlyRate));
                const QVariant storedEnabled = rs.Value(enabledColumn);
                if (storedEnabled.isNull() || storedEnabled.toBool() != item.Enabled)
                    rs.SetValue(enabledColumn, item.Enabled);
                if (rs.EditPending())
                    rs.Update();
                item.ID = rs.Value(idColumn).toInt();
            }

            // Rows are deleted from the back so the positions of the others stay valid.
            std::sort(work.removed.begin(), work.removed.end(),
                [](const cRemovedRow& a, const cRemovedRow& b) { return a.intPosition > b.intPosition; });
            for (const cRemovedRow& removed : work.removed) {
                if (removed.intDecision == cRemovedItemResolver::intRemoveReports) {
                    subLog(QStringLiteral("Removing the time reports of a removed value"));
                    command->CommandText
                        = QStringLiteral("Delete from tblReports where ") + work.strIdColumn + QStringLiteral(" = ?");
                    command->Execute({ removed.lngID });
                } else if (removed.intDecision == cRemovedItemResolver::intMoveReports) {
                    subLog(QStringLiteral("Moving the time reports of a removed value to ") + removed.strMoveTo);
                    const qint32 target = dic.MetaDic.Item(removed.strMoveTo).ID;
                    command->CommandText = QStringLiteral("Update tblReports set ") + work.strIdColumn
                        + QStringLiteral(" = ? where ") + work.strIdColumn + QStringLiteral(" = ?");
                    command->Execute({ target, removed.lngID });
                } else {
                    continue;
                }
                rs.Move(removed.intPosition);
                rs.Delete();
            }
        }

        subLog(QStringLiteral("Saving the settings row"));
        m_rsSettings = fncRequireRecordset(fncReturnRecordset(QStringLiteral("tblSettings"), false),
            QStringLiteral("tblSettings"));
        if (m_rsSettings->RecordCount() > 0)
            m_rsSettings->MoveFirst();
        else
            m_rsSettings->AddNew();
        m_rsSettings->SetValue(QStringLiteral("intCostCarrier"), CostCarrier);
        m_rsSettings->SetValue(QStringLiteral("intReportTo"), ReportTo);
        m_rsSettings->SetValue(QStringLiteral("strReportToValue"), fncStored(ReportToValue));
        m_rsSettings->Update();

        subLog(QStringLiteral("Saving the captions of the metadata lists"));
        m_rsMetaLists = fncRequireRecordset(fncReturnRecordset(QStringLiteral("tblMetaLists"), false),
            QStringLiteral("tblMetaLists"));
        cRecordset& rsLists = *m_rsMetaLists;
        if (!rsLists.Eof())
            rsLists.MoveFirst();
        // Every list keeps its own row, also with an empty caption, so that the rows of the
        // lists after it stay theirs.
        for (const auto& entry : MetaDataLists) {
            const cMetaDictionary& dic = entry.second;
            if (rsLists.Eof())
                rsLists.AddNew();
            rsLists.SetValue(QStringLiteral("strMetaListCaption"), fncStored(dic.Caption));
            rsLists.SetValue(QStringLiteral("strMetaListCategoryCaption"), fncStored(dic.CategoryCaption));
            rsLists.SetValue(QStringLiteral("strMetaListSuperCategoryCaption"), fncStored(dic.SuperCategoryCaption));
            rsLists.Update();
            rsLists.MoveNext();
        }

        const RecordsetPtr rsOther = fncReturnRecordset(QStringLiteral("tblOtherSettings"), false);
        OtherSettings.ToRS(rsOther.get());

        subCommitTrans();
        blnInTransaction = false;

        if (!QFileInfo::exists(fncReportingProgramPath()) || ReportTo == 1)
            subGSToXML();

        command.reset();
        subCloseDBObjects();
        return QString();
    } catch (...) {
        if (blnInTransaction) {
            try {
                subRollbackTrans();
            } catch (const std::exception&) {
                // The connection is going away; the database drops the open transaction.
            }
        }
        subCloseDBObjects();
        subHandleCurrentException(QStringLiteral("fncSaveGlobalSettings"));
    }
}

void cGlobalSettings::subWriteXmlSet(const QString& strFolder,
    const std::array<cRecordset*, 3>& colLists, cRecordset* rsSettings, cRecordset* rsMetaLists)
{
    const QString folder = strFolder + QLatin1Char('/');
    QList<std::pair<QString, QByteArray>> files;
    for (int n = 1; n <= 3; ++n)
        files.append({ folder + QStringLiteral("HVMeta%1.xml").arg(n),
            fncRecordsetToXml(*colLists[n - 1]) });
    // The files are there to be shared: a server connection goes out without its password.
    if (rsSettings)
        files.append({ folder + QStringLiteral("HVSettings.xml"),
            fncRecordsetToXml(*rsSettings, { QStringLiteral("strReportToValue") }) });
    if (rsMetaLists)
        files.append(
            { folder + QStringLiteral("HVMetaLists.xml"), fncRecordsetToXml(*rsMetaLists) });
    subReplaceFiles(files);
}

void cGlobalSettings::subGSToXML()
{
    const QString folder = fncExportFolder();
    try {
        subLog(QStringLiteral("Saving the current Common Settings to xml in the path ") + folder
            + QLatin1Char('/'));
        std::array<RecordsetPtr, 3> lists;
        for (int n = 1; n <= 3; ++n) {
            const QString source = QStringLiteral("Select strName from tblMeta%1").arg(n);
            lists[n - 1] = fncRequireRecordset(fncReturnRecordset(source, true), source);
        }
        subWriteXmlSet(folder, { lists[0].get(), lists[1].get(), lists[2].get() },
            m_rsSettings.get(), m_rsMetaLists.get());
    } catch (const cHVError& e) {
        // The database is committed: the user hears of the export, and the save goes on.
        subLog(QStringLiteral("The XML export failed: ") + e.Description());
        cMessageBox::Show(fncPhrase("LNGEXPORTFAILED") + strCrLf + strCrLf + fncMaskPasswords(e.Description()),
            cMessageBox::Buttons::Ok, cMessageBox::Icon::Warning);
    }
}

void cGlobalSettings::subCloseDBObjects()
{
    try {
        if (m_rsSettings)
            m_rsSettings->Close();
    } catch (const std::exception&) {
    }
    m_rsSettings.reset();
    m_rsMetaLists.reset();
    try {
        subCloseConnection();
    } catch (const std::exception&) {
    }
}
