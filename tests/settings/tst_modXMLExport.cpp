#include "cGlobalSettings.h"
#include "modFileHandling.h"
#include "modXMLExport.h"
#include "tst_cGlobalSettingsSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrl>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>

using namespace hvglobaltest;

namespace {
const QStringList colExportNames { QStringLiteral("HVMeta1.xml"), QStringLiteral("HVMeta2.xml"),
    QStringLiteral("HVMeta3.xml"), QStringLiteral("HVSettings.xml"),
    QStringLiteral("HVMetaLists.xml") };

// One export set: the five files' paths under strFolder with the bytes read from strFrom.
QList<std::pair<QString, QByteArray>> fncExportSet(const QString& strFolder, const QString& strFrom)
{
    QList<std::pair<QString, QByteArray>> set;
    for (const QString& name : colExportNames)
        set.append({ strFolder + QLatin1Char('/') + name,
            hvtest::readFile(strFrom + QLatin1Char('/') + name) });
    return set;
}

// The kill test's child: started with HV_EXPORT_KILL_CHILD naming a folder that holds the sets
// "a" and "b", it says so on stdout and replaces the set in "out" by one and the other until it
// is killed.
[[maybe_unused]] const bool g_blnKillChild = [] {
    const QString folder = qEnvironmentVariable("HV_EXPORT_KILL_CHILD");
    if (folder.isEmpty())
        return false;
    const auto a = fncExportSet(folder + QStringLiteral("/out"), folder + QStringLiteral("/a"));
    const auto b = fncExportSet(folder + QStringLiteral("/out"), folder + QStringLiteral("/b"));
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (int i = 0;; ++i)
        subReplaceFiles(i % 2 == 0 ? b : a);
}();

// Serves fixed files over HTTP on loopback; a path it does not know gets 404, and one below
// "/silent" is accepted and never answered. Every path asked for is recorded.
class cLoopbackHttp
{
public:
    cLoopbackHttp()
    {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            while (QTcpSocket* s = server.nextPendingConnection()) {
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    const QByteArray request = s->readAll();
                    const QByteArray path = request.split(' ').value(1);
                    requested.append(path);
                    const auto it = files.constFind(path);
                    if (it == files.cend() && path.startsWith("/silent"))
                        return;
                    const QByteArray body = it == files.cend() ? QByteArray("not here") : *it;
                    s->write(
                        (it == files.cend() ? "HTTP/1.0 404 Not Found\r\n" : "HTTP/1.0 200 OK\r\n")
                        + QByteArray("Content-Type: text/xml\r\nContent-Length: ")
                        + QByteArray::number(body.size()) + "\r\n\r\n" + body);
                    s->disconnectFromHost();
                });
            }
        });
    }
    QString url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server.serverPort()).arg(path);
    }
    QTcpServer server;
    QHash<QByteArray, QByteArray> files;
    QByteArrayList requested;
};

// Written by hand as the format's own writer lays a file out: tabs, single quotes, a start tag
// broken before the attribute that follows 106 characters, nulls as missing attributes.
const QByteArray baMetaListsFile
    = hvtest::readFile(QStringLiteral(HV_XML_SAMPLES "/HVMetaLists.xml"));

class RowsetXml : public testing::Test
{
protected:
    void TearDown() override { subResetDBState(); }
};

TEST_F(RowsetXml, WritesATableAsTheFormatsWriterDoesAndReadsItBackWithNullsKeptApart)
{
    hvtest::fncFreshDatabase(eEngine::SQLite);
    RecordsetPtr rs = fncReturnRecordset(QStringLiteral("tblMetaLists"), false);
    ASSERT_TRUE(rs);
    const auto add = [&rs](const QVariant& caption, const QVariant& category) {
        rs->AddNew();
        rs->SetValue(QStringLiteral("strMetaListCaption"), caption);
        rs->SetValue(QStringLiteral("strMetaListCategoryCaption"), category);
        rs->Update();
    };
    add(QStringLiteral("Customer"), QString(""));
    add(QStringLiteral("Bob's & <Co> \"x\"\r\n"), QVariant());
    add(QStringLiteral("This caption is sixty characters long, so the line wraps now"),
        QStringLiteral("and pushes this one onto a line of its own"));
    add(QStringLiteral("This caption is one character shorter: the line stays whole"),
        QStringLiteral("x"));
    const QByteArray bytes = fncRecordsetToXml(*rs);
    EXPECT_EQ(bytes.toStdString(), baMetaListsFile.toStdString());
    EXPECT_EQ(rs->AbsolutePosition(), 0);
    const RecordsetPtr back = fncRecordsetFromXMLText(baMetaListsFile);
    ASSERT_TRUE(back);
    QList<cField> fields = rs->Fields();
    fields.first().Nullable = true; // the key's "not null" is not read back
    EXPECT_EQ(back->Fields(), fields);
    EXPECT_EQ(hvtest::fncRows(*back), hvtest::fncRows(*rs));
}

