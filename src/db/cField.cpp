#include "cField.h"

eFieldType fncFieldTypeFromName(const QString& strColumn)
{
    const auto has = [&](const char* prefix) {
        return strColumn.startsWith(QLatin1String(prefix), Qt::CaseInsensitive);
    };
    if (has("int"))
        return eFieldType::Long;
    if (has("cur"))
        return eFieldType::Currency;
    if (has("bln"))
        return eFieldType::Boolean;
    if (has("dtm") || has("dte"))
        return eFieldType::Date;
    if (has("num"))
        return eFieldType::Single;
    return eFieldType::Text;
}
