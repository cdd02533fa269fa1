#include "modSchema.h"

#include <modPhrases.h>

namespace {

cSchemaColumn col(
    const char* name, eFieldType type, const char* key, const char* text = "", bool upgrade = false)
{
    return cSchemaColumn { QString::fromLatin1(name), type, QString::fromLatin1(key),
        QString::fromLatin1(text), upgrade };
}

QList<cSchemaTable> buildTables()
{
    using T = eFieldType;
    QList<cSchemaTable> tables;
    tables.append({ QStringLiteral("tblReports"),
        {
            col("intReportID", T::Long, "LNGREPORT", " ID"),
            col("numHours", T::Single, "LNGHOURS"),
            col("strSubject", T::Text, "LNGSUBJECT"),
            col("strMonthName", T::Text, "LNGMONTH"),
            col("strWeekdayName", T::Text, "LNGDAY"),
            col("dtmDate", T::Date, "LNGDATE"),
            col("curCost", T::Currency, "LNGRATE"),
            col("dteReported", T::Date, "LNGREPORTDATE"),
            col("intPersonID", T::Long, "LNGNAME", " ID"),
            col("intMeta1ID", T::Long, "", "Meta 1 ID"),
            col("intMeta2ID", T::Long, "", "Meta 2 ID"),
            col("intMeta3ID", T::Long, "", "Meta 3 ID"),
            col("strBody", T::Memo, "", "Body", true),
        },
        false });
    for (int n = 1; n <= 3; ++n) {
        const QByteArray key = "intMeta" + QByteArray::number(n) + "ID";
        const QByteArray caption = "Meta " + QByteArray::number(n) + " ID";
        tables.append({ QStringLiteral("tblMeta%1").arg(n),
            {
                col(key.constData(), T::Long, "", caption.constData()),
                col("strName", T::Text, "LNGNAME"),
                col("strCategory", T::Text, "LNGCATEGORY"),
                col("strSuperCategory", T::Text, "LNGSUPERCATEGORY"),
                col("curRate", T::Currency, "LNGRATE"),
                col("blnEnabled", T::Boolean, "LNGENABLE", "", true),
            },
            false });
    }
    tables.append({ QStringLiteral("tblPersons"),
        {
            col("intPersonID", T::Long, "LNGNAME", " ID"),
            col("strPersonName", T::Text, "LNGNAME"),
            col("strPersonCategory", T::Text, "LNGCATEGORY", "", true),
        },
        false });
    tables.append({ QStringLiteral("tblSettings"),
        {
            col("intSettingsID", T::Long, "", "Settings ID"),
            col("intCostCarrier", T::Integer, "LNGCOSTCARRIER"),
            col("intReportTo", T::Integer, "LNGREPORT"),
            col("strReportToValue", T::Text, "", "Value"),
        },
        false });
    tables.append({ QStringLiteral("tblMetaLists"),
        {
            col("intMetaListID", T::Long, "", "Meta List ID"),
            col("strMetaListCaption", T::Text, "", "Meta List Caption"),
            col("strMetaListCategoryCaption", T::Text, "", "Meta List Category Caption"),
            col("strMetaListSuperCategoryCaption", T::Text, "", "Meta List SuperCategory Caption"),
        },
        false });
    tables.append({ QStringLiteral("tblOtherSettings"),
        {
            col("intSettingID", T::Long, "LNGSETTINGS", " ID"),
            col("strPropName", T::Text, "LNGNAME"),
            col("strPropValue", T::Memo, "", "Value"),
        },
        true });
    return tables;
}

} // namespace

const QList<cSchemaTable>& fncSchemaTables()
{
    static const QList<cSchemaTable> tables = buildTables();
    return tables;
}

const QList<cSchemaRelation>& fncSchemaRelations()
{
    static const QList<cSchemaRelation> relations = {
        { QStringLiteral("PersonReports"), QStringLiteral("tblPersons"),
            QStringLiteral("tblReports"), QStringLiteral("intPersonID") },
        { QStringLiteral("Meta1Reports"), QStringLiteral("tblMeta1"), QStringLiteral("tblReports"),
            QStringLiteral("intMeta1ID") },
        { QStringLiteral("Meta2Reports"), QStringLiteral("tblMeta2"), QStringLiteral("tblReports"),
            QStringLiteral("intMeta2ID") },
        { QStringLiteral("Meta3Reports"), QStringLiteral("tblMeta3"), QStringLiteral("tblReports"),
            QStringLiteral("intMeta3ID") },
    };
    return relations;
}

const cSchemaTable* fncSchemaTable(const QString& strTable)
{
    for (const auto& t : fncSchemaTables()) {
        if (t.strName.compare(strTable, Qt::CaseInsensitive) == 0)
            return &t;
    }
    return nullptr;
}

const cSchemaColumn* fncSchemaColumn(const QString& strTable, const QString& strColumn)
{
    const cSchemaTable* t = fncSchemaTable(strTable);
    if (!t)
        return nullptr;
    for (const auto& c : t->columns) {
        if (c.strName.compare(strColumn, Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

QString fncColumnCaption(const cSchemaColumn& column)
{
    if (column.strCaptionKey.isEmpty())
        return column.strCaptionText;
    return fncPhrase(column.strCaptionKey.toLatin1().constData()) + column.strCaptionText;
}
