// The connection text: parsed, translated for the drivers, and masked for the log. A parsed
// string rebuilt from its parts reads back as the same parts, and each masked line holds
// nothing but asterisks where the password was, with no part of it spilled into another key.
#include "FuzzSupport.h"
#include "modConnectionString.h"
#include "modErrorHandling.h"

#include <QStringList>
#include <algorithm>

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

    // Masking works line by line (a line break ends a value in a log line). A line with a brace
    // is left out: braces quote values in the drivers' strings, not in the stored form.
    QString strLines = strConnection;
    strLines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    for (const QString& strLine : strLines.split(QLatin1Char('\n'))) {
        if (strLine.contains(QLatin1Char('{')))
            continue;
        const QString strMasked = fncMaskPasswords(strLine);
        const cDictionary<QString> lineParts = fncParseConnectionString(strLine);
        const cDictionary<QString> masked = fncParseConnectionString(strMasked);
        QStringList colPasswords, colOthers; // the values as the parser reads them
        for (const QString& strKey : lineParts.Keys())
            (fncIsPasswordKey(strKey) ? colPasswords : colOthers)
                << strKey + QLatin1Char('=') + lineParts.Value(strKey);
        const auto fncIn = [](const QStringList& col, const QString& strPiece) {
            return std::any_of(col.cbegin(), col.cend(),
                [&](const QString& strPart) { return strPart.contains(strPiece); });
        };
        for (const QString& strKey : masked.Keys()) {
            const QString strValue = masked.Value(strKey).trimmed();
            hvfuzz::subCheck(
                !fncIsPasswordKey(strKey) || strValue.count(QLatin1Char('*')) == strValue.size(),
                "a masked password is asterisks only", strLine + QStringLiteral("\n") + strMasked);
            // A part the mask let through ("Lm=Rt8" of "Qv3;Lm=Rt8", quotes aside) that is no
            // copy of text outside the passwords.
            QString strPart = strKey + QLatin1Char('=') + masked.Value(strKey);
            while (strPart.endsWith(QLatin1Char('"')) || strPart.endsWith(QLatin1Char('\'')))
                strPart.chop(1);
            hvfuzz::subCheck(lineParts.Exists(strKey) || !fncIn(colPasswords, strPart)
                    || fncIn(colOthers, strPart),
                "no piece of a password becomes a key", strLine + QStringLiteral("\n") + strMasked);
        }
    }

    hvfuzz::fncAccepts([&] { fncEngineOfConnectionString(strConnection); });
    fncOdbcConnectionString(strConnection);
    fncPgParameters(strConnection);
    return 0;
}
