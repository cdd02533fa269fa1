#pragma once

#include "cRecordset.h"

#include <QByteArray>
#include <QString>

// Recordsets read back from files in the rowset XML format (see modXMLExport.h), from a folder
// path, a file:// address or an http(s):// address.

// The recordset of a file or address, or nullptr when it cannot be read, is not a rowset,
// is too large, or declares a DTD.
RecordsetPtr fncLoadRecordsetFromXml(const QString& strAddress);
// The recordset of a rowset text, or nullptr.
RecordsetPtr fncRecordsetFromXMLText(const QByteArray& text);
