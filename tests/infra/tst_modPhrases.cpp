#include "TestSupport.h"
#include "modErrorHandling.h"
#include "modPhrases.h"

#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>

#include <gtest/gtest.h>

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

const int intFields = 17;
const qint16 intEnglish = 4;
const qint16 intSwedish = 14;

// The resource's rows split into fields (the byte-order mark and the final CR LF removed).
QList<QStringList> rowsOf(const QByteArray& bytes)
{
    QByteArray body = bytes;
    if (body.startsWith("\xff\xfe"))
        body.remove(0, 2);
    QString text = QStringDecoder(QStringDecoder::Utf16LE).decode(body);
    if (text.endsWith(QStringLiteral("\r\n")))
        text.chop(2);
    QList<QStringList> rows;
    for (const QString& row : text.split(QStringLiteral("\r\n")))
        rows.append(row.split(QLatin1Char('\t')));
    return rows;
}

QByteArray tableOf(const QList<QStringList>& rows)
{
    QString text;
    for (const QStringList& row : rows)
        text += row.join(QLatin1Char('\t')) + QStringLiteral("\r\n");
    return QByteArray("\xff\xfe") + QByteArray(QStringEncoder(QStringEncoder::Utf16LE).encode(text));
}

QList<QStringList> builtinRows()
{
    subSetLanguageResource(QByteArray());
    return rowsOf(fncLanguageResource());
}

int rowOf(const QList<QStringList>& rows, const QString& key)
{
    for (int i = 0; i < rows.size(); ++i) {
        if (rows.at(i).value(0).compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

class PhraseLoading : public testing::Test
{
protected:
    void TearDown() override
    {
        // Later tests (and other suites) expect the shipped English table.
        subSetLanguageResource(QByteArray());
        subResetErrorState();
        LoadLanguages(intEnglish);
    }

    // Loads a hand-edited copy of the shipped table.
    void load(const QList<QStringList>& rows, qint16 intColumn)
    {
        subSetLanguageResource(tableOf(rows));
        LoadLanguages(intColumn);
    }

    // Loads the table expecting the error report and the end of the program; returns the report.
    QString loadFails(const QList<QStringList>& rows, qint16 intColumn)
    {
        subSetLanguageResource(tableOf(rows));
        cMessageBox::setNextAnswer(cMessageBox::Answer::No);
        const bool ended = hvtest::endsProgram([&] { LoadLanguages(intColumn); });
        EXPECT_TRUE(ended) << "the program went on with a broken phrase table";
        EXPECT_EQ(cMessageBox::pendingAnswers(), 0) << "no error report was shown";
        return fncReportText();
    }

    QList<QStringList> rows = builtinRows();
};

TEST_F(PhraseLoading, FirstKeyIsFoundDespiteTheByteOrderMark)
{
    ASSERT_FALSE(hvtest::endsProgram([] { LoadLanguages(intEnglish); }));
    EXPECT_EQ(fncPhrase("LNGABOUT"), QStringLiteral("About"));

    // A table whose first row is an ordinary key: the mark must not become part of that key.
    const int ok = rowOf(rows, QStringLiteral("LNGOK"));
    rows.move(ok, 0);
    rows[0][intSwedish] = QStringLiteral("Okej");
    load(rows, intSwedish);
    EXPECT_EQ(fncPhrase("LNGOK"), QStringLiteral("Okej"));

    // A second mark, as an editor that adds its own would leave it, does not hide the key either.
    subSetLanguageResource(QByteArray("\xff\xfe") + tableOf(rows));
    LoadLanguages(intSwedish);
    EXPECT_EQ(fncPhrase("LNGOK"), QStringLiteral("Okej"));
}

TEST_F(PhraseLoading, ChosenColumnIsShownAndLookupIgnoresCase)
{
    load(rows, intSwedish);
    EXPECT_EQ(fncPhrase("LNGOK"), QStringLiteral("OK"));
    EXPECT_EQ(fncPhrase("LNGCANCEL"), QStringLiteral("Avbryt"));
    EXPECT_EQ(fncPhrase("LNGcancel"), QStringLiteral("Avbryt"));
    load(rows, 16);
    EXPECT_EQ(fncPhrase("LNGCANCEL"), QString::fromUtf8("Отмена"));
    load(rows, 1);
    EXPECT_EQ(fncPhrase("LNGCANCEL"), QStringLiteral("Storno"));
}

TEST_F(PhraseLoading, MissingTranslationFallsBackToEnglish)
{
    rows[rowOf(rows, QStringLiteral("LNGCANCEL"))][intSwedish].clear();
    load(rows, intSwedish);
    EXPECT_EQ(fncPhrase("LNGCANCEL"), QStringLiteral("Cancel"));
    EXPECT_EQ(fncPhrase("LNGTASK"), QStringLiteral("Uppgift"));
}

TEST_F(PhraseLoading, RussianLocaleReadsEveryTextInEnglish)
{
    const qint16 intColumn = fncColumnForLcid(1049);
    load(rows, intColumn);
    for (const QString& key : fncUsedPhraseKeys()) {
        const QString expected = fncRemoveApostrophes(rows.at(rowOf(rows, key)).at(intEnglish));
        EXPECT_EQ(fncPhrase(key.toLatin1().constData()), expected) << key.toStdString();
    }
}

TEST_F(PhraseLoading, AsciiApostrophesAreRemovedTypographicOnesStay)
{
    EXPECT_EQ(fncRemoveApostrophes(QStringLiteral("the 'quoted' word'")),
        QStringLiteral("the quoted word"));
    const QString typographic = QString::fromUtf8("l’erreur");
    EXPECT_EQ(fncRemoveApostrophes(typographic), typographic);

    rows[rowOf(rows, QStringLiteral("LNGSUBJECT"))][intSwedish]
        = QString::fromUtf8("Det 'citerade' ordet’s ämne");
    load(rows, intSwedish);
    EXPECT_EQ(fncPhrase("LNGSUBJECT"), QString::fromUtf8("Det citerade ordet’s ämne"));
}

TEST_F(PhraseLoading, ShortRowIsReportedBySubReadPhrases)
{
    rows[rowOf(rows, QStringLiteral("LNGDAY"))] = QStringList { QStringLiteral("LNGDAY"),
        QStringLiteral("Den"), QStringLiteral("Dag"), QStringLiteral("Dag"), QStringLiteral("Day") };
    // Up to the English column the row is long enough.
    load(rows, intEnglish);
    EXPECT_EQ(fncPhrase("LNGDAY"), QStringLiteral("Day"));

    const QString report = loadFails(rows, intSwedish);
    EXPECT_TRUE(report.contains(QStringLiteral(": subReadPhrases "))) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("#9"))) << report.toStdString();
}

TEST_F(PhraseLoading, DuplicateKeyInAnotherCaseIsReportedBySubReadPhrases)
{
    QStringList twin = rows.at(rowOf(rows, QStringLiteral("LNGOK")));
    twin[0] = QStringLiteral("LNGok");
    rows.append(twin);
    const QString report = loadFails(rows, intEnglish);
    EXPECT_TRUE(report.contains(QStringLiteral(": subReadPhrases "))) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("#457"))) << report.toStdString();
}

