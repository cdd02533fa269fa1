#include "modSettingsWindow.h"

#include "modCellEntry.h"

#include <QLocale>
#include <QSet>

namespace {
QString fncWithoutLineBreaks(QString strText)
{
    strText.replace(QLatin1String("\r\n"), QLatin1String(" "));
    strText.replace(QLatin1Char('\r'), QLatin1Char(' '));
    strText.replace(QLatin1Char('\n'), QLatin1Char(' '));
    strText.replace(QChar(0x2028), QLatin1Char(' '));
    strText.replace(QChar(0x2029), QLatin1Char(' '));
    return strText;
}

QLocale fncUserLocale()
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}
} // namespace

qint16 fncBoolInt(bool blnValue)
{
    return blnValue ? 1 : 0;
}

QString fncClearInvalidValues(const QVariant& varValue)
{
    // Most cells are clean already; they are read back on every tab switch. Read-only, so that
    // the check does not copy the text it shares with the cell.
    const QString strValue = varValue.toString();
    bool blnClean
        = strValue.isEmpty() || (!strValue.front().isSpace() && !strValue.back().isSpace());
    for (qsizetype i = 0; blnClean && i < strValue.size(); ++i) {
        const char16_t ch = strValue.at(i).unicode();
        blnClean = ch != u',' && ch != u';' && ch != u'\r' && ch != u'\n' && ch != 0x2028
            && ch != 0x2029;
    }
    if (blnClean)
        return strValue;
    QString strText = fncWithoutLineBreaks(strValue);
    strText.remove(QLatin1Char(','));
    strText.remove(QLatin1Char(';'));
    return strText.trimmed();
}

QString fncClearInvalidCaption(const QString& strCaption)
{
    QString strText = fncWithoutLineBreaks(strCaption);
    strText.remove(QLatin1Char(':'));
    strText.remove(QLatin1Char(';'));
    return strText;
}

bool fncIsNumeric(const QString& strText)
{
    return fncParseDecimal(strText).has_value();
}

QString fncNumberText(const QVariant& varValue)
{
    switch (varValue.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return fncUserLocale().toString(varValue.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::LongLong:
        return fncUserLocale().toString(varValue.toLongLong());
    default: {
        // Stored texts ("0.75") show in the locale's own form too.
        const auto d = fncParseDecimal(varValue.toString());
        return d ? fncUserLocale().toString(*d, 'g', QLocale::FloatingPointShortest)
                 : varValue.toString();
    }
    }
}

QString fncInvariantNumberText(double dblValue)
{
    return QLocale::c().toString(dblValue, 'g', QLocale::FloatingPointShortest);
}

QStringList fncWithMnemonics(const QStringList& colCaptions)
{
    QSet<QString> taken;
    QStringList out;
    out.reserve(colCaptions.size());
    for (const QString& strCaption : colCaptions) {
        const auto fncFree = [&](qsizetype i) {
            const QChar ch = strCaption.at(i);
            return ch.isLetterOrNumber() && !taken.contains(QString(ch).toCaseFolded());
        };
        qsizetype intAt = -1;
        for (qsizetype i = 0; i < strCaption.size() && intAt < 0; ++i) {
            if ((i == 0 || !strCaption.at(i - 1).isLetterOrNumber()) && fncFree(i))
                intAt = i;
        }
        for (qsizetype i = 0; i < strCaption.size() && intAt < 0; ++i) {
            if (fncFree(i))
                intAt = i;
        }
        QString strText = strCaption;
        strText.replace(QLatin1Char('&'), QLatin1String("&&"));
        if (intAt >= 0) {
            taken.insert(QString(strCaption.at(intAt)).toCaseFolded());
            // Each "&" before the chosen character was doubled.
            const qsizetype intShift = strCaption.left(intAt).count(QLatin1Char('&'));
            strText.insert(intAt + intShift, QLatin1Char('&'));
        }
        out.append(strText);
    }
    return out;
}
