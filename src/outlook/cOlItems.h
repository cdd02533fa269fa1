#pragma once

#include "cOlAppointmentItem.h"

#include <QList>
#include <QString>

// The items of a folder as they are on disk when Items() was called; damaged files are left out
// (and logged), never changed.
class cOlItems
{
public:
    explicit cOlItems(QString strFolderPath);

    int Count() const { return static_cast<int>(m_items.size()); }
    // 1-based; nullptr outside the range.
    cOlAppointmentItemPtr Item(int intIndex) const;
    // The first item whose subject equals strSubject without regard to case; nullptr when none.
    cOlAppointmentItemPtr Item(const QString& strSubject) const;
    // A new appointment of this folder, not saved yet.
    cOlAppointmentItemPtr Add() const;

private:
    QString m_strFolderPath;
    QList<cOlAppointmentItemPtr> m_items;
};
