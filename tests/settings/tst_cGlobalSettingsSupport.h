#pragma once

#include "TestSupport.h"
#include "cConnection.h"
#include "cDbTestEngines.h"
#include "cMetaDictionary.h"
#include "cRemovedItemResolver.h"
#include "modConnectionString.h"
#include "modDBCode.h"
#include "modDBCreate.h"
#include "modPhrases.h"

#include <QQueue>

namespace hvglobaltest {

// Each item as "name ID enabled 'category' 'super-category' rate".
inline QStringList fncItems(const cMetaDictionary& dic)
{
    QStringList items;
    for (const auto& [name, e] : dic.MetaDic)
        items << QStringLiteral("%1 %2 %3 '%4' '%5' %6")
                     .arg(name)
                     .arg(e.ID)
                     .arg(e.Enabled)
                     .arg(e.Category, e.SuperCategory)
                     .arg(e.HourlyRate.tenThousandths());
    return items;
}

// Answers the removed-item questions in order and remembers what was asked.
class cScriptedResolver : public cRemovedItemResolver
{
public:
    struct Answer
    {
        qint32 intDecision;
        QString strMoveTo;
    };
    struct Question
    {
        QString strValue;
        QString strConflict;
        qint32 lngReportCount;
        QStringList colChoices;
    };

    QQueue<Answer> answers;
    QList<Question> asked;

    qint32 fncResolve(const QString& strValue, const QString& strConflict, qint32 lngReportCount,
        const QStringList& colChoices, QString& strMoveChoice) override
    {
        asked.append({ strValue, strConflict, lngReportCount, colChoices });
        if (answers.isEmpty()) {
            ADD_FAILURE() << "Unexpected question about " << strValue.toStdString();
            return intCancelled;
        }
        const Answer a = answers.dequeue();
        strMoveChoice = a.strMoveTo;
        return a.intDecision;
    }
};

// A fresh, current database of the engine, found by the program the way it finds its own:
// the database file in the data folder, or the server named by HourvaneConnection.txt there.
class cTestDatabase
{
public:
    explicit cTestDatabase(eEngine engine)
        : m_engine(engine)
    {
        m_connection = hvtest::fncFreshDatabase(engine);
        if (engine == eEngine::PostgreSQL) {
            strDataFolder = hvtest::newTempDir(QStringLiteral("data"));
            subWriteConnectionFile(fncConnectionFilePath(), m_connection);
        }
        m_folder = strDataFolder;
        blnSingleUser = true;
        subCloseConnection();
    }
    ~cTestDatabase() { subResetDBState(); }

    // What tblSettings holds for this database: where the common settings live.
    qint32 ReportTo() const { return m_engine == eEngine::PostgreSQL ? 3 : 2; }
    QString ReportToValue() const
    {
        return m_engine == eEngine::PostgreSQL ? m_connection : m_folder;
    }

    const QString& Folder() const { return m_folder; }

    // A connection of the test's own, beside the program's.
    ConnectionPtr fncOpen() const { return cConnection::Open(m_connection); }
    int fncExec(const QString& strSql, const QVariantList& params = {}) const
    {
        return fncOpen()->Execute(strSql, params);
    }
    // The rows of a select as texts ("" for null), columns joined by "|".
    QStringList fncRows(const QString& strSql) const
    {
        return hvtest::fncRows(m_connection, strSql);
    }
    // An enabled item of list n.
    void subAddItem(int n, const QString& strName, const QString& strCategory = QString()) const
    {
        fncExec(
            QStringLiteral("insert into tblMeta%1 (strName, strCategory, blnEnabled) values (?, "
                           "?, ?)")
                .arg(n),
            { strName, strCategory.isNull() ? QVariant() : strCategory, true });
    }
    // The settings row: costs counted by the person, the reports kept in this database.
    void subAddSettingsRow() const
    {
        fncExec(QStringLiteral("insert into tblSettings (intCostCarrier, intReportTo, "
                               "strReportToValue) values (1, ?, ?)"),
            { ReportTo(), ReportToValue() });
    }
    qint32 fncId(int n, const QString& strName) const
    {
        const QStringList r
            = fncRows(QStringLiteral("select intMeta%1ID from tblMeta%1 where strName = '%2'")
                          .arg(n)
                          .arg(strName));
        return r.size() == 1 ? r.first().toInt() : -1;
    }
    // The names in list n, sorted.
    QStringList fncNames(int n) const
    {
        return fncRows(QStringLiteral("select strName from tblMeta%1 order by strName").arg(n));
    }
    // The subjects of the reports on an item of list 1, sorted.
    QStringList fncReportsOf(const QString& strName) const
    {
        return fncRows(QStringLiteral(
            "select strSubject from tblReports where intMeta1ID = %1 order by strSubject")
                           .arg(fncId(1, strName)));
    }
    // Every table the common settings touch, in key order: equal dumps mean an unchanged database.
    QStringList fncDump() const
    {
        QStringList all;
        for (const char* source : { "tblMeta1 order by intMeta1ID", "tblMeta2 order by intMeta2ID",
                 "tblMeta3 order by intMeta3ID", "tblMetaLists order by intMetaListID",
                 "tblSettings order by intSettingsID", "tblReports order by intReportID",
                 "tblOtherSettings order by intSettingID" }) {
            const QString s = QStringLiteral("select * from ") + QLatin1String(source);
            all += QStringLiteral("== ") + s + QLatin1Char('\n')
                + fncRows(s).join(QLatin1Char('\n'));
        }
        return all;
    }

private:
    eEngine m_engine;
    QString m_folder;
    QString m_connection;
};

} // namespace hvglobaltest
