#include "modDBCode.h"

#include "cConnectionDialogs.h"
#include "modConnectionString.h"
#include "modDBCreate.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cHVError.h>
#include <modErrorHandling.h>
#include <modFileHandling.h>
#include <modPhrases.h>
#include <modProgramEnd.h>

QString strDataFolder;
bool blnSingleUser = true;

namespace {

constexpr qint32 lngEFail = static_cast<qint32>(0x80004005u);
constexpr qint32 lngEUnexpected = static_cast<qint32>(0x8000FFFFu);

ConnectionPtr& shared()
{
    static ConnectionPtr conn;
    return conn;
}

struct cDestination
{
    qint32 ownReportTo = 0;
    QString ownReportToValue;
    qint32* pReportTo = nullptr;
    QString* pReportToValue = nullptr;
};

cDestination& destination()
{
    static cDestination d;
    return d;
}

std::shared_ptr<cConnectionDialogs>& dialogs()
{
    static std::shared_ptr<cConnectionDialogs> d;
    return d;
}

cConnectionDialogs& requireDialogs()
{
    if (!dialogs())
        throw cHVError(lngObjectError + 3100, QStringLiteral("modDBCode"),
            QStringLiteral("No database was found and there is no way to ask where it is."));
    return *dialogs();
}

// Opens a connection, once more after a transient failure.
ConnectionPtr openConnection(const QString& strConnection)
{
    for (int attempt = 0;; ++attempt) {
        try {
            subLog(QStringLiteral(
                       "Trying to open a connection to the database with the connection string ")
                + fncMaskPasswords(strConnection));
            return cConnection::Open(strConnection);
        } catch (const cHVError& e) {
            if (attempt > 0 || (e.Number() != lngEFail && e.Number() != lngEUnexpected))
                throw;
        }
    }
}

// A server database becomes the shared connection once it is brought up to date.
void useServerDatabase(const QString& strConnection)
{
    ReportTo() = 3;
    ReportToValue() = strConnection;
    const ConnectionPtr conn = openConnection(strConnection);
    subCheckSQLUpgrade(*conn);
    subSetSharedConnection(conn);
}

// The result of a server choice: stored in the connection file, then brought up to date.
QString useServerConnection(const QString& strConnection)
{
    // An empty result (the logon was cancelled) leaves everything as it was.
    if (strConnection.isEmpty())
        return QString();
    subWriteConnectionFile(fncConnectionFilePath(), strConnection);
    useServerDatabase(strConnection);
    return strConnection;
}

// The connection file holds one connection string that begins with its provider; anything
// else is reported with the file's name rather than tried.
void checkConnectionFile(const QString& strFile, const QString& strText)
{
    bool blnKnown = strText.startsWith(QLatin1String("Pro"));
    try {
        if (blnKnown)
            fncEngineOfConnectionString(strText);
    } catch (const cHVError&) {
        blnKnown = false;
    }
    if (!blnKnown)
        throw cHVError(lngObjectError + 3104, QStringLiteral("fncGetConnection"),
            fncPhrase("LNGDBCONNFILENOPROVIDER").arg(strFile));
}

} // namespace

void subBindReportDestination(qint32* pReportTo, QString* pReportToValue)
{
    destination().pReportTo = pReportTo;
    destination().pReportToValue = pReportToValue;
}

qint32& ReportTo()
{
    auto& d = destination();
    return d.pReportTo ? *d.pReportTo : d.ownReportTo;
}

QString& ReportToValue()
{
    auto& d = destination();
    return d.pReportToValue ? *d.pReportToValue : d.ownReportToValue;
}

void subSetConnectionDialogs(std::shared_ptr<cConnectionDialogs> d)
{
    dialogs() = std::move(d);
}
cConnectionDialogs* fncConnectionDialogs()
{
    return dialogs().get();
}

ConnectionPtr fncSharedConnection()
{
    return shared();
}

void subSetSharedConnection(ConnectionPtr conn)
{
    if (shared() && shared() != conn)
        shared()->Close();
    shared() = std::move(conn);
}

void subCloseConnection()
{
    if (shared())
        shared()->Close();
    shared().reset();
}

eEngine fncEngine()
{
    return shared() ? shared()->Engine() : eEngine::SQLite;
}
const cSqlDialect& fncDialect()
{
    return cSqlDialect::For(fncEngine());
}

QString fncAccessPath()
{
    return strDataFolder.trimmed() + QLatin1Char('/') + strAccessFileName;
}
QString fncConnectionFilePath()
{
    return strDataFolder + QLatin1Char('/') + strConnectionFileName;
}

