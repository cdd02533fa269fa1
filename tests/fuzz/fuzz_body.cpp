// The body of the settings appointment: any text is read or refused through the error report,
// and what was read comes back unchanged from the body it builds.
#include "FuzzSupport.h"
#include "cPersonalSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    hvfuzz::subStartInput();
    static const cPersonalSettings fresh;
    const QString strText = QString::fromUtf8(hvfuzz::fncBytes(data, size));

    cPersonalSettings read = fresh;
    if (!hvfuzz::fncAccepts([&] { read.FromString(strText); }))
        return 0;
    const QString strBuilt = read.fncBuildBody();
    cPersonalSettings again = fresh;
    hvfuzz::subCheck(hvfuzz::fncAccepts([&] { again.FromString(strBuilt); }),
        "a body the program built is read", strBuilt);
    hvfuzz::subCheck(again.fncBuildBody() == strBuilt, "a built body reads back as built",
        strBuilt + QStringLiteral("\n-- became --\n") + again.fncBuildBody());
    return 0;
}
