#include "modPhrases.h"

#include "cDictionary.h"
#include "cHVError.h"
#include "modErrorHandling.h"

#include <QHash>
#include <QResource>

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
            QStringLiteral("LNGDBCONNFILENOPROVIDER"), QStringLiteral("LNGDBGOREPEATTOOHIGH"),
            QStringLiteral("LNGDBLINKTARGETMISSING"), QStringLiteral("LNGEDITCOPY"),
            QStringLiteral("LNGEDITCUT"), QStringLiteral("LNGEDITDELETEROW"),
            QStringLiteral("LNGEDITDISCARD"), QStringLiteral("LNGEDITINSERTROW"),
            QStringLiteral("LNGEDITLISTTOOLONG"), QStringLiteral("LNGEDITNOTANUMBER"),
            QStringLiteral("LNGEDITPASTE"), QStringLiteral("LNGEDITPASTETOOBIG"),
            QStringLiteral("LNGEDITREDO"), QStringLiteral("LNGEDITSORTASC"),
            QStringLiteral("LNGEDITSORTDESC"), QStringLiteral("LNGEDITTOOLONG"),
            QStringLiteral("LNGEDITUNDO"), QStringLiteral("LNGENABLE"),
            QStringLiteral("LNGERRINAPP"), QStringLiteral("LNGERRLINE"),
            QStringLiteral("LNGERROREXECUTE"), QStringLiteral("LNGERRSENDREPORT"),
            QStringLiteral("LNGERRSYSTEMERROR"), QStringLiteral("LNGERRTHISERROR"),
            QStringLiteral("LNGEVENTS"), QStringLiteral("LNGEXPORTFAILED"),
            QStringLiteral("LNGFAILEDSAVESETTINGS"), QStringLiteral("LNGFILTEROPTIONS"),
            QStringLiteral("LNGHOURS"), QStringLiteral("LNGINTEGRATEDSECURITY"),
            QStringLiteral("LNGLOADEXAMPLEDATA"), QStringLiteral("LNGMETA"),
            QStringLiteral("LNGMETACATEGORY"), QStringLiteral("LNGMETASUPERCATEGORY"),
            QStringLiteral("LNGMONTH"), QStringLiteral("LNGNAME"), QStringLiteral("LNGNONE"),
            QStringLiteral("LNGO2KNEEDED"), QStringLiteral("LNGOK"), QStringLiteral("LNGPASSWORD"),
            QStringLiteral("LNGPERSON"), QStringLiteral("LNGPRIVATE"), QStringLiteral("LNGRATE"),
            QStringLiteral("LNGRECURRING"), QStringLiteral("LNGREMOVELUNCH"),
            QStringLiteral("LNGREMOVEREPORTS"), QStringLiteral("LNGREPORT"),
            QStringLiteral("LNGREPORTDATE"), QStringLiteral("LNGRESOLVEREPORTCOUNT"),
            QStringLiteral("LNGSELECTDATABASECONNECTION"), QStringLiteral("LNGSELECTEXISTINGSQLDB"),
            QStringLiteral("LNGSERVER"), QStringLiteral("LNGSERVERKIND"),
            QStringLiteral("LNGSETTINGS"), QStringLiteral("LNGSUBJECT"),
            QStringLiteral("LNGSUBROUTINE"), QStringLiteral("LNGSUPERCATEGORY"),
            QStringLiteral("LNGTASK"), QStringLiteral("LNGTEST"),
            QStringLiteral("LNGTIMEMANIPULATION"), QStringLiteral("LNGUSERNAME"),
            QStringLiteral("LNGWRITESUBJECT") };
        // Choosing the database and saving it with others.
        k += { QStringLiteral("LNGCOPYTOSERVER"), QStringLiteral("LNGDATABASEBUTTON"),
            QStringLiteral("LNGSAVECONFLICT"), QStringLiteral("LNGSAVEFAILEDKEPT"),
            QStringLiteral("LNGSAVENAMETAKEN"), QStringLiteral("LNGSAVEREMOVED") };
        // The calendar copy and stored numbers.
        k << QStringLiteral("LNGCALENDARCOPYCHANGED") << QStringLiteral("LNGCALENDARCOPYDAMAGED")
          << QStringLiteral("LNGCALENDARCOPYNOTSAVED") << QStringLiteral("LNGCALENDARCOPYREADONLY")
          << QStringLiteral("LNGCALENDARFOLDERFAILED") << QStringLiteral("LNGSTOREDVALUEBAD");
        k.sort();
        return k;
    }();
    return keys;
}

QByteArray fncLanguageResource()
{
    if (!state().override.isEmpty())
        return state().override;
    // Stored uncompressed in the program: the bytes are used where they lie, with nothing to
    // unpack or copy at start-up.
    return QResource(QStringLiteral(":/LANGUAGE")).uncompressedData();
}

void subSetLanguageResource(const QByteArray& bytes)
{
    state().override = bytes;
}

QString fncRemoveApostrophes(const QString& strText)
{
    QString text = strText;
    text.remove(QLatin1Char('\''));
    return text;
}

