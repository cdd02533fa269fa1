#pragma once

#include "cOlApplication.h"
#include "olConstants.h"

#include <QString>
#include <QVariant>

// The one calendar session of the run and the typed access to user properties.

inline const QString strSettingsSubject = QStringLiteral("Outlook Hourvane 3 Personal Settings");
inline const QDate dteSettingsDate = QDate(2050, 1, 1);

// Makes sure the application and namespace exist; ends the program when the calendar cannot be
// had or its version is below 9. intFolderType is kept for the callers' sake (all pass 6).
void subStartOutlook(qint16 intFolderType);
// The major version, computed once per run (starts the session when needed).
qint16 fncGetOutlookVersion();

// The typed value of a user property (vbInteger, vbDouble, vbString, vbBoolean, vbDate), with the
// defaults for a missing property or a missing item. Never throws.
QVariant fncGetOutlookValue(const cOlAppointmentItemPtr& item, const QString& strPropName,
    qint16 intValueType, const QVariant& varDefault = QVariant());
// Stores a text of any length as PropName0..PropNamen (1000 characters each) and
// PropNameCount = n. Does not save the item.
void subFixLongProperty(const cOlAppointmentItemPtr& item, const QString& strValue,
    const QString& strPropName, bool blnSilent = false);
QString fncGetLongProperty(const cOlAppointmentItemPtr& item, const QString& strPropName);
// n for a text of this length: length / 1000 rounded half to even.
qint32 fncLongPropertyLastIndex(qsizetype intLength);

// The user's full name from the mailbox's top folder, else the login name.
QString fncGetUserName();
void subGetSafeMailboxName();
// The rule applied to a top folder's name: the name after " - ", a "Surname, Given" name
// whole, else empty.
QString fncUserNameFromMailboxName(const QString& strFolderName);
QString fncLoginName();

// Sets the current folder to the folder of the active window.
void subFindActiveFolder(qint16 intFolderType);
// Drops the namespace, the current folder and the application (the calendar stays as it is).
void subReleaseOutlook();

// The settings appointment of the current folder, or nullptr. Never throws.
cOlAppointmentItemPtr fncGetSettingsAppointment();
// A new, not yet saved settings appointment (its subject, whole-day on its date) in the current
// folder, written as a new file with a fresh UID by its Save; nullptr without a folder.
cOlAppointmentItemPtr fncNewSettingsAppointment();
// Why an item could not be saved, in the user's language, from the number of the failure.
QString fncCalendarSaveProblem(qint32 lngNumber);

// The process-wide objects.
cOlApplicationPtr fncOutlookApplication();
cOlNameSpacePtr fncOutlookNameSpace();
cOlFolderPtr fncCurrentFolder();
void subSetCurrentFolder(cOlFolderPtr folder);
QString fncCurrentUserName();

// For tests: release everything and forget the version, the user name and the seams.
void subResetOutlookState();
