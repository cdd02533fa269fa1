#include "modQtTranslations.h"

#include "modErrorHandling.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <array>
#include <memory>

namespace {
// The phrase table's columns in order: Czech, Danish, Dutch, English, Finnish, French, German,
// Greek, Italian, Norwegian, Portuguese, Slovenian, Spanish, Swedish, Turkish, Russian.
constexpr std::array<QLocale::Language, 16> columnLanguages = { QLocale::Czech, QLocale::Danish,
    QLocale::Dutch, QLocale::English, QLocale::Finnish, QLocale::French, QLocale::German,
    QLocale::Greek, QLocale::Italian, QLocale::NorwegianBokmal, QLocale::Portuguese,
    QLocale::Slovenian, QLocale::Spanish, QLocale::Swedish, QLocale::Turkish, QLocale::Russian };

std::unique_ptr<QTranslator>& installed()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}
} // namespace

bool fncLoadQtTranslations(qint16 intColumn)
{
    std::unique_ptr<QTranslator>& current = installed();
    if (current) {
        QCoreApplication::removeTranslator(current.get());
        current.reset();
    }
    if (intColumn < 1 || intColumn > static_cast<qint16>(columnLanguages.size()))
        return false;
    const QLocale::Language language = columnLanguages.at(static_cast<size_t>(intColumn - 1));
    if (language == QLocale::English)
        return false;
    subLog(QStringLiteral("Loading Qt's translations"));
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLocale(language), QStringLiteral("qtbase"), QStringLiteral("_"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    QCoreApplication::installTranslator(translator.get());
    current = std::move(translator);
    return true;
}
