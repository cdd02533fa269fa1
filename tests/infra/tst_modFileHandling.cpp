#include "TestSupport.h"
#include "cHVError.h"
#include "modErrorHandling.h"
#include "modFileHandling.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

using hvtest::readFile;
using hvtest::writeFile;

class SaveTextFile : public testing::Test
{
protected:
    QString strDir = hvtest::newTempDir(QStringLiteral("save"));
    QString path(const char* name) const { return strDir + QLatin1Char('/') + QLatin1String(name); }
};

// Permissions decide these two, so they run as a user without privileges.
TEST(SaveTextFilePermissions, ReplacesAnExistingReadOnlyFileWithTheTextWithoutDoubleQuotes)
{
    hvtest::runUnprivileged([](const QString& strDir) {
        const QString target = strDir + QStringLiteral("/report.txt");
        writeFile(target, "old content that is longer than the new one");
        QFile::setPermissions(target, QFileDevice::ReadOwner);
        QString path = target;
        EXPECT_EQ(
            fncSaveTextFile(path, QStringLiteral("Name=\"Acme\"\r\nRate=\"12,50\"\r\n"), true),
            target);
        EXPECT_EQ(path, target);
        EXPECT_EQ(readFile(target), QByteArray("Name=Acme\r\nRate=12,50\r\n"));
        EXPECT_EQ(fncGetLastStep(), QStringLiteral("Saving textfile ") + target);
        EXPECT_EQ(
            QDir(strDir).entryList(QDir::Files), QStringList { QStringLiteral("report.txt") });
    });
}

