#include "TestSupport.h"
#include "modRegistryEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QThread>

namespace {
const QString strSettings = QStringLiteral("Settings");

QSettings fncRawStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orrevik"),
        QStringLiteral("Hourvane for Outlook"));
}

QString fncRead(const QString& strKey, const QString& strSection = strSettings)
{
    return fncReadRegistryValue(strSection, strKey, QStringLiteral("DEFAULT"));
}

} // namespace

class RegistryStore : public testing::Test
{
protected:
    void SetUp() override
    {
        const QString path = fncRegistryStorePath();
        if (QFileInfo(path).isDir())
            QDir(path).removeRecursively();
        else
            QFile::remove(path);
        // Forget what this process cached of the previous test's file.
        fncRawStore().sync();
    }
};

// The section is checked first.
TEST_F(RegistryStore, BlankNamesFailBeforeTouchingTheStoreAndNonStringsWithTheirTypeCode)
{
    const QString section = QStringLiteral("Section may not be empty");
    const QString key = QStringLiteral("Key may not be empty");
    const std::tuple<const char*, const char*, qint32, QString> cases[]
        = { { "", "Rate", -2147220503, section }, { "   ", "Rate", -2147220503, section },
              { "Settings", "  ", -2147220502, key }, { " ", " ", -2147220503, section } };
    for (const auto& [s, k, number, description] : cases) {
        const QString strSection = QString::fromUtf8(s), strKey = QString::fromUtf8(k);
        for (const auto& e : { hvtest::errorOf([&] {
                                  subWriteRegistryValue(strSection, strKey, QStringLiteral("v"));
                              }),
                 hvtest::errorOf(
                     [&] { fncReadRegistryValue(strSection, strKey, QStringLiteral("d")); }) }) {
            EXPECT_EQ(e.Number(), number) << s << "|" << k;
            EXPECT_EQ(e.Description(), description) << s << "|" << k;
            EXPECT_EQ(e.Source(), QStringLiteral("modRegistryEntry"));
        }
    }
    EXPECT_FALSE(QFile::exists(fncRegistryStorePath()));

    // Values that are not strings fail with their type code.
    const struct
    {
        const char* name;
        QVariant value;
        qint32 number;
    } typed[] = {
        { "dword", QVariant(4), -2147219500 },
        { "bool", QVariant(true), -2147219500 },
        { "qword", QVariant(qlonglong(1) << 40), -2147219493 },
        { "binary", QVariant(QByteArray("\x01\x02", 2)), -2147219501 },
        { "multi", QVariant(QStringList { "a", "b" }), -2147219497 },
    };
    {
        auto raw = fncRawStore();
        for (const auto& c : typed)
            raw.setValue(strSettings + QLatin1Char('/') + QLatin1String(c.name), c.value);
    }
    for (const auto& c : typed) {
        const auto e = hvtest::errorOf([&] { fncRead(QLatin1String(c.name)); });
        EXPECT_EQ(e.Number(), c.number) << c.name;
        EXPECT_EQ(e.Description(), QStringLiteral("Registry data not a string")) << c.name;
    }
}

