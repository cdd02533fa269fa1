#include "modDatabaseChoice.h"

#include "cConnectionDialogsQt.h"
#include "cHVError.h"
#include "cMessageBox.h"
#include "modConnectionString.h"
#include "modDBCode.h"
#include "modDBCreate.h"
#include "modErrorHandling.h"
#include "modPhrases.h"

#include <QFile>
#include <QFileInfo>

namespace {
const QString strCrLf = QStringLiteral("\r\n");

int fncCount(cConnection& conn, const QString& strTable)
{
    const RecordsetPtr rs
        = conn.OpenRecordset(QStringLiteral("select count(*) from ") + strTable, true);
    return rs->Value(0).toInt();
}

// Copies the rows of the columns from one database's table to the other's.
void subCopyRows(
    cConnection& from, cConnection& to, const QString& strTable, const QStringList& colColumns)
{
    const RecordsetPtr rs = from.OpenRecordset(
        QStringLiteral("select %1 from %2").arg(colColumns.join(QStringLiteral(", ")), strTable),
        true);
    QStringList marks;
    for (int i = 0; i < colColumns.size(); ++i)
        marks.append(QStringLiteral("?"));
    const QString insert = QStringLiteral("insert into %1 (%2) values (%3)")
                               .arg(strTable, colColumns.join(QStringLiteral(", ")),
                                   marks.join(QStringLiteral(", ")));
    for (; !rs->Eof(); rs->MoveNext()) {
        QVariantList values;
        for (int i = 0; i < colColumns.size(); ++i)
            values.append(rs->Value(i));
        to.Execute(insert, values);
    }
}

// A server database whose lists are empty gets the local common settings, when the user agrees
// to the counts shown; time reports stay local. All or nothing.
void subOfferCopy(cConnection& server)
{
    const QString strLocal = fncAccessPath();
    if (!QFileInfo::exists(strLocal))
        return;
    for (int n = 1; n <= 3; ++n) {
        if (fncCount(server, QStringLiteral("tblMeta%1").arg(n)) > 0)
            return;
    }
    const ConnectionPtr local = cConnection::Open(fncAccessConnectionString(strLocal));
    int counts[3] = {};
    for (int n = 1; n <= 3; ++n)
        counts[n - 1] = fncCount(*local, QStringLiteral("tblMeta%1").arg(n));
    if (counts[0] + counts[1] + counts[2] == 0)
        return;
    const int intOther = fncCount(*local, QStringLiteral("tblOtherSettings"));
    const QString question
        = fncPhrase("LNGCOPYTOSERVER").arg(counts[0]).arg(counts[1]).arg(counts[2]).arg(intOther);
    if (cMessageBox::Show(question, cMessageBox::Buttons::YesNo, cMessageBox::Icon::Question)
        != cMessageBox::Answer::Yes)
        return;
    subLog(QStringLiteral("Copying the local common settings to the server database"));
    server.BeginTrans();
    try {
        for (int n = 1; n <= 3; ++n)
            subCopyRows(*local, server, QStringLiteral("tblMeta%1").arg(n),
                { QStringLiteral("strName"), QStringLiteral("strCategory"),
                    QStringLiteral("strSuperCategory"), QStringLiteral("curRate"),
                    QStringLiteral("blnEnabled") });
        for (const QString& t : { QStringLiteral("tblMetaLists"), QStringLiteral("tblSettings"),
                 QStringLiteral("tblOtherSettings") })
            server.Execute(QStringLiteral("delete from ") + t);
        subCopyRows(*local, server, QStringLiteral("tblMetaLists"),
            { QStringLiteral("strMetaListCaption"), QStringLiteral("strMetaListCategoryCaption"),
                QStringLiteral("strMetaListSuperCategoryCaption") });
        // The settings row now names the server, as a save from it would.
        const RecordsetPtr rs
            = local->OpenRecordset(QStringLiteral("select intCostCarrier from tblSettings"), true);
        if (!rs->Eof())
            server.Execute(QStringLiteral("insert into tblSettings (intCostCarrier, intReportTo, "
                                          "strReportToValue) values (?, 3, ?)"),
                { rs->Value(0), server.ConnectionString() });
        subCopyRows(*local, server, QStringLiteral("tblOtherSettings"),
            { QStringLiteral("strPropName"), QStringLiteral("strPropValue") });
        server.CommitTrans();
    } catch (...) {
        if (server.InTransaction())
            server.RollbackTrans();
        throw;
    }
}
} // namespace

QString fncChosenServer()
{
    QFile f(fncConnectionFilePath());
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLocal8Bit(f.readAll()).trimmed();
}

QString fncDatabaseCaption(const QString& strServer)
{
    if (strServer.isEmpty())
        return fncAccessPath();
    const cDictionary<QString> parts = fncParseConnectionString(strServer);
    return parts.Value(QStringLiteral("Data Source")) + QStringLiteral(" / ")
        + parts.Value(QStringLiteral("Initial Catalog"));
}

bool fncOpenChosenDatabase()
{
    const QString strServer = fncChosenServer();
    if (strServer.isEmpty()) {
        const QString strDatabase = fncAccessPath();
        if (!QFileInfo::exists(strDatabase)) {
            subLog(QStringLiteral("Creating a new local database"));
            if (!subCreateHVDatabase(strDatabase))
                return false;
        }
        return true;
    }
    subLog(QStringLiteral("Opening the chosen server database ") + fncHidePassword(strServer));
    ReportTo() = 3;
    ReportToValue() = strServer;
    subSetupConnection();
    subCheckSQLUpgrade();
    return fncSharedConnection() != nullptr;
}

bool fncChooseDatabase()
{
    if (!fncConnectionDialogs())
        subSetConnectionDialogs(std::make_shared<cConnectionDialogsQt>());
    cConnectionDialogs& dialogs = *fncConnectionDialogs();
    const QString strCurrent = fncChosenServer();
    QString strServer;
    try {
        switch (dialogs.fncChooseConnection(QStringLiteral("CreateDBHV.sql"))) {
        case 1: {
            const QString strDatabase = fncAccessPath();
            if (!QFileInfo::exists(strDatabase) && !subCreateHVDatabase(strDatabase))
                return false;
            subCheckUpgrade(strDatabase);
            subCloseConnection();
            if (!strCurrent.isEmpty() && !QFile::remove(fncConnectionFilePath()))
                throw cHVError(lngObjectError + 4010, QStringLiteral("fncChooseDatabase"),
                    QStringLiteral("Could not delete '%1'.").arg(fncConnectionFilePath()));
            return !strCurrent.isEmpty();
        }
        case 2:
            strServer = fncCreateSQLDB(QStringLiteral("Hourvane3SQL"));
            break;
        case 3:
            strServer = dialogs.fncSQLLogon(strCurrent, false).strConnection;
            break;
        default:
            return false;
        }
        if (strServer.isEmpty())
            return false;
        subCloseConnection();
        const ConnectionPtr conn = cConnection::Open(strServer);
        subSetSharedConnection(conn);
        subCheckSQLUpgrade();
        subOfferCopy(*conn);
        subCloseConnection();
        subWriteConnectionFile(fncConnectionFilePath(), strServer);
        return strServer != strCurrent;
    } catch (const cHVError& e) {
        subCloseConnection();
        cMessageBox::Show(
            fncPhrase("LNGCONNECTIONFAILED") + strCrLf + fncMaskPasswords(e.Description()),
            cMessageBox::Buttons::Ok, cMessageBox::Icon::Critical);
        return false;
    }
}
