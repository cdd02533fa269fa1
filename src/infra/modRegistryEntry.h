#pragma once

#include <QList>
#include <QString>
#include <utility>

// The per-user store of named string values: the registry branch
// HKEY_CURRENT_USER\Software\Orrevik\Hourvane for Outlook\<section> on Windows, the same tree in
// the user's configuration folder elsewhere (QSettings' native format).
//
// Failures throw cHVError with these numbers (lngObjectError = 0x80040000):
//   + 1001      "Section may not be empty"
//   + 1002      "Key may not be empty"
//   + 2000 + R  "Could not open/create registry section", "Could not set key value",
//               "Could not open registry section" (R: the system's result code, e.g. 5 access
//               denied, 1009 a damaged store file)
//   + 2000 + T  "Registry data not a string" (T: the value's registry type code)

inline constexpr qint32 lngRegSectionEmpty = static_cast<qint32>(0x80040000u) + 1001;
inline constexpr qint32 lngRegKeyEmpty = static_cast<qint32>(0x80040000u) + 1002;
inline constexpr qint32 lngRegResultBase = static_cast<qint32>(0x80040000u) + 2000;

// Registry type codes reported for values that are not strings.
enum eRegistryType : qint32 {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_BINARY = 3,
    REG_DWORD = 4,
    REG_MULTI_SZ = 7,
    REG_QWORD = 11,
};

void subWriteRegistryValue(QString strSection, QString strKey, QString strValue);
// Writes every pair in one replacement of the store file: after a crash or a kill at any
// moment the store holds all of them or none. Fails as subWriteRegistryValue does.
void subWriteRegistryValues(
    const QString& strSection, const QList<std::pair<QString, QString>>& colValues);
QString fncReadRegistryValue(QString strSection, QString strKey, QString strDefault);

// The file that holds the store on this platform (for the README's "where data lives" and tests).
QString fncRegistryStorePath();
