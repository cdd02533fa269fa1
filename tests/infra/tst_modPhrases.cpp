#include "TestSupport.h"
#include "modErrorHandling.h"
#include "modPhrases.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>

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
    return QByteArray("\xff\xfe")
        + QByteArray(QStringEncoder(QStringEncoder::Utf16LE).encode(text));
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

    QList<QStringList> rows = builtinRows();
};

TEST_F(PhraseLoading, FirstKeyIsFoundDespiteTheByteOrderMarkInTheChosenColumnWithItsFallbacks)
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

    // The chosen column is shown whatever the case of the key; an empty translation falls back to
    // English; ASCII apostrophes go, typographic ones stay; a row needs only the columns up to the
    // chosen one.
    rows[rowOf(rows, QStringLiteral("LNGCANCEL"))][intSwedish].clear();
    rows[rowOf(rows, QStringLiteral("LNGSUBJECT"))][intSwedish]
        = QString::fromUtf8("Det 'citerade' ordet’s ämne");
    load(rows, intSwedish);
    EXPECT_EQ(fncPhrase("LNGTASK"), QStringLiteral("Uppgift"));
    EXPECT_EQ(fncPhrase("LNGtask"), QStringLiteral("Uppgift"));
    EXPECT_EQ(fncPhrase("LNGCANCEL"), QStringLiteral("Cancel"));
    EXPECT_EQ(fncPhrase("LNGSUBJECT"), QString::fromUtf8("Det citerade ordet’s ämne"));
    load(rows, 1);
    EXPECT_EQ(fncPhrase("LNGCANCEL"), QStringLiteral("Storno"));
    rows[rowOf(rows, QStringLiteral("LNGDAY"))]
        = QStringList { QStringLiteral("LNGDAY"), QStringLiteral("Den"), QStringLiteral("Dag"),
              QStringLiteral("Dag"), QStringLiteral("Day") };
    load(rows, intEnglish);
    EXPECT_EQ(fncPhrase("LNGDAY"), QStringLiteral("Day"));
}

