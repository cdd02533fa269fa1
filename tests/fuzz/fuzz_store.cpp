// The per-user store file: every settings value is read or refused with a cHVError. A file that
// a read called damaged is never rewritten. Writing one value leaves every value that was read
// as it was (one refused as not a text may become readable), and the file reads back.
#include "FuzzSupport.h"
#include "modRegistryEntry.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <new>
#include <optional>

namespace {
const QString strSection = QStringLiteral("Settings");

// What some of the settings (texts of every kind) read; a refused read gives no value.
struct cReadings
{
    QList<std::optional<QString>> values;
    bool blnDamaged = false; // a read said the file is damaged
};

cReadings fncReadSome()
{
    static const QStringList colKeys { QStringLiteral("ReportChoice"),
        QStringLiteral("ReportValue"), QStringLiteral("PersonalRate"),
        QStringLiteral("FilterEvents"), QStringLiteral("MetadataList"),
        QStringLiteral("PaneWidth") };
    cReadings readings;
    for (const QString& strKey : colKeys) {
        std::optional<QString> value;
        try {
            value = fncReadRegistryValue(strSection, strKey, QStringLiteral("<none>"));
        } catch (const cHVError& e) {
            readings.blnDamaged |= e.Number() == lngRegResultBase + 1009;
        } catch (const std::bad_alloc&) {
            // Qt's reader of a serialised value ("@Variant(...)") allocates the size the value
            // states; when that fails the program reports the error like any other.
        }
        readings.values.append(value);
    }
    return readings;
}

// A time of its own for the file, as after a restart: the store's reader then parses it again
// (it re-reads a file whose time or size changed).
void subTouch(const QString& strPath)
{
    static qint64 lngTouch = 0;
    QFile file(strPath);
    hvfuzz::subCheck(file.open(QIODevice::Append), "the store file can be opened", strPath);
    file.setFileTime(
        QDateTime::fromSecsSinceEpoch(1000000000 + ++lngTouch), QFileDevice::FileModificationTime);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    hvfuzz::subStartInput();
    static const QString strPath = fncRegistryStorePath();
    QDir().mkpath(QFileInfo(strPath).absolutePath());
    QFile file(strPath);
    hvfuzz::subCheck(file.open(QIODevice::WriteOnly | QIODevice::Truncate),
        "the store file can be written", strPath);
    file.write(hvfuzz::fncBytes(data, size));
    file.close();
    subTouch(strPath);

    const cReadings before = fncReadSome();
    const bool blnWritten = hvfuzz::fncAccepts([] {
        subWriteRegistryValue(strSection, QStringLiteral("LastProbe"), QStringLiteral("1;2 \"x\""));
    });
    hvfuzz::subCheck(!blnWritten || !before.blnDamaged, "a store read as damaged is not written",
        QString::fromUtf8(hvfuzz::fncBytes(data, size)));
    if (!blnWritten) {
        file.open(QIODevice::ReadOnly);
        hvfuzz::subCheck(file.readAll() == hvfuzz::fncBytes(data, size),
            "a refused write leaves the store as it was");
        return 0;
    }
    subTouch(strPath);
    QString strProbe;
    hvfuzz::subCheck(hvfuzz::fncAccepts([&] {
        strProbe = fncReadRegistryValue(strSection, QStringLiteral("LastProbe"), QString());
    }) && strProbe == QStringLiteral("1;2 \"x\""),
        "a written store reads back", QString::fromUtf8(hvfuzz::fncBytes(data, size)));
    const cReadings after = fncReadSome();
    for (qsizetype i = 0; i < before.values.size(); ++i)
        hvfuzz::subCheck(!before.values.at(i) || after.values.at(i) == before.values.at(i),
            "writing one value leaves the others as they were",
            QString::fromUtf8(hvfuzz::fncBytes(data, size))
                + QStringLiteral("\n-- value %1 became --\n").arg(i)
                + after.values.at(i).value_or(QStringLiteral("<refused>")));
    return 0;
}
