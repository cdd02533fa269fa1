#include "cOlUserProperties.h"

#include "cHVError.h"

cOlUserPropertyPtr cOlUserProperties::Item(int intIndex) const
{
    if (intIndex < 1 || intIndex > m_list.size())
        return nullptr;
    return m_list.at(intIndex - 1);
}

cOlUserPropertyPtr cOlUserProperties::Find(const QString& strName) const
{
    for (const auto& prop : m_list) {
        if (prop->Name().compare(strName, Qt::CaseInsensitive) == 0)
            return prop;
    }
    return nullptr;
}

cOlUserPropertyPtr cOlUserProperties::Add(const QString& strName, int intType)
{
    if (strName.isEmpty())
        throw cHVError(lngObjectError + 5, QStringLiteral("cOlUserProperties"),
            QStringLiteral("A user property needs a name"));
    if (auto existing = Find(strName)) {
        if (existing->Type() != intType)
            throw cHVError(lngObjectError + 6, QStringLiteral("cOlUserProperties"),
                QStringLiteral("The user property %1 already exists with another type")
                    .arg(strName));
        return existing;
    }
    auto prop = std::make_shared<cOlUserProperty>(strName, intType);
    m_list.append(prop);
    return prop;
}

void cOlUserProperties::Remove(int intIndex)
{
    if (intIndex >= 1 && intIndex <= m_list.size())
        m_list.removeAt(intIndex - 1);
}