// Each broken table ends the program with a report naming the failing procedure and the cause.
TEST_F(PhraseLoading, BrokenTablesAreReportedAndEndTheProgram)
{
    using Rows = QList<QStringList>;
    const struct
    {
        const char* name;
        qint16 column;
        std::function<void(Rows&)> edit;
        QStringList expected;
        bool unclosedLastRow = false;
    } cases[] = {
        { "ShortRow", intSwedish,
            [](Rows& r) {
                r[rowOf(r, QStringLiteral("LNGDAY"))]
                    = QStringList { QStringLiteral("LNGDAY"), QStringLiteral("Den") };
            },
            { QStringLiteral(": subReadPhrases "), QStringLiteral("#9") } },
        { "DuplicateKeyInAnotherCase", intEnglish,
            [](Rows& r) {
                QStringList twin = r.at(rowOf(r, QStringLiteral("LNGOK")));
                twin[0] = QStringLiteral("LNGok");
                r.append(twin);
            },
            { QStringLiteral(": subReadPhrases "), QStringLiteral("#457") } },
        { "MissingUsedKey", intEnglish,
            [](Rows& r) { r.removeAt(rowOf(r, QStringLiteral("LNGTASK"))); },
            { QStringLiteral(": LoadLanguages "), QStringLiteral("LNGTASK") } },
        // Only rows closed by CR LF count.
        { "UnclosedLastRow", intEnglish,
            [](Rows& r) { r.move(rowOf(r, QStringLiteral("LNGWRITESUBJECT")), r.size() - 1); },
            { QStringLiteral("LNGWRITESUBJECT") }, true },
        { "ColumnZero", 0, [](Rows&) {}, { QStringLiteral(": subReadPhrases ") } },
        { "ColumnPastTheLast", 17, [](Rows&) {}, { QStringLiteral(": subReadPhrases ") } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rows edited = rows;
        c.edit(edited);
        QByteArray bytes = tableOf(edited);
        if (c.unclosedLastRow)
            bytes.chop(4);
        subSetLanguageResource(bytes);
        subResetErrorState();
        cMessageBox::setNextAnswer(cMessageBox::Answer::No);
        EXPECT_TRUE(hvtest::endsProgram([&] { LoadLanguages(c.column); }))
            << "the program went on with a broken phrase table";
        EXPECT_EQ(cMessageBox::pendingAnswers(), 0) << "no error report was shown";
        for (const QString& part : c.expected)
            EXPECT_TRUE(fncReportText().contains(part)) << part.toStdString() << "\n"
                                                        << fncReportText().toStdString();
    }
}

// The shipped table is what the UTF-8 source generates. Every row has every column, a unique key
// and no apostrophe that loading would drop; every key the sources use has a text in every
// column.
TEST(PhraseResource, IsWhatTheUtf8SourceGeneratesWithCompleteUniqueRows)
{
    const QList<QStringList> rows = builtinRows();
    QStringList lines = QString::fromUtf8(hvtest::readFile(QStringLiteral(HV_PHRASES_TSV)))
                            .split(QLatin1Char('\n'));
    ASSERT_TRUE(lines.first().startsWith(QStringLiteral("key\t"))) << HV_PHRASES_TSV;
    lines.removeFirst();
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    QList<QStringList> source;
    for (const QString& line : lines)
        source.append(line.split(QLatin1Char('\t')));
    EXPECT_TRUE(tableOf(source) == fncLanguageResource())
        << "resources/LANGUAGE is out of date with resources/phrases.tsv: run "
           "scripts/make-language";

    ASSERT_FALSE(rows.isEmpty());
    EXPECT_EQ(rows.first().first(), QStringLiteral("LNGABOUT"));
    const QRegularExpression keyPattern(QStringLiteral("^LNG[A-Z0-9]+$"));
    QSet<QString> seen;
    for (const QStringList& row : rows) {
        const std::string key = row.first().toStdString();
        EXPECT_EQ(row.size(), intFields) << key;
        EXPECT_TRUE(keyPattern.match(row.first()).hasMatch()) << key;
        EXPECT_FALSE(seen.contains(row.first().toUpper())) << key << " twice";
        seen.insert(row.first().toUpper());
        for (int c = 1; c < row.size(); ++c) {
            EXPECT_TRUE(c == intEnglish || !row.at(c).contains(QLatin1Char('\'')))
                << key << " " << c;
            EXPECT_TRUE(
                !fncUsedPhraseKeys().contains(row.first()) || !row.at(c).trimmed().isEmpty())
                << key << " column " << c;
        }
    }
    for (const QString& key : fncUsedPhraseKeys())
        EXPECT_TRUE(seen.contains(key)) << key.toStdString() << " is not in the table";
}

// Every key literal in the sources is listed in fncUsedPhraseKeys() (and so in the table).
TEST(PhraseKeys, EveryKeyInTheSourcesIsAUsedKey)
{
    const QRegularExpression literal(QStringLiteral("[\">](LNG[A-Z0-9]+)[\"<]"));
    const QDir sources(QStringLiteral(HV_SOURCE_DIR));
    QStringList missing;
    int files = 0;
    QDirIterator it(sources.path(),
        { QStringLiteral("*.h"), QStringLiteral("*.cpp"), QStringLiteral("*.ui") }, QDir::Files,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        ++files;
        for (auto m = literal.globalMatch(QString::fromUtf8(hvtest::readFile(path)));
             m.hasNext();) {
            const QString key = m.next().captured(1);
            if (!fncUsedPhraseKeys().contains(key))
                missing.append(key + QStringLiteral(" in ") + sources.relativeFilePath(path));
        }
    }
    EXPECT_GT(files, 0) << "no sources found under " << HV_SOURCE_DIR;
    EXPECT_EQ(missing, QStringList())
        << "add them to fncUsedPhraseKeys() and resources/phrases.tsv";
}

} // namespace