// Double quotes, attributes in alphabetical order, i4 for int, an aliased column, a column type
// given on the attribute itself, unknown attributes, and pending changes.
TEST_F(RowsetXml, ReadsWhatOtherWritersOfTheFormatProduce)
{
    RecordsetPtr rs = fncRecordsetFromXMLText(
        hvtest::readFile(QStringLiteral(HV_XML_SAMPLES "/other-writer.xml")));
    ASSERT_TRUE(rs);
    ASSERT_EQ(rs->FieldCount(), 6);
    EXPECT_EQ(rs->Field(1).Name, QStringLiteral("Order Name"));
    EXPECT_EQ(rs->Field(2).Type, eFieldType::Currency);
    EXPECT_EQ(rs->Field(5).Type, eFieldType::Memo);
    EXPECT_EQ(hvtest::fncRows(*rs),
        (QStringList { "1|First|1234.5678|false|2019-04-01T00:00:00.000|<null>",
            "2|Second|<null>|true|<null>|<null>", "3|Inserted|<null>|<null>|<null>|<null>",
            "4|New|<null>|<null>|<null>|kept" }));
}

TEST_F(RowsetXml, EmptyRowsetRoundTripsWithColumnsNamedLikeAliases)
{
    // A name that is no XML name is written under an alias ("c1" here) that must not be the
    // name of another column.
    auto rs = std::make_shared<cRecordset>();
    rs->AppendField(QStringLiteral("c1"), eFieldType::Text, 255);
    rs->AppendField(QStringLiteral("+Done"), eFieldType::Text, 255);
    const QByteArray bytes = fncRecordsetToXml(*rs);
    EXPECT_TRUE(bytes.contains("<rs:data>\n</rs:data>\n"));
    RecordsetPtr back = fncRecordsetFromXMLText(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->RecordCount(), 0);
    EXPECT_TRUE(back->Eof());
    EXPECT_EQ(back->Fields(), rs->Fields());
}

struct HostileCase
{
    const char* why;
    QByteArray text;
};

class RowsetXmlRefuses : public testing::TestWithParam<HostileCase>
{
};

TEST_P(RowsetXmlRefuses, GivesNoRecordset)
{
    EXPECT_EQ(fncRecordsetFromXMLText(GetParam().text), nullptr) << GetParam().why;
}

const QByteArray baSchemaOnly
    = "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' "
      "xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'"
      " xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>"
      "<s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>"
      "<s:AttributeType name='n' rs:number='1'><s:datatype dt:type='int'/></s:AttributeType>"
      "</s:ElementType></s:Schema>";

const HostileCase hostileCases[] = {
    { "empty", QByteArray() },
    { "not xml", "hello" },
    { "external entity",
        "<!DOCTYPE xml [<!ENTITY e SYSTEM 'file:///etc/passwd'>]>" + baSchemaOnly
            + "<rs:data><z:row n='&e;'/></rs:data></xml>" },
    { "entity expansion",
        "<!DOCTYPE xml [<!ENTITY a 'aaaaaaaaaa'><!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;'>]>"
            + baSchemaOnly + "<rs:data><z:row n='&b;'/></rs:data></xml>" },
    { "no data section", baSchemaOnly + "</xml>" },
    { "no schema", "<xml xmlns:rs='urn:schemas-microsoft-com:rowset'><rs:data/></xml>" },
    { "value of the wrong type", baSchemaOnly + "<rs:data><z:row n='abc'/></rs:data></xml>" },
    { "amount beyond the currency range",
        QByteArray(baSchemaOnly).replace("dt:type='int'", "dt:type='number' rs:dbtype='currency'")
            + "<rs:data><z:row n='922337203685477.5808'/></rs:data></xml>" },
    { "cut short", baSchemaOnly + "<rs:data><z:row n='1'/>" },
};
INSTANTIATE_TEST_SUITE_P(Table, RowsetXmlRefuses, testing::ValuesIn(hostileCases));

