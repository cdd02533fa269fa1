#pragma once

#include "cRecordset.h"

#include <QByteArray>
#include <QString>

// Recordsets as files in the rowset XML format (the s:Schema / rs:data / z:row layout), written
// in the form that format's own writer gives them and read back from a folder path, a file://
// address or an http(s):// address.

// The file's bytes for rs (all rows; rs is left at its first row).
QByteArray fncRecordsetToXml(cRecordset& rs);
// Writes rs whole to strPath (created or replaced).
void subSaveADRToXML(cRecordset& rs, const QString& strPath);

// The recordset of a file or address, or nullptr when it cannot be read, is not a rowset,
// is too large, or declares a DTD.
RecordsetPtr fncLoadRecordsetFromXml(const QString& strAddress);
// The bytes of a path, file:// or http(s):// address; empty on any failure.
QByteArray fncGetXMLText(const QString& strAddress);
// The recordset of a rowset text, or nullptr.
RecordsetPtr fncRecordsetFromXMLText(const QByteArray& text);

// Reading gives up after this many milliseconds and on files above the size limit.
int fncXmlReadTimeout();
void subSetXmlReadTimeout(int intMilliseconds);
inline constexpr qint64 lngMaxXmlBytes = qint64 { 16 } * 1024 * 1024;

// Where the program's XML export goes: the program's own folder, or the per-user data folder
// when the program's folder cannot be written.
QString fncExportFolder();
