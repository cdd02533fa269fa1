#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

// The phrase table: one language column of the LANGUAGE resource, chosen from the system
// locale, loaded once at start. Every user-facing text is read through fncPhrase("LNG...").

// The language column (1-16) for the system locale.
qint16 fncGetlocalLanguage();
// The Windows locale identifier of a locale (language and territory), 0 when it has none.
quint32 fncLcidForLocale(const QLocale& locale);
qint16 fncColumnForLcid(quint32 lngLcid);

void LoadLanguages(qint16 intColumn);
void subReadPhrases(qint16 intColumn);
QString fncRemoveApostrophes(const QString& strText);

// The loaded phrase of a key the system uses; empty before LoadLanguages ran.
QString fncPhrase(const char* key);
// Every key the program uses, in alphabetical order.
const QStringList& fncUsedPhraseKeys();
// The raw UTF-16 bytes of the LANGUAGE resource (tests can read another table through the seam).
QByteArray fncLanguageResource();
void subSetLanguageResource(const QByteArray& bytes); // empty bytes: the built-in table again
