#pragma once

#include "cOlUserProperty.h"

#include <QList>

// The user properties of one item; names compare without regard to case.
class cOlUserProperties
{
public:
    int Count() const { return static_cast<int>(m_list.size()); }
    // 1-based, as the object model counts; nullptr outside the range.
    cOlUserPropertyPtr Item(int intIndex) const;
    // nullptr when the item has no property of that name.
    cOlUserPropertyPtr Find(const QString& strName) const;
    // A new property with an empty value of its type. An existing property of the same name and
    // type is returned as it is; one of another type makes this throw cHVError.
    cOlUserPropertyPtr Add(const QString& strName, int intType);
    void Remove(int intIndex);

    const QList<cOlUserPropertyPtr>& all() const { return m_list; }

private:
    QList<cOlUserPropertyPtr> m_list;
};
