#include "modPhrases.h"

#include "cDictionary.h"
#include "cHVError.h"
#include "modErrorHandling.h"

#include <QFile>
#include <QHash>

namespace {
struct cPhrase
{
    QString LangConstant;
    QString LangPhrase;
};

struct State
{
    cDictionary<cPhrase> phrases;
    QHash<QString, QString> variables; // key -> phrase, the "phrase variables"
    QByteArray override;
};

State& state()
{
    static State s;
    return s;
}

const QChar chBom(0xFEFF);
} // namespace

const QStringList& fncUsedPhraseKeys()
{
    static const QStringList keys = [] {
        QStringList k { QStringLiteral("LNGABOUT"), QStringLiteral("LNGADDTOANOTHER"),
            QStringLiteral("LNGALLVALUESNOTFILLEDOUT"), QStringLiteral("LNGCANCEL"),
            QStringLiteral("LNGCATEGORY"), QStringLiteral("LNGCHECKPERM"),
            QStringLiteral("LNGCHOOSECONNECTION"), QStringLiteral("LNGCONFLICTVALUE"),
            QStringLiteral("LNGCONNECTIONFAILED"), QStringLiteral("LNGCONNECTIONSUCCEEDED"),
            QStringLiteral("LNGCONVERTFULLDAYSTOHOURS"), QStringLiteral("LNGCOSTCARRIER"),
            QStringLiteral("LNGCREATELOCALCUBE"), QStringLiteral("LNGCREATENEWACCESSDATABASE"),
            QStringLiteral("LNGCREATESQLDATABASE"), QStringLiteral("LNGCUSTOMER"),
            QStringLiteral("LNGDATABASE"), QStringLiteral("LNGDATE"), QStringLiteral("LNGDAY"),
            QStringLiteral("LNGENABLE"), QStringLiteral("LNGERRINAPP"), QStringLiteral("LNGERRLINE"),
            QStringLiteral("LNGERROREXECUTE"), QStringLiteral("LNGERRSENDREPORT"),
            QStringLiteral("LNGERRSYSTEMERROR"), QStringLiteral("LNGERRTHISERROR"),
            QStringLiteral("LNGEVENTS"), QStringLiteral("LNGFAILEDSAVESETTINGS"),
            QStringLiteral("LNGFILTEROPTIONS"), QStringLiteral("LNGHOURS"),
            QStringLiteral("LNGINTEGRATEDSECURITY"), QStringLiteral("LNGLOADEXAMPLEDATA"),
            QStringLiteral("LNGMETA"), QStringLiteral("LNGMETACATEGORY"),
            QStringLiteral("LNGMETASUPERCATEGORY"), QStringLiteral("LNGMONTH"),
            QStringLiteral("LNGNAME"), QStringLiteral("LNGNONE"), QStringLiteral("LNGO2KNEEDED"),
            QStringLiteral("LNGOK"), QStringLiteral("LNGPASSWORD"), QStringLiteral("LNGPERSON"),
            QStringLiteral("LNGPRIVATE"), QStringLiteral("LNGRATE"), QStringLiteral("LNGRECURRING"),
            QStringLiteral("LNGREMOVELUNCH"), QStringLiteral("LNGREMOVEREPORTS"),
            QStringLiteral("LNGREPORT"), QStringLiteral("LNGREPORTDATE"),
            QStringLiteral("LNGSELECTDATABASECONNECTION"), QStringLiteral("LNGSELECTEXISTINGSQLDB"),
            QStringLiteral("LNGSERVER"), QStringLiteral("LNGSETTINGS"), QStringLiteral("LNGSUBJECT"),
            QStringLiteral("LNGSUBROUTINE"), QStringLiteral("LNGSUPERCATEGORY"),
            QStringLiteral("LNGTASK"), QStringLiteral("LNGTEST"),
            QStringLiteral("LNGTIMEMANIPULATION"), QStringLiteral("LNGUSERNAME"),
            QStringLiteral("LNGWRITESUBJECT") };
        k.sort();
        return k;
    }();
    return keys;
}

QByteArray fncLanguageResource()
{
    if (!state().override.isEmpty())
        return state().override;
    QFile file(QStringLiteral(":/LANGUAGE"));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void subSetLanguageResource(const QByteArray& bytes) { state().override = bytes; }

QString fncRemoveApostrophes(const QString& strText)
{
    QString text = strText;
    text.remove(QLatin1Char('\''));
    return text;
}

void subReadPhrases(qint16 intColumn)
{
    subLog(QStringLiteral("Reading language phrases from resource file"));
    const QByteArray bytes = fncLanguageResource();
    QString text = QString::fromUtf16(
        reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    if (text.startsWith(chBom))
        text.remove(0, 1);
    State& s = state();
    s.phrases = fncCreateDic<cPhrase>();
    const QStringList rows = text.split(QStringLiteral("\r\n"));
    for (qsizetype r = 0; r + 1 < rows.size(); ++r) {
        const QStringList fields = rows.at(r).split(QLatin1Char('\t'));
        if (fields.size() < intColumn + 1)
            throw cHVError(9, QStringLiteral("subReadPhrases"),
                QStringLiteral("Subscript out of range (phrase row %1 has %2 fields)")
                    .arg(r + 1)
                    .arg(fields.size()));
        QString phrase = fields.at(intColumn);
        if (phrase.isEmpty() && fields.size() > 4)
            phrase = fields.at(4);
        cPhrase p;
        p.LangConstant = fields.at(0);
        if (p.LangConstant.startsWith(chBom))
            p.LangConstant.remove(0, 1);
        p.LangPhrase = fncRemoveApostrophes(phrase);
        s.phrases.Add(p.LangConstant, p);
    }
}

void LoadLanguages(qint16 intColumn)
{
    try {
        subReadPhrases(intColumn);
    } catch (...) {
        subHandleCurrentException(QStringLiteral("subReadPhrases"));
    }
    try {
        subLog(QStringLiteral("Reading phrases from collection into variables"));
        State& s = state();
        s.variables.clear();
        for (const QString& key : fncUsedPhraseKeys())
            s.variables.insert(key, s.phrases.Item(key).LangPhrase);
    } catch (...) {
        subHandleCurrentException(QStringLiteral("LoadLanguages"));
    }
}

QString fncPhrase(const char* key)
{
    return state().variables.value(QLatin1String(key));
}

quint32 fncLcidForLocale(const QLocale& locale)
{
    Q_UNUSED(locale);
    return 1033;
}

qint16 fncColumnForLcid(quint32 lngLcid)
{
    Q_UNUSED(lngLcid);
    return 4;
}

qint16 fncGetlocalLanguage() { return fncColumnForLcid(fncLcidForLocale(QLocale::system())); }
