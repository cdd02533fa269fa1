#pragma once

#include <QString>

// The XML namespaces of the rowset format, shared by its writer and its reader.
namespace rowsetformat {
inline const QString nsSchema = QStringLiteral("uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882");
inline const QString nsDataType = QStringLiteral("uuid:C2F41010-65B3-11d1-A29F-00AA00C14882");
inline const QString nsRowset = QStringLiteral("urn:schemas-microsoft-com:rowset");
inline const QString nsRow = QStringLiteral("#RowsetSchema");
} // namespace rowsetformat
