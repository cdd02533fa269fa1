#include "cGlobalSettings.h"

#include "cHVError.h"
#include "cMessageBox.h"
#include "cPersonalSettings.h"
#include "cRemovedItemResolver.h"
#include "modConnectionString.h"
#include "modDBCode.h"
#include "modErrorHandling.h"
#include "modFileHandling.h"
#include "modKeyFolding.h"
#include "modPhrases.h"
#include "modXMLExport.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>

namespace {
const QString strCrLf = QStringLiteral("\r\n");

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

// A list's items by their row identity: what a save reconciles against.
QHash<qint32, cMetaData> fncItemsById(const cDictionary<cMetaData>& list)
{
    QHash<qint32, cMetaData> rows;
    rows.reserve(list.Count());
    for (const auto& item : list)
        rows.insert(item.second.ID, item.second);
    return rows;
}

// The items of list n (1-based) as the window shows them. A local database reads them in the
// order of the index that keeps their names unique, lower(strName): the order of the column's
// NOCASE collation, without sorting the whole list on every read.
QString fncListItemsQuery(int n, const cConnection* conn)
{
    const bool blnLocal = conn && conn->Engine() == eEngine::SQLite;
    return QStringLiteral("select * from tblMeta%1 order by %2")
        .arg(n)
        .arg(blnLocal ? QStringLiteral("lower(strName)") : QStringLiteral("strName"));
}

constexpr qint32 lngNameTaken = lngObjectError + 3010;
int intBusyTimeoutSeconds = 15;
std::function<void()>& lockedHook()
{
    static std::function<void()> hook;
    return hook;
}

// An item's stored values, compared field by field.
struct cRow
{
    qint32 lngID = 0;
    QString strName;
    QString strCategory;
    QString strSuper;
    cCurrency curRate;
    bool blnEnabled = false;

    bool fncSameValues(const cRow& o) const
    {
        return strName == o.strName && strCategory == o.strCategory && strSuper == o.strSuper
            && curRate == o.curRate && blnEnabled == o.blnEnabled;
    }
};

cRow fncRowOf(const cMetaData& m)
{
    return { m.ID, m.MetaName(), m.Category, m.SuperCategory, m.HourlyRate, m.Enabled };
}

cMetaData fncItemOf(const cRow& r)
{
    cMetaData m;
    m.ID = r.lngID;
    m.setMetaName(r.strName);
    m.Category = r.strCategory;
    m.SuperCategory = r.strSuper;
    m.HourlyRate = r.curRate;
    m.Enabled = r.blnEnabled;
    return m;
}

QString fncDescribe(const cRow* r)
{
    if (!r)
        return fncPhrase("LNGSAVEREMOVED");
    return QStringList { r->strName, r->strCategory, r->strSuper, r->curRate.toInvariantString(),
        r->blnEnabled ? QStringLiteral("\u2713") : QStringLiteral("\u2013") }
        .join(QStringLiteral(" | "));
}

// Three-way merge of one field: a side that kept the loaded value takes the other side's.
// False when both changed it differently; out then holds the side the answer chose.
template <typename T>
bool fncMerge(const T& loaded, const T& mine, const T& stored, bool blnKeepMine, T& out)
{
    if (mine == loaded || mine == stored) {
        out = stored;
        return true;
    }
    if (stored == loaded) {
        out = mine;
        return true;
    }
    out = blnKeepMine ? mine : stored;
    return false;
}

// The stored rows of one list, read inside the save's transaction.
struct cStored
{
    QHash<qint32, cRow> rows;

