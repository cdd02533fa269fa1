#include "modRegistryEntry.h"

#include "cHVError.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QThread>

#include <functional>

namespace {
const QString strSettings = QStringLiteral("Settings");

QSettings fncRawStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orrevik"),
        QStringLiteral("Hourvane for Outlook"));
}

// The error a call raised, or a default-constructed error when it raised none.
cHVError fncErrorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const cHVError& e) {
        return e;
    }
    return cHVError(0, QString(), QStringLiteral("no error"));
}

void subReplaceStoreFile(const QByteArray& content)
{
    const QString path = fncRegistryStorePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QByteArray fncStoreFileBytes()
{
    QFile file(fncRegistryStorePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class RegistryStore : public testing::Test
{
protected:
    void SetUp() override
    {
        const QString path = fncRegistryStorePath();
        QFileInfo info(path);
        if (info.isDir())
            QDir(path).removeRecursively();
        else
            QFile::remove(path);
        // Forget what this process cached of the previous test's file.
        fncRawStore().sync();
    }
};

struct BlankCase
{
    const char* section;
    const char* key;
    qint32 number;
    const char* description;
};

class RegistryStoreBlank : public RegistryStore, public testing::WithParamInterface<BlankCase>
{
};

TEST_P(RegistryStoreBlank, FailsBeforeTouchingTheStore)
{
    const BlankCase c = GetParam();
    const auto write = fncErrorOf([&] {
        subWriteRegistryValue(QString::fromUtf8(c.section), QString::fromUtf8(c.key), QStringLiteral("v"));
    });
    EXPECT_EQ(write.Number(), c.number);
    EXPECT_EQ(write.Description(), QString::fromUtf8(c.description));
    EXPECT_EQ(write.Source(), QStringLiteral("modRegistryEntry"));
    const auto read = fncErrorOf([&] {
        fncReadRegistryValue(QString::fromUtf8(c.section), QString::fromUtf8(c.key), QStringLiteral("d"));
    });
    EXPECT_EQ(read.Number(), c.number);
    EXPECT_EQ(read.Description(), QString::fromUtf8(c.description));
    EXPECT_FALSE(QFile::exists(fncRegistryStorePath()));
}

INSTANTIATE_TEST_SUITE_P(Table, RegistryStoreBlank,
    testing::Values(BlankCase { "", "Rate", -2147220503, "Section may not be empty" },
        BlankCase { "   ", "Rate", -2147220503, "Section may not be empty" },
        BlankCase { "Settings", "", -2147220502, "Key may not be empty" },
        BlankCase { "Settings", "  ", -2147220502, "Key may not be empty" },
        // The section is checked first.
        BlankCase { " ", " ", -2147220503, "Section may not be empty" }));

TEST_F(RegistryStore, MissingSectionOrKeyGivesTheDefault)
{
    EXPECT_EQ(fncReadRegistryValue(strSettings, QStringLiteral("Rate"), QStringLiteral("dflt")),
        QStringLiteral("dflt"));
    subWriteRegistryValue(strSettings, QStringLiteral("Rate"), QStringLiteral("12,5"));
    EXPECT_EQ(fncReadRegistryValue(strSettings, QStringLiteral("Other"), QStringLiteral("dflt")),
        QStringLiteral("dflt"));
    EXPECT_EQ(fncReadRegistryValue(QStringLiteral("Never"), QStringLiteral("Rate"), QStringLiteral("x")),
        QStringLiteral("x"));
}

TEST_F(RegistryStore, ValuesRoundTripExactly)
{
    const QList<std::pair<QString, QString>> cases {
        { QStringLiteral("Private"), QStringLiteral("True") },
        { QStringLiteral("Empty"), QString() },
        { QStringLiteral("Lines"), QStringLiteral("one\r\ntwo\r\n") },
        { QStringLiteral("Quoted"), QStringLiteral("\"a\", 'b'; c=d") },
        { QStringLiteral("Comma"), QStringLiteral("a, b") },
        { QStringLiteral("At"), QStringLiteral("@ByteArray(x)") },
        { QStringLiteral("Unicode"), QStringLiteral("Ødegård € 東京") },
        { QStringLiteral("Blanks"), QStringLiteral("  padded  ") },
    };
    for (const auto& [key, value] : cases)
        subWriteRegistryValue(strSettings, key, value);
    for (const auto& [key, value] : cases) {
        const QString back = fncReadRegistryValue(strSettings, key, QStringLiteral("DEFAULT"));
        EXPECT_EQ(back, value) << key.toStdString();
    }
    // An empty value is a value, not a missing one.
    EXPECT_EQ(fncReadRegistryValue(strSettings, QStringLiteral("Empty"), QStringLiteral("D")), QString());
}

TEST_F(RegistryStore, KeyNamesAreKeptAsPassed)
{
    const QStringList keys { QStringLiteral("a/b"), QStringLiteral("a\\b"), QStringLiteral("a%2Fb"),
        QStringLiteral(" Rate "), QStringLiteral("Rate"), QStringLiteral("x=y;z") };
    for (int i = 0; i < keys.size(); ++i)
        subWriteRegistryValue(strSettings, keys.at(i), QString::number(i));
    for (int i = 0; i < keys.size(); ++i)
        EXPECT_EQ(fncReadRegistryValue(strSettings, keys.at(i), QString()), QString::number(i))
            << keys.at(i).toStdString();
    // None of them made a sub-section.
    auto raw = fncRawStore();
    raw.beginGroup(strSettings);
    EXPECT_TRUE(raw.childGroups().isEmpty());
    EXPECT_EQ(raw.childKeys().size(), keys.size());
}

TEST_F(RegistryStore, NamesCompareWithoutCaseLikeTheRegistry)
{
    subWriteRegistryValue(strSettings, QStringLiteral("HourlyRate"), QStringLiteral("100"));
    subWriteRegistryValue(QStringLiteral("SETTINGS"), QStringLiteral("hourlyrate"), QStringLiteral("120"));
    EXPECT_EQ(fncReadRegistryValue(QStringLiteral("settings"), QStringLiteral("HOURLYRATE"), QString()),
        QStringLiteral("120"));
    auto raw = fncRawStore();
    EXPECT_EQ(raw.childGroups(), QStringList { strSettings });
    raw.beginGroup(strSettings);
    EXPECT_EQ(raw.childKeys(), QStringList { QStringLiteral("HourlyRate") });
}

TEST_F(RegistryStore, SectionIsTrimmedAndBackslashMakesSubSections)
{
    subWriteRegistryValue(QStringLiteral(" Settings "), QStringLiteral("Rate"), QStringLiteral("7"));
    EXPECT_EQ(fncReadRegistryValue(strSettings, QStringLiteral("Rate"), QString()), QStringLiteral("7"));
    subWriteRegistryValue(QStringLiteral("Lists\\Meta1"), QStringLiteral("Caption"), QStringLiteral("Customer"));
    EXPECT_EQ(fncRawStore().value(QStringLiteral("Lists/Meta1/Caption")).toString(), QStringLiteral("Customer"));
    EXPECT_EQ(fncReadRegistryValue(QStringLiteral("Lists\\Meta1"), QStringLiteral("Caption"), QString()),
        QStringLiteral("Customer"));
    EXPECT_EQ(fncReadRegistryValue(QStringLiteral("Lists"), QStringLiteral("Caption"), QStringLiteral("d")),
        QStringLiteral("d"));
}

struct TypeCase
{
    const char* name;
    QVariant value;
    qint32 type;
};

TEST_F(RegistryStore, ValuesThatAreNotStringsFailWithTheirTypeCode)
{
    const QList<TypeCase> cases {
        { "dword", QVariant(4), REG_DWORD },
        { "bool", QVariant(true), REG_DWORD },
        { "qword", QVariant(qlonglong(1) << 40), REG_QWORD },
        { "binary", QVariant(QByteArray("\x01\x02", 2)), REG_BINARY },
        { "multi", QVariant(QStringList { "a", "b" }), REG_MULTI_SZ },
    };
    {
        auto raw = fncRawStore();
        for (const auto& c : cases)
            raw.setValue(strSettings + QLatin1Char('/') + QLatin1String(c.name), c.value);
    }
    for (const auto& c : cases) {
        const auto e = fncErrorOf([&] {
            fncReadRegistryValue(strSettings, QLatin1String(c.name), QString());
        });
        EXPECT_EQ(e.Number(), static_cast<qint32>(0x80040000u) + 2000 + c.type) << c.name;
        EXPECT_EQ(e.Description(), QStringLiteral("Registry data not a string")) << c.name;
    }
    EXPECT_EQ(static_cast<qint32>(0x80040000u) + 2000 + REG_DWORD, -2147219500);
}

TEST_F(RegistryStore, SeesWhatAnotherProgramWroteAtOnce)
{
    subWriteRegistryValue(strSettings, QStringLiteral("Rate"), QStringLiteral("100"));
    EXPECT_EQ(fncReadRegistryValue(strSettings, QStringLiteral("Rate"), QString()), QStringLiteral("100"));
    QThread::msleep(20); // the file's time stamp must move on for the change to be noticed
    subReplaceStoreFile("[Settings]\r\nRate=250\r\nBinary=@ByteArray(xyz)\r\n");
    EXPECT_EQ(fncReadRegistryValue(strSettings, QStringLiteral("Rate"), QString()), QStringLiteral("250"));
    EXPECT_EQ(fncErrorOf([] { fncReadRegistryValue(strSettings, QStringLiteral("Binary"), QString()); }).Number(),
        static_cast<qint32>(0x80040000u) + 2003);
}

TEST_F(RegistryStore, AnUnreachableStoreFailsWithAccessDenied)
{
    // A folder where the file should be: unreadable and unwritable even for root.
    QDir().mkpath(fncRegistryStorePath());
    const auto read = fncErrorOf([] { fncReadRegistryValue(strSettings, QStringLiteral("Rate"), QString()); });
    EXPECT_EQ(read.Number(), static_cast<qint32>(0x80040000u) + 2005);
    EXPECT_EQ(read.Description(), QStringLiteral("Could not open registry section"));
    const auto write = fncErrorOf([] {
        subWriteRegistryValue(strSettings, QStringLiteral("Rate"), QStringLiteral("1"));
    });
    EXPECT_EQ(write.Number(), static_cast<qint32>(0x80040000u) + 2005);
    EXPECT_EQ(write.Description(), QStringLiteral("Could not open/create registry section"));
    EXPECT_TRUE(QFileInfo(fncRegistryStorePath()).isDir());
}

TEST_F(RegistryStore, ADamagedStoreFileIsReportedAndNeverRewritten)
{
    const QByteArray damaged = "[Settings]\r\nRate=100\r\n\"broken\r\n[unterminated\r\n";
    subReplaceStoreFile(damaged);
    const auto read = fncErrorOf([] { fncReadRegistryValue(strSettings, QStringLiteral("Rate"), QString()); });
    EXPECT_EQ(read.Number(), static_cast<qint32>(0x80040000u) + 2000 + 1009);
    const auto write = fncErrorOf([] {
        subWriteRegistryValue(strSettings, QStringLiteral("Rate"), QStringLiteral("1"));
    });
    EXPECT_EQ(write.Number(), static_cast<qint32>(0x80040000u) + 2000 + 1009);
    EXPECT_EQ(write.Description(), QStringLiteral("Could not open/create registry section"));
    EXPECT_EQ(fncStoreFileBytes(), damaged);
}
