#include "modSettingsWindow.h"

#include <QLocale>
#include <gtest/gtest.h>

// A cell keeps no list separators or line breaks; a caption keeps the stored selection line
// ("Caption:Item;") intact.
TEST(ClearInvalid, CleansCellsAndCaptions)
{
    const struct
    {
        bool blnCaption;
        QVariant input;
        const char* expected;
    } cases[] = {
        { false, "  Acme  ", "Acme" },
        { false, "Acme, Inc.", "Acme Inc." },
        { false, "a;b;c", "abc" },
        { false, " ;, ", "" },
        { false, "Acme\r\nNorth", "Acme North" },
        { false, "Acme\nNorth\r", "Acme North" },
        { false, "Ærø: Øst", "Ærø: Øst" },
        { false, "", "" },
        { false, 42, "42" },
        { false, QVariant(), "" },
        { true, "Customer", "Customer" },
        { true, "Cust:omer;", "Customer" },
        { true, "Tasks, all", "Tasks, all" },
        { true, "Two\r\nlines", "Two lines" },
        { true, "::;", "" },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.blnCaption ? fncClearInvalidCaption(c.input.toString())
                               : fncClearInvalidValues(c.input),
            QString::fromUtf8(c.expected))
            << c.input.toString().toStdString();
    }
}

// Numbers, stored texts among them, show in the user's locale; other text as it was stored.
TEST(fncNumberText, ShowsNumbersInTheUserLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QStringList shown;
    for (const QVariant& v : { QVariant(0.75), QVariant(qint16(8)), QVariant(12345.5),
             QVariant(QStringLiteral("0.5")), QVariant(QStringLiteral("lots")) })
        shown << fncNumberText(v);
    QLocale::setDefault(saved);
    EXPECT_EQ(shown, QStringList({ "0,75", "8", "12345,5", "0,5", "lots" }));
}

TEST(fncWithMnemonics, PrefersWordStartsNeverRepeatsAndEscapesAmpersands)
{
    EXPECT_EQ(
        fncWithMnemonics({ "OK", "Cancel", "Count costs by", "Convert", "Rate & hours", "o" }),
        QStringList({ "&OK", "&Cancel", "Count costs &by", "Co&nvert", "&Rate && hours", "o" }));
}
