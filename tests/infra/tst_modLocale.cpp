#include "TestSupport.h"
#include "modLocale.h"
#include "modPhrases.h"

#include <QCoreApplication>
#include <QProcess>
#include <array>

namespace {

struct LocaleCase
{
    const char* tag;
    quint32 lcid;
    qint16 column;
    const char* separator;
};

// One locale per column, those whose separator the decimal-point rule would get wrong, those
// that read English, and (identifier 0) locales without an identifier of their own: they read
// English and take the separator from the decimal separator.
const LocaleCase locales[] = {
    { "cs_CZ", 1029, 1, ";" },
    { "da_DK", 1030, 2, ";" },
    { "nl_BE", 2067, 3, ";" },
    { "fi_FI", 1035, 5, ";" },
    { "fr_CA", 3084, 6, ";" },
    { "de_CH", 2055, 7, ";" },
    { "el_GR", 1032, 8, ";" },
    { "it_CH", 2064, 9, ";" },
    { "nb_NO", 1044, 10, ";" },
    { "pt_PT", 2070, 11, ";" },
    { "sl_SI", 1060, 12, ";" },
    { "es_MX", 2058, 13, "," },
    { "es_GT", 4106, 13, ";" },
    { "sv_SE", 1053, 14, ";" },
    { "tr_TR", 1055, 15, ";" },
    { "ru_RU", 1049, 4, ";" },
    { "pt_BR", 1046, 4, ";" },
    { "nn_NO", 2068, 4, ";" },
    { "en_GB", 2057, 4, "," },
    { "pl_PL", 0, 4, ";" },
    { "de_BE", 0, 4, ";" },
    { "en_AU", 0, 4, "," },
    { "C", 0, 4, "," },
};

// Traditional-sort Spanish reads Spanish, plain Norwegian is Bokmål, other identifiers read
// English without a separator.
TEST(LocaleMapping, LocalesAndIdentifiersMapToTheirColumnAndSeparator)
{
    for (const LocaleCase& c : locales) {
        const QLocale locale(QString::fromLatin1(c.tag));
        EXPECT_EQ(fncLcidForLocale(locale), c.lcid) << c.tag;
        EXPECT_EQ(fncColumnForLocale(locale), c.column) << c.tag;
        EXPECT_EQ(fncListSeparatorForLocale(locale), QString::fromLatin1(c.separator)) << c.tag;
    }
    EXPECT_EQ(fncColumnForLcid(1034), 13);
    EXPECT_EQ(fncListSeparatorForLcid(1034), QStringLiteral(";"));
    EXPECT_EQ(fncLcidForLocale(QLocale(QStringLiteral("no_NO"))), 1044u);
    EXPECT_EQ(fncColumnForLcid(0), 4);
    EXPECT_EQ(fncColumnForLcid(1045), 4);
    EXPECT_TRUE(fncListSeparatorForLcid(0).isEmpty());

    // What the table above cannot show for the locales it leaves out: every identified locale has a
    // separator and reads its language.
    for (const QLocale& locale :
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
        const quint32 lcid = fncLcidForLocale(locale);
        if (lcid == 0
            || locale.language() == QLocale::Portuguese) // Brazil reads English, Portugal not
            continue;
        EXPECT_FALSE(fncListSeparatorForLcid(lcid).isEmpty()) << lcid;
        EXPECT_EQ(fncColumnForLcid(lcid), fncColumnForLocale(QLocale(locale.language()))) << lcid;
    }
}

// Every form that any earlier reader of stored Booleans took (the other settings, the personal
// settings, user properties, the metadata lists) still reads the same.
TEST(StoredBoolean, ReadsWordsAndNumbersInAnyForm)
{
    const struct
    {
        const char* text;
        const char* locale;
        std::optional<bool> expected; // nullopt: not a Boolean
    } cases[] = { { "True", "C", true }, { " tRUE\t", "C", true }, { "FALSE", "C", false },
        { "-1", "C", true }, { "0", "C", false }, { "2", "C", true }, { "0,0", "C", false },
        { "0,5", "C", true }, { ".5", "C", true }, { "1e3", "C", true }, { "0e7", "C", false },
        { "inf", "C", true }, { "1,000.5", "de_DE", true }, { "1.234,5", "de_DE", true },
        { "0.000,0", "de_DE", false }, { "1.234,5", "C", {} }, { "", "C", {} }, { "yes", "C", {} },
        { "Truely", "C", {} }, { "1 0", "C", {} } };
    for (const auto& c : cases)
        EXPECT_EQ(fncStoredTextToBoolean(
                      QString::fromUtf8(c.text), QLocale(QString::fromLatin1(c.locale))),
            c.expected)
            << c.text << " in " << c.locale;
}

// Run in a child process that this binary starts with a chosen environment: the system locale
// is read once per process, so only a fresh process shows what LANG and LC_ALL select.
TEST(SystemLocale, ChildReportsColumnAndSeparator)
{
    const QByteArray column = qgetenv("HV_EXPECT_COLUMN");
    if (column.isEmpty())
        GTEST_SKIP() << "only run by SystemLocale.FollowsTheEnvironment";
    EXPECT_EQ(fncGetlocalLanguage(), column.toShort());
    EXPECT_EQ(fncGetListSeparator(), QString::fromLatin1(qgetenv("HV_EXPECT_SEPARATOR")));
}

TEST(SystemLocale, FollowsTheEnvironment)
{
    // LC_ALL (when set), LANG, and the column and separator they select.
    const std::array<const char*, 4> runs[] = {
        { "", "sv_SE.UTF-8", "14", ";" },
        { "fr_CA.UTF-8", "en_US.UTF-8", "6", ";" },
        { "", "C", "4", "," },
    };
    for (const auto& [lcAll, lang, column, separator] : runs) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : { "LC_ALL", "LC_NUMERIC", "LC_MESSAGES", "LANGUAGE" })
            env.remove(QString::fromLatin1(name));
        if (*lcAll)
            env.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(lcAll));
        env.insert(QStringLiteral("LANG"), QString::fromLatin1(lang));
        env.insert(QStringLiteral("HV_EXPECT_COLUMN"), QString::fromLatin1(column));
        env.insert(QStringLiteral("HV_EXPECT_SEPARATOR"), QString::fromLatin1(separator));
        QProcess child;
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
            { QStringLiteral("--gtest_filter=SystemLocale.ChildReportsColumnAndSeparator") });
        ASSERT_TRUE(child.waitForFinished(30000));
        const QString output = QString::fromLocal8Bit(child.readAll());
        EXPECT_EQ(child.exitCode(), 0) << lcAll << " " << lang << ":\n" << output.toStdString();
        EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << lang << ":\n"
                                                                            << output.toStdString();
    }
}

} // namespace