TEST(SaveTextFilePermissions, AFileInAReadOnlyFolderIsNotReplaceable)
{
    hvtest::runUnprivileged([](const QString& strDir) {
        const QString target = strDir + QStringLiteral("/report.txt");
        writeFile(target, "keep");
        QFile::setPermissions(strDir, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        EXPECT_FALSE(fncFileReplaceable(target));
        QString path = target;
        EXPECT_THROW(fncSaveTextFile(path, QStringLiteral("x"), false), cHVError);
        QFile::setPermissions(
            strDir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        EXPECT_EQ(readFile(target), QByteArray("keep"));
    });
}

TEST_F(SaveTextFile, AnEmptyPathGetsANewNameInTheTemporaryFolder)
{
    hvtest::useOwnTempFolder();
    QString target;
    EXPECT_EQ(fncSaveTextFile(target, QStringLiteral("x"), false), target);
    EXPECT_EQ(QFileInfo(target).absolutePath(), fncGetTempPath());
    EXPECT_TRUE(QFileInfo(target).fileName().contains(
        QRegularExpression(QStringLiteral("^rad[0-9A-F]{5}\\.ndf$"))))
        << target.toStdString();
    EXPECT_EQ(readFile(target), QByteArray("x"));
}

// A folder under the file's name cannot be deleted, whoever runs the test; the numbers accumulate
// while names are taken.
TEST_F(SaveTextFile, AFileThatCannotBeReplacedGetsTheNextFreeName)
{
    QDir().mkpath(path("report.txt"));
    writeFile(path("report1.txt"), "stale");
    QString target = path("report.txt");
    EXPECT_EQ(fncSaveTextFile(target, QStringLiteral("fresh"), false), path("report1.txt"));
    EXPECT_EQ(target, path("report1.txt"));
    EXPECT_EQ(readFile(path("report1.txt")), QByteArray("fresh"));
    EXPECT_TRUE(QFileInfo(path("report.txt")).isDir());

    QFile::remove(path("report1.txt"));
    QDir().mkpath(path("report1.txt"));
    target = path("report.txt");
    fncSaveTextFile(target, QStringLiteral("fresh"), false);
    EXPECT_EQ(target, path("report12.txt"));
    EXPECT_EQ(readFile(path("report12.txt")), QByteArray("fresh"));
}

TEST_F(SaveTextFile, WithShowErrorTheFailureIsReportedAndNothingWritten)
{
    QDir().mkpath(path("report.txt"));
    cMessageBox::setNextAnswer(cMessageBox::Answer::No);
    QString target = path("report.txt");
    EXPECT_TRUE(hvtest::endsProgram([&] { fncSaveTextFile(target, QStringLiteral("x"), true); }));
    EXPECT_TRUE(fncReportText().contains(QStringLiteral(": fncSaveTextFile \r\n")))
        << fncReportText().toStdString();
    EXPECT_TRUE(fncReportText().contains(
        QStringLiteral("Checking for previoius existance of ") + path("report.txt")));
    EXPECT_FALSE(QFileInfo::exists(path("report1.txt")));
}

TEST_F(SaveTextFile, AMissingFolderFailsWithAClearError)
{
    QString target = path("no/such/folder/report.txt");
    EXPECT_THROW(
        try { fncSaveTextFile(target, QStringLiteral("x"), false); } catch (const cHVError& e) {
            EXPECT_EQ(e.Number(), 75);
            EXPECT_TRUE(e.Description().contains(target));
            throw;
        },
        cHVError);
}

struct SlashCase
{
    const char* in;
    const char* out;
};
class StripTrailingSlash : public testing::TestWithParam<SlashCase>
{
};
TEST_P(StripTrailingSlash, RemovesExactlyOne)
{
    EXPECT_EQ(
        fncStripTrailingSlash(QString::fromUtf8(GetParam().in)), QString::fromUtf8(GetParam().out));
}
INSTANTIATE_TEST_SUITE_P(Table, StripTrailingSlash,
    testing::Values(SlashCase { "/home/u/", "/home/u" }, SlashCase { "C:\\Data\\", "C:\\Data" },
        SlashCase { "/home/u", "/home/u" }, SlashCase { "/a//", "/a/" },
        SlashCase { "/a\\\\", "/a\\" }, SlashCase { "/", "" }, SlashCase { "", "" }));

TEST(NullToValue, NullsBecomeEmptyTextOrZero)
{
    const QVariant sqlNull(QMetaType::fromType<int>()); // how Qt SQL hands out a NULL column
    ASSERT_TRUE(sqlNull.isNull());
    EXPECT_EQ(fncNullToValue(sqlNull, false), QVariant(QString()));
    EXPECT_EQ(fncNullToValue(QVariant(), false).toString(), QString());
    EXPECT_EQ(fncNullToValue(sqlNull, true), QVariant(0));
    EXPECT_EQ(fncNullToValue(QVariant(42), false), QVariant(QStringLiteral("42")));
    // Numeric values pass unchanged, type included.
    const QVariant rate(12.5);
    EXPECT_EQ(fncNullToValue(rate, true).metaType(), rate.metaType());
    EXPECT_EQ(fncNullToValue(QVariant(QString()), true), QVariant(QString()));
}

TEST(SpecialFolders, DocumentsAndCubeFolder)
{
    const QString docs = hvtest::homeDir() + QStringLiteral("/Documents");
    EXPECT_EQ(fncGetSpecialFolder(CSIDL_PERSONAL), docs);
    EXPECT_EQ(fncGetSpecialFolder(CSIDL_PROFILE), hvtest::homeDir());
    EXPECT_EQ(fncGetSpecialFolder(0x7777), QString());

    const QString cubes = docs + QStringLiteral("/OLAP Cubes");
    QDir(cubes).removeRecursively();
    EXPECT_EQ(fncGetLocalCubePath(), cubes);
    EXPECT_FALSE(QFileInfo::exists(cubes)) << "nothing uses the folder itself";
}

TEST(FolderPaths, LinksAndRelativePartsAreResolved)
{
    const QString base = hvtest::newTempDir(QStringLiteral("long"));
    QDir().mkpath(base + QStringLiteral("/Long Folder Name/Temp"));
    ASSERT_TRUE(QFile::link(
        base + QStringLiteral("/Long Folder Name"), base + QStringLiteral("/LONGFO~1")));
    const QString canonicalBase = QFileInfo(base).canonicalFilePath();
    EXPECT_EQ(fncGetLongFolderPath(base + QStringLiteral("/LONGFO~1/Temp")),
        canonicalBase + QStringLiteral("/Long Folder Name/Temp"));
    EXPECT_EQ(fncGetLongFolderPath(base + QStringLiteral("/x/../LONGFO~1/")),
        canonicalBase + QStringLiteral("/Long Folder Name"));
    EXPECT_EQ(fncGetLongFolderPath(QStringLiteral("/")), QStringLiteral("/"));

    qputenv("TMPDIR", QFile::encodeName(base + QStringLiteral("/LONGFO~1/Temp/")));
    EXPECT_EQ(fncGetTempPath(), canonicalBase + QStringLiteral("/Long Folder Name/Temp"));
}

class ShellVerbs : public testing::Test
{
protected:
    void SetUp() override
    {
        subSetShellOpener([this](const QUrl& url) {
            opened.append(url);
            return true;
        });
        subSetFilePrinter([this](const QString& path) {
            printed.append(path);
            return true;
        });
        writeFile(strDir + QStringLiteral("/HVMeta1.xml"), "<xml/>");
    }
    void TearDown() override
    {
        subSetShellOpener({});
        subSetFilePrinter({});
    }
    QString strDir = hvtest::newTempDir(QStringLiteral("shell"));
    QList<QUrl> opened;
    QStringList printed;
};

TEST_F(ShellVerbs, DefaultActionOpensPrintVerbPrintsAndMissingFilesDoNothing)
{
    subInvokeShellVerb(strDir + QStringLiteral("/gone"), QStringLiteral("HVMeta1.xml"), QString());
    subInvokeShellVerb(strDir, QStringLiteral("missing.xml"), QStringLiteral("Print"));
    subPrintFile(strDir + QStringLiteral("/missing.xml"));
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(printed.isEmpty());

    subInvokeShellVerb(strDir, QStringLiteral("HVMeta1.xml"), QString());
    EXPECT_EQ(opened, QList<QUrl> { QUrl::fromLocalFile(strDir + QStringLiteral("/HVMeta1.xml")) });
    EXPECT_EQ(fncGetLastStep(),
        QStringLiteral("Trying to execute ") + strDir + QStringLiteral(" HVMeta1.xml"));
    subPrintFile(strDir + QStringLiteral("/HVMeta1.xml"));
    EXPECT_EQ(printed, QStringList { strDir + QStringLiteral("/HVMeta1.xml") });
    EXPECT_EQ(opened.size(), 1);
}
