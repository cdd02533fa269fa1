#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

// The phrase table: one language column of the LANGUAGE resource, chosen from the system
// locale, loaded once at start. Every user-facing text is read through fncPhrase("LNG...").

// The language column (1-16) for the system locale (QLocale::system(): LC_ALL, LC_NUMERIC, LANG).
qint16 fncGetlocalLanguage();
// The Windows locale identifier of a locale (language and territory), 0 when it has none.
// Spanish in Spain gives 3082; 1034 is accepted as the same locale by fncColumnForLcid.
quint32 fncLcidForLocale(const QLocale& locale);
// The language column of a locale identifier; English (4) for every identifier without one.
qint16 fncColumnForLcid(quint32 lngLcid);
qint16 fncColumnForLocale(const QLocale& locale);

void LoadLanguages(qint16 intColumn);
void subReadPhrases(qint16 intColumn);
QString fncRemoveApostrophes(const QString& strText);

// The loaded phrase of a key (any letter case); empty before LoadLanguages ran.
QString fncPhrase(const char* key);
// Every key the program uses, in alphabetical order.
const QStringList& fncUsedPhraseKeys();
// The raw UTF-16 bytes of the LANGUAGE resource (tests can read another table through the seam).
QByteArray fncLanguageResource();
void subSetLanguageResource(const QByteArray& bytes); // empty bytes: the built-in table again
