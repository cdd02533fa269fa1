#pragma once

#include <QByteArray>
#include <QString>

// The bytes of a rowset file from a folder path, a file:// address or an http(s):// address.

// The bytes of a path, file:// or http(s):// address; empty on any failure.
QByteArray fncGetXMLText(const QString& strAddress);

// Reading gives up after this many milliseconds and on files above the size limit.
int fncXmlReadTimeout();
void subSetXmlReadTimeout(int intMilliseconds);
inline constexpr qint64 lngMaxXmlBytes = qint64 { 16 } * 1024 * 1024;
