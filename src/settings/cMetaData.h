#pragma once

#include "cCurrency.h"

#include <QString>

// One value of a metadata list (a customer, a task, ...).
class cMetaData
{
public:
    qint32 ID = 0; // row identity in its tblMetaN table; 0 until stored
    QString Category;
    QString SuperCategory;
    cCurrency HourlyRate;
    bool Enabled = false;

    const QString& MetaName() const { return m_strMetaName; }
    void setMetaName(const QString& strName) { m_strMetaName = strName; }

private:
    QString m_strMetaName;
};
