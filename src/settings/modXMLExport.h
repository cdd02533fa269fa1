#pragma once

#include "cRecordset.h"
// The reading side, for the callers that use both directions of the format.
#include "modXMLFetch.h"
#include "modXMLImport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Recordsets as files in the rowset XML format (the s:Schema / rs:data / z:row layout), written
// in the form that format's own writer gives them.

// The file's bytes for rs (all rows; rs is left at its first row). The texts of the columns
// named in colMasked are written with their passwords masked.
QByteArray fncRecordsetToXml(cRecordset& rs, const QStringList& colMasked = {});
// Writes rs whole to strPath (created or replaced, see subReplaceFiles).
void subSaveADRToXML(cRecordset& rs, const QString& strPath);

// Where the program's XML export goes: the program's own folder, or the per-user data folder
// when the program's folder cannot be written.
QString fncExportFolder();
