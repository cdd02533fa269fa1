#include "TestSupport.h"
#include "modFileHandling.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TEST(StripTrailingSlash, RemovesExactlyOne)
{
    const std::pair<const char*, const char*> cases[]
        = { { "/home/u/", "/home/u" }, { "C:\\Data\\", "C:\\Data" }, { "/home/u", "/home/u" },
              { "/a//", "/a/" }, { "/a\\\\", "/a\\" }, { "/", "" }, { "", "" } };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(fncStripTrailingSlash(QString::fromUtf8(in)), QString::fromUtf8(out)) << in;
}

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

TEST(SpecialFolders, DocumentsAndCubeFolderWithLinksAndRelativePartsResolved)
{
    const QString docs = hvtest::homeDir() + QStringLiteral("/Documents");
    EXPECT_EQ(fncGetSpecialFolder(CSIDL_PERSONAL), docs);
    EXPECT_EQ(fncGetSpecialFolder(CSIDL_PROFILE), hvtest::homeDir());
    EXPECT_EQ(fncGetSpecialFolder(0x7777), QString());

    const QString cubes = docs + QStringLiteral("/OLAP Cubes");
    QDir(cubes).removeRecursively();
    EXPECT_EQ(fncGetLocalCubePath(), cubes);
    EXPECT_FALSE(QFileInfo::exists(cubes)) << "nothing uses the folder itself";

    // Links and relative parts of folder paths are resolved.
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

    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(base + QStringLiteral("/LONGFO~1/Temp/")));
    EXPECT_EQ(fncGetTempPath(), canonicalBase + QStringLiteral("/Long Folder Name/Temp"));
    if (oldTmp.isEmpty())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", oldTmp);
}
