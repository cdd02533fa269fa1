#pragma once

#include <QString>
#include <QVariant>
#include <memory>

// One user-defined property of a calendar item: a name, a type (olText, olNumber, olDateTime,
// olYesNo) and a value held in that type.
class cOlUserProperty
{
public:
    cOlUserProperty(QString strName, int intType);

    const QString& Name() const { return m_strName; }
    int Type() const { return m_intType; }
    const QVariant& Value() const { return m_value; }
    // Converts to the property's type: QString for text, double for numbers, QDateTime for
    // dates, bool for yes/no. Throws cHVError when the value cannot take that type.
    void setValue(const QVariant& value);

private:
    QString m_strName;
    int m_intType;
    QVariant m_value;
};

using cOlUserPropertyPtr = std::shared_ptr<cOlUserProperty>;
