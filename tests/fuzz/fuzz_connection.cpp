// The connection text: parsed, translated for the drivers, and masked for the log. A parsed
// string rebuilt from its parts reads back as the same parts, and the masked text holds
// nothing but asterisks where the password was, with no part of it spilled into another key.
#include "FuzzSupport.h"
#include "modConnectionString.h"
#include "modErrorHandling.h"

namespace {
bool fncIsPasswordKey(const QString& strKey)
{
    return strKey.compare(QLatin1String("Password"), Qt::CaseInsensitive) == 0
        || strKey.compare(QLatin1String("Pwd"), Qt::CaseInsensitive) == 0;
}

QString fncShow(const cDictionary<QString>& parts)
{
    QString text;
    for (const QString& strKey : parts.Keys())
        text += QStringLiteral("[%1]=[%2] ").arg(strKey, parts.Value(strKey));
    return text;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    hvfuzz::subStartInput();
    const QString strConnection = QString::fromUtf8(hvfuzz::fncBytes(data, size));
    const cDictionary<QString> parts = fncParseConnectionString(strConnection);

    QString strRebuilt;
    for (const QString& strKey : parts.Keys())
        strRebuilt += fncConnectionPart(strKey, parts.Value(strKey));
    const cDictionary<QString> again = fncParseConnectionString(strRebuilt.mid(1));
    hvfuzz::subCheck(fncShow(again) == fncShow(parts), "a rebuilt connection string reads back",
        strConnection + QStringLiteral("\n") + fncShow(parts) + QStringLiteral("\n")
            + fncShow(again));

    const QString strMasked = fncMaskPasswords(strConnection);
    const cDictionary<QString> masked = fncParseConnectionString(strMasked);
    for (const QString& strKey : masked.Keys()) {
        hvfuzz::subCheck(parts.Exists(strKey), "masking adds no key",
            strConnection + QStringLiteral("\n") + strMasked);
        if (fncIsPasswordKey(strKey))
            hvfuzz::subCheck(masked.Value(strKey).trimmed().count(QLatin1Char('*'))
                    == masked.Value(strKey).trimmed().size(),
                "a masked password is asterisks only",
                strConnection + QStringLiteral("\n") + strMasked);
    }

    hvfuzz::fncAccepts([&] { fncEngineOfConnectionString(strConnection); });
    fncOdbcConnectionString(strConnection);
    fncPgParameters(strConnection);
    return 0;
}