TEST_F(RegistryStore, ValuesAndKeyNamesRoundTripExactlyAndAnUnusableStoreIsLeftAsItWas)
{
    EXPECT_EQ(fncRead(QStringLiteral("Rate")), QStringLiteral("DEFAULT"));
    const QList<std::pair<QString, QString>> cases {
        { QStringLiteral("Empty"), QString() }, // a value, not a missing one
        { QStringLiteral("Lines"), QStringLiteral("one\r\ntwo\r\n") },
        { QStringLiteral("Quoted"), QStringLiteral("\"a\", 'b'; c=d") },
        { QStringLiteral("At"), QStringLiteral("@ByteArray(x)") },
        { QStringLiteral("Unicode"), QStringLiteral("Ødegård € 東京") },
        { QStringLiteral("Blanks"), QStringLiteral("  padded  ") },
        { QStringLiteral("a/b"), QStringLiteral("1") },
        { QStringLiteral("a\\b"), QStringLiteral("2") },
        { QStringLiteral("a%2Fb"), QStringLiteral("3") },
        { QStringLiteral(" Rate "), QStringLiteral("4") },
        { QStringLiteral("x=y;z"), QStringLiteral("5") },
    };
    for (const auto& [key, value] : cases)
        subWriteRegistryValue(strSettings, key, value);
    for (const auto& [key, value] : cases)
        EXPECT_EQ(fncRead(key), value) << key.toStdString();
    EXPECT_EQ(fncRead(QStringLiteral("Rate")), QStringLiteral("DEFAULT"));
    EXPECT_EQ(fncRead(QStringLiteral("Lines"), QStringLiteral("Never")), QStringLiteral("DEFAULT"));
    // None of the key names made a sub-section.
    auto raw = fncRawStore();
    raw.beginGroup(strSettings);
    EXPECT_TRUE(raw.childGroups().isEmpty());
    EXPECT_EQ(raw.childKeys().size(), cases.size());

    // A folder where the file should be (unreadable even for root), or a damaged file: reported,
    // and never rewritten.
    SetUp();
    const auto check = [](qint32 result, const QByteArray& before) {
        const auto read = hvtest::errorOf([] { fncRead(QStringLiteral("Rate")); });
        EXPECT_EQ(read.Number(), lngRegResultBase + result);
        EXPECT_EQ(read.Description(), QStringLiteral("Could not open registry section"));
        const auto write = hvtest::errorOf([] {
            subWriteRegistryValue(strSettings, QStringLiteral("Rate"), QStringLiteral("1"));
        });
        EXPECT_EQ(write.Number(), lngRegResultBase + result);
        EXPECT_EQ(write.Description(), QStringLiteral("Could not open/create registry section"));
        EXPECT_EQ(hvtest::readFile(fncRegistryStorePath()), before);
    };
    QDir().mkpath(fncRegistryStorePath());
    check(5, QByteArray());
    EXPECT_TRUE(QFileInfo(fncRegistryStorePath()).isDir());
    // Damaged as the store's reader sees it: a stray line and an open section, a section or a
    // key cut short by a ";" comment, a stray line after a bare CR, keys that a rewrite would
    // make unreadable.
    for (const char* damaged : { "[Settings]\r\nRate=100\r\n\"broken\r\n[unterminated\r\n",
             "[Settings]\nRate=100\n[Other;part]\n", "[Settings]\nRa;te=100\n",
             "[Settings]\rRate=100\rstray\r", "[Settings]\nRate=100\nOther%2F =1\n",
             "[Settings]\nRate=100\n[Old\\Settings]\n=1\n" }) {
        SetUp();
        hvtest::writeFile(fncRegistryStorePath(), damaged);
        check(1009, damaged);
    }
}

TEST_F(RegistryStore, NamesIgnoreCaseSectionsTrimBackslashNestsAndOtherWritersAreSeen)
{
    subWriteRegistryValue(
        QStringLiteral(" Settings "), QStringLiteral("HourlyRate"), QStringLiteral("100"));
    subWriteRegistryValue(
        QStringLiteral("SETTINGS"), QStringLiteral("hourlyrate"), QStringLiteral("120"));
    EXPECT_EQ(
        fncRead(QStringLiteral("HOURLYRATE"), QStringLiteral("settings")), QStringLiteral("120"));
    subWriteRegistryValue(
        QStringLiteral("Lists\\Meta1"), QStringLiteral("Caption"), QStringLiteral("Customer"));
    EXPECT_EQ(fncRead(QStringLiteral("Caption"), QStringLiteral("Lists\\Meta1")),
        QStringLiteral("Customer"));
    EXPECT_EQ(
        fncRead(QStringLiteral("Caption"), QStringLiteral("Lists")), QStringLiteral("DEFAULT"));
    auto raw = fncRawStore();
    EXPECT_EQ(
        raw.value(QStringLiteral("Lists/Meta1/Caption")).toString(), QStringLiteral("Customer"));
    EXPECT_EQ(raw.childGroups(), (QStringList { QStringLiteral("Lists"), strSettings }));
    raw.beginGroup(strSettings);
    EXPECT_EQ(raw.childKeys(), QStringList { QStringLiteral("HourlyRate") });
    // What another program wrote is seen at once.
    QThread::msleep(20); // the file's time stamp must move on for the change to be noticed
    hvtest::writeFile(fncRegistryStorePath(), "[Settings]\r\nRate=250\r\n");
    EXPECT_EQ(fncRead(QStringLiteral("Rate")), QStringLiteral("250"));
}
