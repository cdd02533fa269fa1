#pragma once

#include "cField.h"

#include <QList>
#include <QString>

// The schema of our database in one place: tables, columns with their types and captions, and
// the relations. The engines' DDL is derived from it for the local file; the server scripts
// in resources/ follow it.

struct cSchemaColumn
{
    QString strName;
    eFieldType type;
    QString strCaptionKey; // phrase key of the caption, or empty
    QString strCaptionText; // appended to the phrase, or the whole caption without a key
    bool blnUpgrade = false; // added by the upgrade, not at creation
};

struct cSchemaTable
{
    QString strName;
    QList<cSchemaColumn> columns; // the first is the auto-numbered key
    bool blnUpgrade = false;
};

struct cSchemaRelation
{
    QString strName;
    QString strPrimaryTable;
    QString strForeignTable;
    QString strColumn;
};

const QList<cSchemaTable>& fncSchemaTables();
const QList<cSchemaRelation>& fncSchemaRelations();
const cSchemaTable* fncSchemaTable(const QString& strTable); // any case; nullptr
const cSchemaColumn* fncSchemaColumn(const QString& strTable, const QString& strColumn);
// The caption as shown in the current language (phrase text + appended text).
QString fncColumnCaption(const cSchemaColumn& column);
// The table that keeps the captions of the local database's columns.
inline const QString strCaptionTable = QStringLiteral("tblColumnCaptions");
