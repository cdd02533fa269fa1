// The phrase table: a damaged table is refused through the error report, never a crash, in
// the first, the English and the last language column.
#include "FuzzSupport.h"
#include "modPhrases.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    hvfuzz::subStartInput();
    if (size == 0)
        return 0; // no bytes stands for the built-in table
    subSetLanguageResource(hvfuzz::fncBytes(data, size));
    for (const qint16 intColumn : { 1, 4, 16 }) {
        if (hvfuzz::fncAccepts([&] { LoadLanguages(intColumn); })) {
            for (const QString& strKey : fncUsedPhraseKeys())
                fncPhrase(qPrintable(strKey));
        }
    }
    subSetLanguageResource(QByteArray());
    return 0;
}