    // The rows not among colClaimed by name, built at the first question: most saves ask none.
    // A name of a claimed row would be passed over anyway, so those are left out.
    const QHash<cFoldedKey, qint32>& idByFoldedName(const QSet<qint32>& colClaimed) const
    {
        if (!m_blnByName) {
            m_blnByName = true;
            for (const cRow& r : rows) {
                if (!colClaimed.contains(r.lngID))
                    m_byName.insert(cFoldedKey { r.strName }, r.lngID);
            }
        }
        return m_byName;
    }

private:
    mutable QHash<cFoldedKey, qint32> m_byName;
    mutable bool m_blnByName = false;
};

cStored fncReadStored(cConnection& conn, int n)
{
    cStored st;
    const RecordsetPtr rs
        = conn.OpenRecordset(QStringLiteral("select intMeta%1ID, strName, strCategory, "
                                            "strSuperCategory, curRate, blnEnabled from tblMeta%1")
                                 .arg(n),
            true);
    st.rows.reserve(rs->RecordCount());
    for (; !rs->Eof(); rs->MoveNext()) {
        cRow r;
        r.lngID = rs->Value(0).toInt();
        r.strName = fncNullToText(rs->Value(1));
        r.strCategory = fncNullToText(rs->Value(2));
        r.strSuper = fncNullToText(rs->Value(3));
        r.curRate = fncCurrency(rs->Value(4));
        r.blnEnabled = rs->Value(5).toBool();
        st.rows.emplace(r.lngID, std::move(r));
    }
    return st;
}

// Other programs' saves wait here until this one ends; readers and report writers do not.
void subLockForSave(cConnection& conn)
{
    static const QStringList tables { QStringLiteral("tblMeta1"), QStringLiteral("tblMeta2"),
        QStringLiteral("tblMeta3"), QStringLiteral("tblSettings"), QStringLiteral("tblMetaLists"),
        QStringLiteral("tblOtherSettings") };
    switch (conn.Engine()) {
    case eEngine::SQLite:
        break; // the transaction began with the file's write lock
    case eEngine::PostgreSQL:
        conn.Execute(QStringLiteral("lock table ") + tables.join(QStringLiteral(", "))
            + QStringLiteral(" in share row exclusive mode"));
        break;
    case eEngine::SqlServer:
        for (const QString& t : tables)
            conn.Execute(
                QStringLiteral("select count(*) from %1 with (updlock, tablock, holdlock)").arg(t));
        break;
    }
}

// A removed item's fate as the user decided it before the save.
struct cRemoval
{
    qint32 intDecision = cRemovedItemResolver::intCancelled;
    QString strMoveTo;
};

// A change of this user and of someone else to one item that the user must settle.
struct cConflict
{
    QString strKey;
    QString strItem;
    QString strList;
    QString strMine;
    QString strStored;
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

bool cGlobalSettings::ReadGlobalSettings(
    qint32 lngKind, const QString& strPath, bool blnFirstListOnly)
{
    bool blnResult = false;
    try {
        ReportTo = lngKind;
        m_colUnread.clear();
        subSetupDBObjects(true, lngKind == 1, strPath, blnFirstListOnly);
        blnResult = MetaDataLists.Count() > 0;
        // What the next save reconciles against. Lists from files carry no row identities.
        m_blnLoadedFromDatabase = lngKind != 1;
        m_colLoaded.clear();
        // Kept as read (shared, not copied) and indexed by identity only when a save needs it.
        m_colLoadedLists.clear();
        for (const auto& entry : MetaDataLists)
            m_colLoadedLists.append(entry.second.MetaDic);
        if (const ConnectionPtr conn = fncSharedConnection())
            m_strConnection = conn->ConnectionString();
        else
            m_colUnread.clear();
    } catch (...) {
        subCloseDBObjects();
        subHandleCurrentException(QStringLiteral("fncReadGlobalSettings"));
    }
    subCloseDBObjects();
    return blnResult;
}

QString cGlobalSettings::LoadList(int intPos)
{
    if (!m_colUnread.contains(intPos))
        return QString();
    try {
        subReadList(*cConnection::Open(m_strConnection, intBusyTimeoutSeconds), intPos);
        return QString();
    } catch (const cHVError& e) {
        // The window stays as it is: a server gone for a moment must not cost the user's edits.
        subLog(QStringLiteral("Metadata list %1 was not read: ").arg(intPos + 1)
            + fncMaskPasswords(e.Description()));
        return fncPhrase("LNGCONNECTIONFAILED") + strCrLf + strCrLf
            + fncMaskPasswords(e.Description());
    }
}

void cGlobalSettings::subReadList(cConnection& conn, int intPos)
{
    subLog(QStringLiteral("Reading metadata list %1").arg(intPos + 1));
    const RecordsetPtr rs = conn.OpenRecordset(fncListItemsQuery(intPos + 1, &conn), true);
    cMetaDictionary& dic = MetaDataLists.ItemAt(intPos);
    dic.MetaDic = fncCreateDic<cMetaData>();
    dic.ReadFromRecordset(*rs);
    // What the save reconciles this list against: what was just read, from now on.
    if (!m_colLoadedLists.isEmpty())
        m_colLoadedLists[intPos] = dic.MetaDic;
    else
        m_colLoaded[intPos] = fncItemsById(dic.MetaDic);
    m_colUnread.remove(intPos);
}

void cGlobalSettings::subSetupDBObjects(
    bool blnReadOnly, bool blnFromXml, const QString& strPath, bool blnFirstListOnly)
{
    try {
        subLog(QStringLiteral("Reading the common settings"));
        MetaDataLists = fncCreateDic<cMetaDictionary>();
        const QString base = fncStripTrailingSlash(strPath);
        m_rsSettings = blnFromXml
            ? fncLoadRecordsetFromXml(base + QStringLiteral("/HVSettings.xml"))
            : fncReturnRecordset(QStringLiteral("tblSettings"), blnReadOnly);
        if (m_rsSettings) {
            cRecordset& rsSettings = *m_rsSettings;
            if (!rsSettings.Eof()) {
                CostCarrier = rsSettings.Value(1).toInt();
                ReportTo = rsSettings.Value(2).toInt();
                ReportToValue = fncNullToText(rsSettings.Value(3));
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
                subLog(QStringLiteral("The published file ") + strFile
                    + QStringLiteral(" cannot be read"));
                MetaDataLists = fncCreateDic<cMetaDictionary>();
            };
            if (blnFromXml && !m_rsMetaLists)
                return fncNoSet(QStringLiteral("HVMetaLists.xml"));
            cRecordset* rsLists = m_rsMetaLists.get();
            for (int n = 1; n <= 3; ++n) {
                const bool blnLater = blnFirstListOnly && !blnFromXml && n > 1;
                if (!blnLater)
                    subLog(QStringLiteral("Reading metadata list %1").arg(n));
                const RecordsetPtr rsItems = blnLater ? nullptr
                    : blnFromXml
                    ? fncLoadRecordsetFromXml(base + QStringLiteral("/HVMeta%1.xml").arg(n))
                    : fncReturnRecordset(
                        fncListItemsQuery(n, fncSharedConnection().get()), blnReadOnly);
                const QString strDefault = n == 1 ? fncPhrase("LNGCUSTOMER")
                    : n == 2                      ? fncPhrase("LNGTASK")
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
                        rsLists->SetValue(
                            QStringLiteral("strMetaListCaption"), fncStored(strDefault));
                        rsLists->Update();
                    }
                } else {
                    // Null captions read as empty text.
                    dic.Caption
                        = fncNullToText(rsLists->Value(QStringLiteral("strMetaListCaption")));
                    dic.CategoryCaption = fncNullToText(
                        rsLists->Value(QStringLiteral("strMetaListCategoryCaption")));
                    dic.SuperCategoryCaption = fncNullToText(
                        rsLists->Value(QStringLiteral("strMetaListSuperCategoryCaption")));
                }
                MetaDataLists.Add(QStringLiteral("Meta%1").arg(n), std::move(dic));
                // Marked once the list exists: a load that fails halfway leaves no mark on a list
                // that is not there.
                if (blnLater)
                    m_colUnread.insert(n - 1);
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

struct cGlobalSettings::cSaveAnswers
{
    // Per list, the removed rows by identity; asked once per save.
    QList<QHash<qint32, cRemoval>> removed;
    bool blnRemovedAsked = false;
    // Conflict key -> keep this user's version.
    QHash<QString, bool> keepMine;
};

void cGlobalSettings::subSetBusyTimeout(int intSeconds)
{
    intBusyTimeoutSeconds = intSeconds;
}

void cGlobalSettings::subSetLockedHook(std::function<void()> hook)
{
    lockedHook() = std::move(hook);
}

QString cGlobalSettings::SaveGlobalSettings()
{
    if (!fncCheckFilledOut())
        return fncPhrase("LNGFAILEDSAVESETTINGS") + strCrLf + fncPhrase("LNGALLVALUESNOTFILLEDOUT");
    try {
        subLog(QStringLiteral("Saving the common settings"));
        cSaveAnswers answers;
        // A server that went away since the load gets one new connection; a busy local file
        // has already been waited for.
        const bool blnServer = !m_strConnection.isEmpty()
            && fncEngineOfConnectionString(m_strConnection) != eEngine::SQLite;
        for (int intAttempt = 1;; ++intAttempt) {
            try {
                subSaveOnce(answers);
                break;
            } catch (const cHVError& e) {
                subCloseDBObjects();
                subLog(QStringLiteral("The common settings were not saved: ")
                    + fncMaskPasswords(e.Description()));
                if (e.Number() == lngNameTaken)
                    return e.Description();
                if (!blnServer || intAttempt >= 2)
                    return fncPhrase("LNGSAVEFAILEDKEPT") + strCrLf + strCrLf
                        + fncMaskPasswords(e.Description());
            }
        }

        if (!QFileInfo::exists(fncReportingProgramPath()) || ReportTo == 1)
            subGSToXML();
        subCloseDBObjects();
        return QString();
    } catch (...) {
        subCloseDBObjects();
        subHandleCurrentException(QStringLiteral("fncSaveGlobalSettings"));
    }
}

void cGlobalSettings::subSaveOnce(cSaveAnswers& answers)
{
    ConnectionPtr conn;
    if (!m_strConnection.isEmpty()) {
        subLog(QStringLiteral("Opening the database the settings were read from"));
        conn = cConnection::Open(m_strConnection, intBusyTimeoutSeconds);
        subSetSharedConnection(conn);
    } else {
        subSetupConnection();
        conn = fncSharedConnection();
    }
    if (!conn)
        throw cHVError(lngObjectError + 3001, QStringLiteral("cGlobalSettings"),
            QStringLiteral("No database connection to save the common settings"));
    const int intLists = MetaDataLists.Count();
    // A list nobody has read is read now, so that it comes through the save as stored.
    for (int i = 0; i < intLists; ++i) {
        if (m_colUnread.contains(i))
            subReadList(*conn, i);
    }

    // What this save reconciles against: the lists as loaded, or (when they came from elsewhere)
    // the table as it is now.
    if (!m_colLoadedLists.isEmpty()) {
        m_colLoaded.clear();
        for (const cDictionary<cMetaData>& list : std::as_const(m_colLoadedLists))
            m_colLoaded.append(fncItemsById(list));
        m_colLoadedLists.clear();
    }
    QList<QHash<qint32, cMetaData>> loaded = m_colLoaded;
    if (!m_blnLoadedFromDatabase) {
        loaded.clear();
        for (int i = 0; i < intLists; ++i) {
            QHash<qint32, cMetaData> rows;
            const cStored st = fncReadStored(*conn, i + 1);
            for (const cRow& r : st.rows)
                rows.emplace(r.lngID, fncItemOf(r));
            loaded.append(rows);
        }
    }
    while (loaded.size() < intLists)
        loaded.append(QHash<qint32, cMetaData>());
    // Read only from here on (through at()): the hashes stay shared with m_colLoaded, uncopied.

    // Each current item's loaded row by its position in the list (0 for none): by identity, else
    // by name without regard to case.
    QList<QList<qint32>> colLoadedIdOf;
    QList<QSet<qint32>> colKeptIds;
    for (int i = 0; i < intLists; ++i) {
        // The loaded items no current item holds by identity, filled for the first item not
        // found by identity.
        QHash<cFoldedKey, qint32> byName;
        bool blnByName = false;
        const cMetaDictionary& dic = MetaDataLists.ItemAt(i);
        QList<qint32> idOf(dic.MetaDic.Count(), 0);
        QSet<qint32> taken;
        taken.reserve(dic.MetaDic.Count());
        int pos = 0;
        for (const auto& entry : dic.MetaDic) {
            const cMetaData& item = entry.second;
            if (m_blnLoadedFromDatabase && item.ID != 0 && loaded.at(i).contains(item.ID)
                && !taken.contains(item.ID)) {
                idOf[pos] = item.ID;
                taken.insert(item.ID);
            }
            ++pos;
        }
        pos = 0;
        for (const auto& entry : dic.MetaDic) {
            if (idOf.at(pos++) != 0)
                continue;
            if (!blnByName) {
                blnByName = true;
                for (const cMetaData& m : loaded.at(i)) {
                    if (!taken.contains(m.ID))
                        byName.insert(cFoldedKey { m.MetaName() }, m.ID);
                }
            }
            const qint32 id = byName.value(cFoldedKey { entry.first }, 0);
            if (id != 0 && !taken.contains(id)) {
                idOf[pos - 1] = id;
                taken.insert(id);
            }
        }
        colLoadedIdOf.append(idOf);
        colKeptIds.append(taken);
    }

    // Every question about a removed item is asked before the transaction, so none waits on the
    // user.
    if (!answers.blnRemovedAsked) {
        for (int i = 0; i < intLists; ++i) {
            QHash<qint32, cRemoval> removed;
            const QSet<qint32>& kept = colKeptIds[i];
            QStringList colChoices;
            QHash<qint32, int>
                reportCounts; // read once, when the first removed item is asked about
            QList<qint32> ids = loaded.at(i).keys();
            std::sort(ids.begin(), ids.end());
            for (const qint32 id : ids) {
                if (kept.contains(id))
                    continue;
                if (colChoices.isEmpty())
                    colChoices = MetaDataLists.ItemAt(i).MetaDic.Keys();
                cRemoval r;
                if (reportCounts.isEmpty()) {
                    const RecordsetPtr rs = conn->OpenRecordset(
                        QStringLiteral(
                            "select intMeta%1ID, count(*) from tblReports group by intMeta%1ID")
                            .arg(i + 1),
                        true);
                    for (; !rs->Eof(); rs->MoveNext())
                        reportCounts.insert(rs->Value(0).toInt(), rs->Value(1).toInt());
                    reportCounts.insert(0, 0);
                }
                r.intDecision = fncRemovedItemResolver().fncResolve(
                    loaded.at(i).value(id).MetaName(), fncPhrase("LNGCONFLICTVALUE"),
                    reportCounts.value(id, 0), colChoices, r.strMoveTo);
                removed.insert(id, r);
            }
            answers.removed.append(removed);
        }
        answers.blnRemovedAsked = true;
    }

    // The outcome for one list, carried out when no question is open.
    struct cPlan
    {
        QList<cRow> updates;
        QList<QPair<int, cRow>> inserts; // position in the list, values
        QList<QPair<qint32, cRemoval>> removals;
        QList<cRow> result; // by position in the list: the values stored for the item
        QSet<int> dropped; // positions of items whose rows others removed
        QList<cRow> kept; // removed here, but changed by others: kept as stored
        qint32 lngMaxId = 0; // the highest stored identity before this save
    };

    for (;;) {
        QList<cPlan> plans;
        QList<cConflict> open;
        conn->BeginTrans();
        try {
            subLockForSave(*conn);
            if (lockedHook())
                lockedHook()();
            for (int i = 0; i < intLists; ++i) {
                const int n = i + 1;
                const cMetaDictionary& dic = MetaDataLists.ItemAt(i);
                const cStored st = fncReadStored(*conn, n);
                cPlan plan;
                for (auto it = st.rows.cbegin(); it != st.rows.cend(); ++it)
                    plan.lngMaxId = std::max(plan.lngMaxId, it.key());
                const auto keepMine = [&](const QString& strKind, const cRow* mine,
                                          const cRow* stored, qint32 id, bool& blnAnswered) {
                    const QString key = QStringLiteral("%1|%2|%3|%4|%5")
                                            .arg(n)
                                            .arg(id)
                                            .arg(strKind, fncDescribe(mine), fncDescribe(stored));
                    blnAnswered = answers.keepMine.contains(key);
                    if (!blnAnswered)
                        open.append({ key, mine ? mine->strName : stored->strName, dic.Caption,
                            fncDescribe(mine), fncDescribe(stored) });
                    return answers.keepMine.value(key, true);
                };
                QSet<qint32> claimed = colKeptIds[i];
                plan.result.resize(dic.MetaDic.Count());
                int pos = -1;
                for (const auto& entry : dic.MetaDic) {
                    ++pos;
                    const cRow mine = fncRowOf(entry.second);
                    const qint32 loadedId = colLoadedIdOf[i].at(pos);
                    bool blnAnswered = true;
                    if (loadedId == 0) {
                        // New here; someone else may have stored the same name meanwhile.
                        const qint32 storedId = st.idByFoldedName(colKeptIds[i])
                                                    .value(cFoldedKey { mine.strName }, 0);
                        if (storedId == 0 || claimed.contains(storedId)) {
                            plan.inserts.append({ pos, mine });
                            plan.result[pos] = mine;
                            continue;
                        }
                        claimed.insert(storedId);
                        const cRow& stored = st.rows[storedId];
                        cRow merged = mine;
                        merged.lngID = storedId;
                        if (!stored.fncSameValues(mine)
                            && !keepMine(
                                QStringLiteral("same"), &mine, &stored, storedId, blnAnswered))
                            merged = stored;
                        if (!merged.fncSameValues(stored))
                            plan.updates.append(merged);
                        plan.result[pos] = merged;
                        continue;
                    }
                    const cRow base = fncRowOf(*loaded.at(i).constFind(loadedId));
                    const auto found = st.rows.constFind(loadedId);
                    if (found == st.rows.cend()) {
                        // Someone else removed it: gone, unless this user changed it and keeps it.
                        if (!mine.fncSameValues(base)
                            && keepMine(
                                QStringLiteral("gone"), &mine, nullptr, loadedId, blnAnswered)) {
                            plan.inserts.append({ pos, mine });
                            plan.result[pos] = mine;
                        } else {
                            plan.dropped.insert(pos);
                        }
                        continue;
                    }
                    const cRow& stored = *found;
                    if (mine.fncSameValues(base) && stored.fncSameValues(base)) {
                        plan.result[pos] = stored; // most items: nobody changed them
                        continue;
                    }
                    bool blnKeep = true;
                    if (!stored.fncSameValues(base) && !mine.fncSameValues(base)
                        && !mine.fncSameValues(stored))
                        blnKeep = keepMine(
                            QStringLiteral("both"), &mine, &stored, loadedId, blnAnswered);
                    cRow merged;
                    merged.lngID = loadedId;
                    fncMerge(base.strName, mine.strName, stored.strName, blnKeep, merged.strName);
                    fncMerge(base.strCategory, mine.strCategory, stored.strCategory, blnKeep,
                        merged.strCategory);
                    fncMerge(
                        base.strSuper, mine.strSuper, stored.strSuper, blnKeep, merged.strSuper);
                    fncMerge(base.curRate, mine.curRate, stored.curRate, blnKeep, merged.curRate);
                    fncMerge(base.blnEnabled, mine.blnEnabled, stored.blnEnabled, blnKeep,
                        merged.blnEnabled);
                    const qint32 owner = fncSameKey(merged.strName, stored.strName)
                        ? loadedId
                        : st.idByFoldedName(colKeptIds[i])
                              .value(cFoldedKey { merged.strName }, loadedId);
                    if (owner != loadedId && !claimed.contains(owner))
                        throw cHVError(lngNameTaken, QStringLiteral("cGlobalSettings"),
                            fncPhrase("LNGSAVENAMETAKEN").arg(merged.strName, dic.Caption));
                    if (!merged.fncSameValues(stored))
                        plan.updates.append(merged);
                    plan.result[pos] = merged;
                }
                for (auto it = answers.removed[i].cbegin(); it != answers.removed[i].cend(); ++it) {
                    const auto found = st.rows.constFind(it.key());
                    if (found == st.rows.cend() || claimed.contains(it.key())
                        || it->intDecision == cRemovedItemResolver::intCancelled)
                        continue;
                    const cRow base = fncRowOf(loaded.at(i).value(it.key()));
                    bool blnAnswered = true;
                    if (!found->fncSameValues(base)
                        && !keepMine(
                            QStringLiteral("removed"), nullptr, &*found, it.key(), blnAnswered)) {
                        plan.kept.append(*found);
                        continue;
                    }
                    plan.removals.append({ it.key(), *it });
                }
                plans.append(plan);
            }

            if (!open.isEmpty()) {
                // The questions are asked with the transaction ended; the next round sees the
                // rows again and asks only about what changed once more.
                conn->RollbackTrans();
                for (const cConflict& c : open) {
                    const cMessageBox::Answer a
                        = cMessageBox::Show(fncPhrase("LNGSAVECONFLICT")
                                                .arg(c.strItem, c.strList, c.strMine, c.strStored),
                            cMessageBox::Buttons::YesNo, cMessageBox::Icon::Question);
                    answers.keepMine.insert(c.strKey, a == cMessageBox::Answer::Yes);
                }
                continue;
            }

            for (int i = 0; i < intLists; ++i) {
                const int n = i + 1;
                cPlan& plan = plans[i];
                const cMetaDictionary& dic = MetaDataLists.ItemAt(i);
                subLog(QStringLiteral("Storing the values of list %1").arg(n));
                const QString strColumns
                    = QStringLiteral("strName, strCategory, strSuperCategory, curRate, blnEnabled");
                const auto values = [](const cRow& r) {
                    return QVariantList { fncStored(r.strName), fncStored(r.strCategory),
                        fncStored(r.strSuper), QVariant::fromValue(r.curRate), r.blnEnabled };
                };
                for (const cRow& r : plan.updates) {
                    QVariantList params = values(r);
                    params.append(r.lngID);
                    conn->Execute(
                        QStringLiteral("update tblMeta%1 set strName = ?, strCategory = ?, "
                                       "strSuperCategory = ?, "
                                       "curRate = ?, blnEnabled = ? where intMeta%1ID = ?")
                            .arg(n),
                        params);
                }
                for (const auto& [pos, r] : plan.inserts)
                    conn->Execute(
                        QStringLiteral("insert into tblMeta%1 (%2) values (?, ?, ?, ?, ?)")
                            .arg(n)
                            .arg(strColumns),
                        values(r));
                const QString strId = QStringLiteral("intMeta%1ID").arg(n);
                // New rows get the identities just given to them: above every stored one, as no
                // other save runs.
                if (!plan.inserts.isEmpty()) {
                    QHash<cFoldedKey, qint32> newIds;
                    const RecordsetPtr rs = conn->OpenRecordset(
                        QStringLiteral("select %1, strName from tblMeta%2 where %1 > %3")
                            .arg(strId)
                            .arg(n)
                            .arg(plan.lngMaxId),
                        true);
                    for (; !rs->Eof(); rs->MoveNext())
                        newIds.insert(
                            cFoldedKey { fncNullToText(rs->Value(1)) }, rs->Value(0).toInt());
                    for (const auto& [pos, r] : plan.inserts)
                        plan.result[pos].lngID = newIds.value(cFoldedKey { r.strName }, 0);
                }
                for (const auto& [id, removal] : plan.removals) {
                    if (removal.intDecision == cRemovedItemResolver::intRemoveReports) {
                        subLog(QStringLiteral("Removing the time reports of a removed value"));
                        conn->Execute(
                            QStringLiteral("delete from tblReports where %1 = ?").arg(strId),
                            { id });
                    } else {
                        subLog(QStringLiteral("Moving the time reports of a removed value to ")
                            + removal.strMoveTo);
                        const int pos = dic.MetaDic.IndexOf(removal.strMoveTo);
                        const qint32 target = pos >= 0 && !plan.dropped.contains(pos)
                            ? plan.result.at(pos).lngID
                            : 0;
                        if (target == 0)
                            throw cHVError(lngObjectError + 3011, QStringLiteral("cGlobalSettings"),
                                QStringLiteral(
                                    "The value '%1' to move time reports to is no longer stored.")
                                    .arg(removal.strMoveTo));
                        conn->Execute(
                            QStringLiteral("update tblReports set %1 = ? where %1 = ?").arg(strId),
                            { target, id });
                    }
                    conn->Execute(
                        QStringLiteral("delete from tblMeta%1 where %2 = ?").arg(n).arg(strId),
                        { id });
                }
            }

            subLog(QStringLiteral("Saving the settings row"));
            m_rsSettings = conn->OpenRecordset(QStringLiteral("tblSettings"), false);
            if (m_rsSettings->RecordCount() > 0)
                m_rsSettings->MoveFirst();
            else
                m_rsSettings->AddNew();
            m_rsSettings->SetValue(QStringLiteral("intCostCarrier"), CostCarrier);
            m_rsSettings->SetValue(QStringLiteral("intReportTo"), ReportTo);
            m_rsSettings->SetValue(QStringLiteral("strReportToValue"), fncStored(ReportToValue));
            m_rsSettings->Update();

            subLog(QStringLiteral("Saving the captions of the metadata lists"));
            m_rsMetaLists = conn->OpenRecordset(QStringLiteral("tblMetaLists"), false);
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
                rsLists.SetValue(
                    QStringLiteral("strMetaListCategoryCaption"), fncStored(dic.CategoryCaption));
                rsLists.SetValue(QStringLiteral("strMetaListSuperCategoryCaption"),
                    fncStored(dic.SuperCategoryCaption));
                rsLists.Update();
                rsLists.MoveNext();
            }

            const RecordsetPtr rsOther
                = conn->OpenRecordset(QStringLiteral("tblOtherSettings"), false);
            OtherSettings.ToRS(rsOther.get());
            conn->CommitTrans();
        } catch (...) {
            if (conn->InTransaction()) {
                try {
                    conn->RollbackTrans();
                } catch (const std::exception&) {
                    // The connection is going away; the database drops the open transaction.
                }
            }
            throw;
        }

        // Only now does memory follow: the lists hold what was stored for them, and the next
        // save reconciles against that. In the usual case (every item kept its name and no
        // removed row was kept back) the lists themselves are that, shared, and are indexed only
        // if another save comes.
        QList<bool> colSameNames;
        bool blnShareLists = true;
        for (int i = 0; i < intLists; ++i) {
            const cMetaDictionary& dic = MetaDataLists.ItemAt(i);
            const cPlan& plan = plans[i];
            bool blnSameNames = plan.dropped.isEmpty() && plan.kept.isEmpty();
            for (int k = 0; blnSameNames && k < dic.MetaDic.Count(); ++k)
                blnSameNames = dic.MetaDic.At(k).first == plan.result.at(k).strName;
            colSameNames.append(blnSameNames);
            blnShareLists = blnShareLists && blnSameNames;
            for (auto it = answers.removed[i].cbegin(); it != answers.removed[i].cend(); ++it)
                blnShareLists = blnShareLists
                    && !(it->intDecision == cRemovedItemResolver::intCancelled
                        && loaded.at(i).contains(it.key()));
        }
        m_colLoaded.clear();
        m_colLoadedLists.clear();
        for (int i = 0; i < intLists; ++i) {
            cMetaDictionary& dic = MetaDataLists.ItemAt(i);
            const cPlan& plan = plans[i];
            const bool blnSameNames = colSameNames.at(i);
            if (blnShareLists) {
                for (int k = 0; k < dic.MetaDic.Count(); ++k)
                    dic.MetaDic.ItemAt(k) = fncItemOf(plan.result.at(k));
                m_colLoadedLists.append(dic.MetaDic);
                continue;
            }
            QHash<qint32, cMetaData> stored;
            stored.reserve(dic.MetaDic.Count());
            cDictionary<cMetaData> items = fncCreateDic<cMetaData>();
            for (int k = 0; k < dic.MetaDic.Count(); ++k) {
                const cRow& r = plan.result.at(k);
                if (blnSameNames) {
                    // Every item keeps its name, only values and identities change.
                    cMetaData& item = dic.MetaDic.ItemAt(k);
                    item = fncItemOf(r);
                    stored.insert(r.lngID, item);
                    continue;
                }
                if (plan.dropped.contains(k) || items.Exists(r.strName))
                    continue;
                items.Add(r.strName, fncItemOf(r));
                stored.emplace(r.lngID, fncItemOf(r));
            }
            for (const cRow& r : plan.kept) {
                if (!items.Exists(r.strName))
                    items.Add(r.strName, fncItemOf(r));
                stored.emplace(r.lngID, fncItemOf(r));
            }
            // Rows the user chose to keep stay loaded, so the next save asks about them again.
            for (auto it = answers.removed[i].cbegin(); it != answers.removed[i].cend(); ++it) {
                if (it->intDecision == cRemovedItemResolver::intCancelled
                    && loaded.at(i).contains(it.key()))
                    stored.insert(it.key(), loaded.at(i).value(it.key()));
            }
            if (!blnSameNames)
                dic.MetaDic = std::move(items);
            m_colLoaded.append(stored);
        }
        m_blnLoadedFromDatabase = true;
        m_strConnection = conn->ConnectionString();
        return;
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
        cMessageBox::Show(
            fncPhrase("LNGEXPORTFAILED") + strCrLf + strCrLf + fncMaskPasswords(e.Description()),
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