void subWriteConnectionFile(const QString& strPath, const QString& strConnection)
{
    // The string may hold a password: only the owner may read the file, from its first byte on.
    try {
        subReplaceFile(
            strPath, strConnection.toLocal8Bit(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    } catch (const cHVError& e) {
        throw cHVError(lngObjectError + 3101, QStringLiteral("modDBCode"), e.Description());
    }
}

void subSetupConnection()
{
    subLog(QStringLiteral("Checking if the ADO connection is up or not"));
    if (shared())
        return;
    try {
        QString strConnection;
        if (ReportTo() == 3) {
            if (!ReportToValue().startsWith(QLatin1String("Pro")))
                fncGetConnection();
            strConnection = ReportToValue();
        } else {
            strConnection = fncGetConnection();
        }
        if (strConnection.isEmpty()) {
            subCloseConnection();
            return;
        }
        // Locating the database opened the very connection asked for.
        if (shared() && shared()->IsOpen() && shared()->ConnectionString() == strConnection)
            return;
        subSetSharedConnection(openConnection(strConnection));
    } catch (...) {
        subCloseConnection();
        subHandleCurrentException(QStringLiteral("subSetupConnection"));
    }
}

QString fncGetConnection()
{
    subLog(QStringLiteral("Checking if database .mdb file exists"));
    try {
        QString strAccessPath;
        bool blnAccessFound = false;
        for (;;) {
            if (strDataFolder.isEmpty())
                strDataFolder = QCoreApplication::applicationDirPath();
            if (strDataFolder.endsWith(QLatin1Char('/'))
                || strDataFolder.endsWith(QLatin1Char('\\')))
                strDataFolder.chop(1);
            strAccessPath = fncAccessPath();
            subLog(QStringLiteral("strAccessPath = ") + strAccessPath);
            subRefuseDanglingLink(strAccessPath);
            if (QFileInfo::exists(strAccessPath)) {
                blnAccessFound = true;
                break;
            }
            const QString strFile = fncConnectionFilePath();
            if (!QFileInfo::exists(strFile)) {
                if (!blnSingleUser)
                    return QString();
                break;
            }
            QFile f(strFile);
            if (!f.open(QIODevice::ReadOnly))
                throw cHVError(lngObjectError + 3102, QStringLiteral("fncGetConnection"),
                    QStringLiteral("Could not read '%1': %2").arg(strFile, f.errorString()));
            const QString text = QString::fromLocal8Bit(f.readAll());
            f.close();
            if (!text.isEmpty()) {
                checkConnectionFile(strFile, text);
                useServerDatabase(text);
                return text;
            }
            if (!QFile::remove(strFile))
                throw cHVError(lngObjectError + 3103, QStringLiteral("fncGetConnection"),
                    QStringLiteral("Could not delete the empty file '%1'.").arg(strFile));
        }

        if (blnAccessFound) {
            if (ReportTo() != 4 && ReportTo() != 1) {
                ReportTo() = 2;
                ReportToValue() = strAccessPath;
            }
            subSetSharedConnection(subCheckUpgrade(strAccessPath));
            return fncAccessConnectionString(strAccessPath);
        }

        const qint16 intChoice
            = requireDialogs().fncChooseConnection(QStringLiteral("CreateDBHV.sql"));
        switch (intChoice) {
        case 1:
            subCreateHVDatabase(strAccessPath);
            subSetSharedConnection(subCheckUpgrade(strAccessPath));
            ReportTo() = 2;
            ReportToValue() = strAccessPath;
            return fncAccessConnectionString(strAccessPath);
        case 2:
            return useServerConnection(fncCreateSQLDB(QStringLiteral("Hourvane3SQL")));
        case 3:
            return useServerConnection(
                requireDialogs().fncSQLLogon(QString(), false).strConnection);
        default:
            return QString();
        }
    } catch (...) {
        subHandleCurrentException(QStringLiteral("fncGetConnection"));
    }
}

RecordsetPtr fncReturnRecordset(
    const QString& strSource, bool blnReadOnly, bool blnReportErrors, bool blnBatch)
{
    // Every change is written through at once; batch mode keeps the same behaviour.
    Q_UNUSED(blnBatch);
    subSetupConnection();
    subLog(QStringLiteral(
        "Creating a new ADOB.Recordset. If this fails, please try re-installing MDAC"));
    subLog(QStringLiteral("Attempting to open a recordset from ") + strSource);
    const ConnectionPtr conn = shared();
    if (!conn)
        return nullptr;
    try {
        return conn->OpenRecordset(strSource, blnReadOnly);
    } catch (const cHVError&) {
        if (blnReportErrors)
            subHandleCurrentException(QStringLiteral("fncReturnRecordset"));
        return nullptr;
    }
}

std::unique_ptr<cCommand> fncCreateCommand()
{
    subLog(QStringLiteral("Creating a new ADODB.Command object"));
    try {
        subSetupConnection();
        if (!shared())
            return nullptr;
        return std::make_unique<cCommand>(shared());
    } catch (...) {
        subHandleCurrentException(QStringLiteral("fncCreateCommand"));
    }
}

void subBeginTrans()
{
    subSetupConnection();
    if (shared())
        shared()->BeginTrans();
}

void subCommitTrans()
{
    if (shared() && shared()->InTransaction())
        shared()->CommitTrans();
}

void subRollbackTrans()
{
    if (shared() && shared()->InTransaction())
        shared()->RollbackTrans();
}

void subResetDBState()
{
    subCloseConnection();
    dialogs().reset();
    destination() = cDestination();
    strDataFolder.clear();
    blnSingleUser = true;
}
