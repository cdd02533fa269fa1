#pragma once

#include <QString>
#include <exception>

// The one error type of the lower layers: a number, a source and a description, as the
// procedures that catch it hand them on to subHandleError.
class cHVError : public std::exception
{
public:
    cHVError(qint32 lngNumber, QString strSource, QString strDescription)
        : m_lngNumber(lngNumber)
        , m_strSource(std::move(strSource))
        , m_strDescription(std::move(strDescription))
        , m_utf8(m_strDescription.toUtf8())
    {
    }

    qint32 Number() const { return m_lngNumber; }
    const QString& Source() const { return m_strSource; }
    const QString& Description() const { return m_strDescription; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    qint32 m_lngNumber;
    QString m_strSource;
    QString m_strDescription;
    QByteArray m_utf8;
};

// Base of the error numbers our own layers raise (vbObjectError).
inline constexpr qint32 lngObjectError = static_cast<qint32>(0x80040000u);