void subReadPhrases(qint16 intColumn)
{
    subLog(QStringLiteral("Reading language phrases from resource file"));
    // Column 0 is the key itself; anything outside the sixteen languages is a caller's fault.
    if (intColumn < 1 || intColumn > 16)
        throw cHVError(5, QStringLiteral("subReadPhrases"),
            QStringLiteral("Invalid procedure call or argument (language column %1)")
                .arg(intColumn));
    const QByteArray bytes = fncLanguageResource();
    QString text = QString::fromUtf16(
        reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    if (text.startsWith(chBom))
        text.remove(0, 1);
    State& s = state();
    s.phrases = fncCreateDic<cPhrase>();
    // Views into the text: only the key and the chosen language's phrase become strings.
    const QList<QStringView> rows = QStringView(text).split(u"\r\n");
    for (qsizetype r = 0; r + 1 < rows.size(); ++r) {
        const QList<QStringView> fields = rows.at(r).split(u'\t');
        if (fields.size() < intColumn + 1)
            throw cHVError(9, QStringLiteral("subReadPhrases"),
                QStringLiteral("Subscript out of range (phrase row %1 has %2 fields)")
                    .arg(r + 1)
                    .arg(fields.size()));
        QStringView phrase = fields.at(intColumn);
        if (phrase.isEmpty() && fields.size() > 4)
            phrase = fields.at(4);
        cPhrase p;
        p.LangConstant = fields.at(0).toString();
        if (p.LangConstant.startsWith(chBom))
            p.LangConstant.remove(0, 1);
        p.LangPhrase = fncRemoveApostrophes(phrase.toString());
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
    const QString strKey = QString::fromLatin1(key).toUpper();
    const State& s = state();
    const auto it = s.variables.constFind(strKey);
    if (it != s.variables.cend())
        return *it;
    // A key outside the used list still finds its row rather than showing an empty caption.
    return s.phrases.Value(strKey).LangPhrase;
}

namespace {
struct cLcidRow
{
    QLocale::Language language;
    QLocale::Territory territory;
    quint32 lcid;
};

// Windows locale identifiers by language and territory (LCID = sublanguage << 10 | language).
const QList<cLcidRow>& lcidRows()
{
    static const QList<cLcidRow> rows = [] {
        static const struct
        {
            const char* tag;
            quint32 lcid;
        } table[] = { { "cs_CZ", 1029 }, { "da_DK", 1030 }, { "nl_NL", 1043 }, { "nl_BE", 2067 },
            { "fi_FI", 1035 }, { "fr_FR", 1036 }, { "fr_BE", 2060 }, { "fr_CA", 3084 },
            { "fr_LU", 5132 }, { "fr_CH", 4108 }, { "de_DE", 1031 }, { "de_AT", 3079 },
            { "de_LI", 5127 }, { "de_LU", 4103 }, { "de_CH", 2055 }, { "el_GR", 1032 },
            { "it_IT", 1040 }, { "it_CH", 2064 }, { "nb_NO", 1044 }, { "pt_PT", 2070 },
            { "sl_SI", 1060 }, { "es_ES", 3082 }, { "es_AR", 11274 }, { "es_BO", 16394 },
            { "es_CL", 13322 }, { "es_CO", 9226 }, { "es_CR", 5130 }, { "es_DO", 7178 },
            { "es_EC", 12298 }, { "es_GT", 4106 }, { "es_HN", 18442 }, { "es_MX", 2058 },
            { "es_NI", 19466 }, { "es_PA", 6154 }, { "es_PE", 10250 }, { "es_PR", 20490 },
            { "es_PY", 15370 }, { "es_SV", 17418 }, { "es_UY", 14346 }, { "es_VE", 8202 },
            { "sv_SE", 1053 }, { "tr_TR", 1055 }, { "ru_RU", 1049 }, { "pt_BR", 1046 },
            { "nn_NO", 2068 }, { "en_US", 1033 }, { "en_GB", 2057 } };
        QList<cLcidRow> list;
        for (const auto& row : table) {
            const QLocale locale(QString::fromLatin1(row.tag));
            list.append({ locale.language(), locale.territory(), row.lcid });
        }
        return list;
    }();
    return rows;
}
} // namespace

quint32 fncLcidForLocale(const QLocale& locale)
{
    for (const cLcidRow& row : lcidRows()) {
        if (row.language == locale.language() && row.territory == locale.territory())
            return row.lcid;
    }
    return 0;
}

qint16 fncColumnForLcid(quint32 lngLcid)
{
    switch (lngLcid) {
    case 1029:
        return 1;
    case 1030:
        return 2;
    case 1043:
    case 2067:
        return 3;
    case 1035:
        return 5;
    case 1036:
    case 2060:
    case 3084:
    case 5132:
    case 4108:
        return 6;
    case 1031:
    case 3079:
    case 5127:
    case 4103:
    case 2055:
        return 7;
    case 1032:
        return 8;
    case 1040:
    case 2064:
        return 9;
    case 1044:
        return 10;
    case 2070:
        return 11;
    case 1060:
        return 12;
    case 3082:
    case 1034:
    case 11274:
    case 16394:
    case 13322:
    case 9226:
    case 5130:
    case 7178:
    case 12298:
    case 4106:
    case 18442:
    case 2058:
    case 19466:
    case 6154:
    case 10250:
    case 20490:
    case 15370:
    case 17418:
    case 14346:
    case 8202:
        return 13;
    case 1053:
        return 14;
    case 1055:
        return 15;
    default:
        // Russian (1049), Brazilian Portuguese and Nynorsk included: the table has no column
        // chosen for them, so they read English.
        return 4;
    }
}

qint16 fncColumnForLocale(const QLocale& locale)
{
    return fncColumnForLcid(fncLcidForLocale(locale));
}

qint16 fncGetlocalLanguage()
{
    return fncColumnForLocale(QLocale::system());
}