TEST_F(RowsetXml, ReadsFromAPathAFileAddressAndAWebServerUpToItsSize)
{
    const QString path = hvtest::newTempDir(QStringLiteral("xml")) + QStringLiteral("/HVMeta1.xml");
    hvtest::writeFile(path, baMetaListsFile);
    ASSERT_TRUE(fncLoadRecordsetFromXml(path));
    ASSERT_TRUE(fncLoadRecordsetFromXml(QUrl::fromLocalFile(path).toString()));
    EXPECT_EQ(fncLoadRecordsetFromXml(path + QStringLiteral(".missing")), nullptr);

    cLoopbackHttp http;
    http.files.insert("/lists/HVMeta1.xml", baMetaListsFile);
    RecordsetPtr rs = fncLoadRecordsetFromXml(http.url(QStringLiteral("/lists/HVMeta1.xml")));
    ASSERT_TRUE(rs);
    EXPECT_EQ(rs->RecordCount(), 4);
    EXPECT_EQ(fncLoadRecordsetFromXml(http.url(QStringLiteral("/lists/HVMeta2.xml"))), nullptr);

    // An oversized file is refused, on disk and from a server.
    QByteArray big = baMetaListsFile;
    big.insert(big.indexOf("<rs:data>"), QByteArray(lngMaxXmlBytes, ' '));
    hvtest::writeFile(path, big);
    EXPECT_EQ(fncLoadRecordsetFromXml(path), nullptr);
    http.files.insert("/big.xml", big);
    EXPECT_EQ(fncLoadRecordsetFromXml(http.url(QStringLiteral("/big.xml"))), nullptr);
}

// Characters XML cannot carry are replaced so that the file stays readable.
TEST_F(RowsetXml, ReplacingKeepsPermissionsAndTheTextAndLeavesNoTemporaryFile)
{
    auto rs = std::make_shared<cRecordset>();
    rs->AppendField(QStringLiteral("strName"), eFieldType::Text, 255);
    const QString name = QStringLiteral("Zo\u00eb & \U0001F600 caf\u00e9");
    rs->AppendRow({ name });
    const auto around = [](std::initializer_list<char16_t> units) {
        QString s = QStringLiteral("a");
        for (const char16_t u : units)
            s += QChar(u);
        s += QLatin1Char('b');
        return s;
    };
    const char16_t fffd = QChar::ReplacementCharacter;
    const QList<std::pair<QString, QString>> cases {
        { around({ 0x0B }), around({ fffd }) },
        { around({ 0x00, 0x08, 0x0C, 0x0E, 0x1F }), around({ fffd, fffd, fffd, fffd, fffd }) },
        { around({ 0xFFFE, 0xFFFF }), around({ fffd, fffd }) },
        { around({ 0xD83D }), around({ fffd }) },
        { around({ 0xDE00, 0xD83D }), around({ fffd, fffd }) },
        { around({ 0xE9, 0xD83D, 0xDE00, 0xDE00 }), around({ 0xE9, 0xD83D, 0xDE00, fffd }) },
        { around({ 0x09, 0x0A, 0x0D }), around({ 0x09, 0x0A, 0x0D }) },
    };
    QStringList expected { name };
    for (const auto& [written, read] : cases) {
        rs->AppendRow({ written });
        expected << read;
    }
    const QString path = hvtest::newTempDir(QStringLiteral("xml")) + QStringLiteral("/HVMeta2.xml");
    hvtest::writeFile(path, "old content");
    const QFileDevice::Permissions own = QFileDevice::ReadOwner | QFileDevice::WriteOwner
        | QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther;
    ASSERT_TRUE(QFile::setPermissions(path, own));
    subSaveADRToXML(*rs, path);
    EXPECT_EQ(QFile::permissions(path) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser), own);
    const QByteArray bytes = fncRecordsetToXml(*rs);
    EXPECT_EQ(hvtest::readFile(path), bytes);
    EXPECT_TRUE(bytes.contains(
        QString(QStringLiteral("strName='Zo\u00eb &amp; \U0001F600 caf\u00e9'")).toUtf8()));
    const RecordsetPtr back = fncLoadRecordsetFromXml(path);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(hvtest::fncRows(*back), expected);
    const QDir folder = QFileInfo(path).dir();
    EXPECT_EQ(folder.entryList(QDir::Files), QStringList { QStringLiteral("HVMeta2.xml") });

    // A name that cannot be replaced (a folder holding a file) ends the program and leaves
    // neither a half file nor a temporary one behind.
    const QString blocked = folder.filePath(QStringLiteral("HVMeta3.xml"));
    ASSERT_TRUE(QDir().mkpath(blocked + QStringLiteral("/inside")));
    cMessageBox::setNextAnswer(cMessageBox::Answer::No);
    EXPECT_TRUE(hvtest::endsProgram([&] { subSaveADRToXML(*rs, blocked); }));
    EXPECT_TRUE(cMessageBox::history().first().strText.contains(QStringLiteral("subSaveADRToXML")));
    EXPECT_TRUE(QFileInfo(blocked).isDir());
    EXPECT_EQ(folder.entryList(QDir::Files), QStringList { QStringLiteral("HVMeta2.xml") });
}