TEST_F(PhraseLoading, MissingUsedKeyIsReportedByLoadLanguages)
{
    rows.removeAt(rowOf(rows, QStringLiteral("LNGTASK")));
    const QString report = loadFails(rows, intEnglish);
    EXPECT_TRUE(report.contains(QStringLiteral(": LoadLanguages "))) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("LNGTASK"))) << report.toStdString();
}

TEST_F(PhraseLoading, TableWithoutFinalLineEndLosesItsLastRow)
{
    // Only rows closed by CR LF count; a used key in an unclosed last row is missing.
    rows.move(rowOf(rows, QStringLiteral("LNGWRITESUBJECT")), rows.size() - 1);
    QByteArray bytes = tableOf(rows);
    bytes.chop(4);
    subSetLanguageResource(bytes);
    cMessageBox::setNextAnswer(cMessageBox::Answer::No);
    EXPECT_TRUE(hvtest::endsProgram([] { LoadLanguages(intEnglish); }));
    EXPECT_TRUE(fncReportText().contains(QStringLiteral("LNGWRITESUBJECT")));
}

TEST_F(PhraseLoading, ColumnOutsideTheLanguagesIsAnErrorNotACrash)
{
    for (const qint16 intColumn : { qint16(0), qint16(-1), qint16(17) }) {
        subResetErrorState();
        const QString report = loadFails(rows, intColumn);
        EXPECT_TRUE(report.contains(QStringLiteral(": subReadPhrases "))) << intColumn;
    }
}

// The shipped table itself.
class PhraseResource : public testing::Test
{
protected:
    QByteArray bytes = (subSetLanguageResource(QByteArray()), fncLanguageResource());
    QList<QStringList> rows = rowsOf(bytes);
};

