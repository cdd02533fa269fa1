#pragma once

#include "cHVError.h"
#include "cOlUserProperties.h"

#include <QDate>
#include <QString>
#include <memory>

// One item of a calendar folder: one iCalendar file of the folder. Its main component is the
// first VEVENT that is not a recurrence override (then an appointment), else the first other
// component (a task or journal entry, not an appointment).
// Everything else in the file is kept as it was when the item is saved.
class cOlAppointmentItem
{
public:
    ~cOlAppointmentItem();
    cOlAppointmentItem(const cOlAppointmentItem&) = delete;
    cOlAppointmentItem& operator=(const cOlAppointmentItem&) = delete;

    // Reads an item file. Throws cHVError when the file cannot be read or holds no calendar.
    static std::shared_ptr<cOlAppointmentItem> fromFile(const QString& strPath);
    // A new, not yet saved appointment that will be written into the folder at strFolderPath.
    static std::shared_ptr<cOlAppointmentItem> createNew(const QString& strFolderPath);

    bool IsAppointment() const;
    int Class() const; // olAppointment or olOtherItem

    QString Subject() const;
    void setSubject(const QString& strSubject);
    QString Body() const;
    void setBody(const QString& strBody);
    QString Categories() const;
    void setCategories(const QString& strCategories);
    // The start date (whole-day); a timed start gives its date.
    QDate Start() const;
    void setStart(const QDate& dteStart);

    cOlUserProperties& UserProperties();
    const cOlUserProperties& UserProperties() const;

    // Writes the whole file atomically. Throws cHVError when it cannot, and refuses to rewrite
    // a file that did not parse cleanly (its unparsed parts would be lost) or that another
    // program changed or removed since it was read.
    void Save();

    QString FilePath() const;
    // A digest of the file as last read or written here: it differs once anything else
    // (another machine's copy brought by a sync tool) has written the item since.
    QString Fingerprint() const;
    // The iCalendar unique identifier of the item.
    QString Uid() const;

private:
    cOlAppointmentItem();
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Failures of Save a user can act on.
inline constexpr qint32 lngItemDamaged = lngObjectError + 23;
inline constexpr qint32 lngItemChanged = lngObjectError + 26;

using cOlAppointmentItemPtr = std::shared_ptr<cOlAppointmentItem>;
