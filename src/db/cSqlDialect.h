#pragma once

#include "cField.h"

#include <QString>

enum class eEngine { SQLite, SqlServer, PostgreSQL };

// The statements that differ between the engines, in one place per engine.
class cSqlDialect
{
public:
    static const cSqlDialect& For(eEngine engine);

    eEngine Engine() const { return m_engine; }
    // "select top 1 <column> from <table>" in the engine's form.
    QString SelectFirst(const QString& strColumn, const QString& strTable) const;
    QString BooleanLiteral(bool blnValue) const;
    // Column type for ALTER TABLE ... ADD and CREATE TABLE.
    QString ColumnType(eFieldType type, int intSize = 255) const;
    QString AutoKey(const QString& strColumn) const; // the key column's definition
    QString AddColumn(const QString& strTable, const QString& strColumn, eFieldType type) const;
    // T-SQL that callers write ("select top N ..." and [brackets]) in this engine's form.
    QString Translate(const QString& strSql) const;

private:
    explicit cSqlDialect(eEngine engine)
        : m_engine(engine)
    {
    }
    eEngine m_engine;
};