TEST_F(RowsetXml, APublishedSetWhoseServerStopsAnsweringIsNotRead)
{
    auto settings = std::make_shared<cRecordset>();
    for (const char* name : { "intSettingsID", "intCostCarrier", "intReportTo" })
        settings->AppendField(QString::fromLatin1(name), eFieldType::Long);
    settings->AppendField(QStringLiteral("strReportToValue"), eFieldType::Text, 255);
    settings->AppendRow({ 1, 2, 1, QStringLiteral("x") });
    cLoopbackHttp http;
    http.files.insert("/silent/HVSettings.xml", fncRecordsetToXml(*settings));
    const int before = fncXmlReadTimeout();
    subSetXmlReadTimeout(300);
    cGlobalSettings g;
    EXPECT_FALSE(g.ReadGlobalSettings(1, http.url(QStringLiteral("/silent"))));
    subSetXmlReadTimeout(before);
    EXPECT_EQ(g.MetaDataLists.Count(), 0);
    // The first file that does not come ends the read: no time-out per list.
    EXPECT_EQ(
        http.requested, (QByteArrayList { "/silent/HVSettings.xml", "/silent/HVMetaLists.xml" }));
}

// After a power cut the note can be there but empty, with some renames done: the set is still
// completed, not left half old and half new.
TEST(ExportSet, AnEmptyNoteStillCompletesTheSet)
{
    const QString folder = hvtest::newTempDir(QStringLiteral("torn"));
    const QStringList paths { folder + QStringLiteral("/HVMeta1.xml"),
        folder + QStringLiteral("/HVMeta2.xml") };
    hvtest::writeFile(paths[0], "new");
    hvtest::writeFile(paths[1], "old");
    hvtest::writeFile(paths[1] + QStringLiteral(".~new"), "new");
    hvtest::writeFile(paths[0] + QStringLiteral(".~set"), "");
    subRecoverFiles(paths);
    EXPECT_EQ(hvtest::readFile(paths[1]), "new");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

// Killed at any moment, an export leaves the old set or the new one, never a mix of the two,
// once the next export has begun; and that export leaves no temporary behind.
TEST(ExportSet, AKilledExportLeavesTheOldSetOrTheNewOne)
{
    // On a memory file system when there is one: the kills test the order of the steps, and
    // waiting for a disk would only make the test slow.
    QTemporaryDir memory(QStringLiteral("/dev/shm/hvtest-XXXXXX"));
    const QString folder
        = memory.isValid() ? memory.path() : hvtest::newTempDir(QStringLiteral("kill"));
    const QString out = folder + QStringLiteral("/out");
    ASSERT_TRUE(QDir().mkpath(out));
    for (const QString& set : { QStringLiteral("a"), QStringLiteral("b") }) {
        cRecordset rs;
        rs.AppendField(QStringLiteral("strName"), eFieldType::Text, 255);
        for (int i = 0; i < 3000; ++i)
            rs.AppendRow({ QStringLiteral("%1 item %2").arg(set).arg(i) });
        for (const QString& name : colExportNames) {
            rs.AppendRow({ name });
            hvtest::writeFile(
                folder + QLatin1Char('/') + set + QLatin1Char('/') + name, fncRecordsetToXml(rs));
        }
    }
    const auto a = fncExportSet(out, folder + QStringLiteral("/a"));
    const auto b = fncExportSet(out, folder + QStringLiteral("/b"));
    QStringList paths;
    for (const auto& [path, bytes] : a)
        paths.append(path);
    // The kills are spread over a little more than the time one export takes.
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 4; ++i)
        subReplaceFiles(i % 2 == 0 ? b : a);
    const qint64 lngStepNs = timer.nsecsElapsed() / 4 * 3 / 2 / 80;
    hvtest::writeFile(out + QStringLiteral("/HVMeta1.xml.~4242-0"), "left by an older run");

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HV_EXPORT_KILL_CHILD"), folder);
    int intInterrupted = 0;
    for (int k = 0; k < 80; ++k) {
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        ASSERT_TRUE(child.waitForReadyRead(10000)) << child.errorString().toStdString();
        std::this_thread::sleep_for(std::chrono::nanoseconds(lngStepNs * k));
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        child.waitForFinished();
        if (QDir(out).entryList(QDir::Files).size() > colExportNames.size())
            ++intInterrupted;
        subRecoverFiles(paths); // what the next export does first
        const auto now = fncExportSet(out, out);
        EXPECT_TRUE(now == a || now == b) << "kill " << k;
    }
    EXPECT_GT(intInterrupted, 0); // the kills met exports under way
    subReplaceFiles(b);
    QStringList expected = colExportNames;
    expected.sort();
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
}
} // namespace