TEST_F(PhraseResource, HasTheExactFileFormat)
{
    ASSERT_GT(bytes.size(), 4);
    EXPECT_TRUE(bytes.startsWith("\xff\xfe"));
    EXPECT_TRUE(bytes.endsWith(QByteArray("\r\0\n\0", 4)));
    EXPECT_EQ(bytes.size() % 2, 0);
    QByteArray body = bytes.mid(2);
    const QString text = QStringDecoder(QStringDecoder::Utf16LE).decode(body);
    EXPECT_FALSE(text.contains(QChar(0xFEFF)));
    // Every CR starts a CR LF and every LF ends one.
    EXPECT_EQ(text.count(QLatin1Char('\r')), text.count(QStringLiteral("\r\n")));
    EXPECT_EQ(text.count(QLatin1Char('\n')), text.count(QStringLiteral("\r\n")));

    ASSERT_FALSE(rows.isEmpty());
    EXPECT_EQ(rows.first().first(), QStringLiteral("LNGABOUT"));
    const QRegularExpression keyPattern(QStringLiteral("^LNG[A-Z0-9]+$"));
    QMap<QString, int> seen;
    for (int i = 0; i < rows.size(); ++i) {
        const QStringList& row = rows.at(i);
        EXPECT_EQ(row.size(), intFields) << "row " << i + 1;
        EXPECT_TRUE(keyPattern.match(row.first()).hasMatch()) << row.first().toStdString();
        const QString folded = row.first().toUpper();
        EXPECT_FALSE(seen.contains(folded)) << row.first().toStdString() << " twice";
        seen.insert(folded, i);
        for (int c = 1; c < row.size(); ++c) {
            if (c == intEnglish)
                continue;
            EXPECT_FALSE(row.at(c).contains(QLatin1Char('\'')))
                << row.first().toStdString() << " column " << c << " would lose its apostrophe";
        }
    }
}

TEST_F(PhraseResource, EveryUsedKeyHasATextInEveryColumn)
{
    for (const QString& key : fncUsedPhraseKeys()) {
        const int r = rowOf(rows, key);
        ASSERT_GE(r, 0) << key.toStdString() << " is not in the table";
        const QStringList& row = rows.at(r);
        ASSERT_EQ(row.size(), intFields) << key.toStdString();
        for (int c = 1; c < intFields; ++c)
            EXPECT_FALSE(row.at(c).trimmed().isEmpty()) << key.toStdString() << " column " << c;
    }
}

TEST_F(PhraseResource, EnglishTextsAreTheSystemsOwn)
{
    const QMap<QString, QString> expected {
        { QStringLiteral("LNGINTEGRATEDSECURITY"), QStringLiteral("Use trusted connection  - recommended") },
        { QStringLiteral("LNGERRTHISERROR"), QStringLiteral("This error has occured:") },
        { QStringLiteral("LNGSETTINGS"), QStringLiteral("Configure") },
        { QStringLiteral("LNGCREATELOCALCUBE"), QStringLiteral("Create local .cub file") },
        { QStringLiteral("LNGEVENTS"), QStringLiteral("Events (24 h)") },
    };
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        EXPECT_EQ(rows.at(rowOf(rows, it.key())).at(intEnglish), it.value()) << it.key().toStdString();
}

TEST_F(PhraseResource, IsWhatTheUtf8SourceGenerates)
{
    QFile source(QStringLiteral(HV_PHRASES_TSV));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly)) << HV_PHRASES_TSV;
    QStringList lines = QString::fromUtf8(source.readAll()).split(QLatin1Char('\n'));
    ASSERT_TRUE(lines.first().startsWith(QStringLiteral("key\t")));
    lines.removeFirst();
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    const QByteArray generated
        = QByteArray("\xff\xfe") + QByteArray(QStringEncoder(QStringEncoder::Utf16LE).encode(text));
    EXPECT_TRUE(generated == bytes)
        << "resources/LANGUAGE is out of date with resources/phrases.tsv: run scripts/make-language";
}

TEST(PhraseKeys, EveryKeyInTheSourcesIsAUsedKey)
{
    const QRegularExpression literal(QStringLiteral("[\">](LNG[A-Z0-9]+)[\"<]"));
    QMap<QString, QStringList> missing;
    int files = 0;
    QDirIterator it(QStringLiteral(HV_SOURCE_DIR),
        { QStringLiteral("*.h"), QStringLiteral("*.cpp"), QStringLiteral("*.ui") }, QDir::Files,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        ++files;
        const QString text = QString::fromUtf8(file.readAll());
        for (auto m = literal.globalMatch(text); m.hasNext();) {
            const QString key = m.next().captured(1);
            if (!fncUsedPhraseKeys().contains(key))
                missing[key].append(QDir(QStringLiteral(HV_SOURCE_DIR)).relativeFilePath(path));
        }
    }
    EXPECT_GT(files, 0) << "no sources found under " << HV_SOURCE_DIR;
    QStringList lines;
    for (auto m = missing.cbegin(); m != missing.cend(); ++m) {
        QStringList where = m.value();
        where.removeDuplicates();
        lines.append(m.key() + QStringLiteral(" (") + where.join(QStringLiteral(", ")) + QLatin1Char(')'));
    }
    EXPECT_TRUE(missing.isEmpty()) << "keys used in the sources but not in fncUsedPhraseKeys() "
                                      "(add them there and to resources/phrases.tsv):\n  "
                                   << lines.join(QStringLiteral("\n  ")).toStdString();
}

TEST(PhraseKeys, UsedKeysAreSortedAndUnique)
{
    QStringList sorted = fncUsedPhraseKeys();
    sorted.sort();
    sorted.removeDuplicates();
    EXPECT_EQ(sorted, fncUsedPhraseKeys());
}

} // namespace
