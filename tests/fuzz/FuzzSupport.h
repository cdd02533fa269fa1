#pragma once

#include "cHVError.h"
#include "modProgramEnd.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

// What every fuzzing target shares: a throw-away HOME with its XDG and calendar folders, a Qt
// application, and an error report that is answered "No" and ends in cProgramEnded instead of
// ending the process, so that a refused input is an ordinary outcome.
namespace hvfuzz {

// Call first in LLVMFuzzerTestOneInput: prepares the process once, then forgets what the
// previous input left behind (answers, the report shown, end hooks).
void subStartInput();

inline QByteArray fncBytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// Stops the process naming the broken rule and the text concerned: a finding for libFuzzer,
// a failed test for the replay.
[[noreturn]] void subFail(const char* szRule, const QString& strDetail);
inline void subCheck(bool blnHolds, const char* szRule, const QString& strDetail = QString())
{
    if (!blnHolds)
        subFail(szRule, strDetail);
}

// Runs f; false when the input was refused the way the program refuses input (a cHVError, or
// the error report that ends the program). Any other exception is a finding and passes on.
bool fncAccepts(const auto& f)
{
    try {
        f();
        return true;
    } catch (const cHVError&) {
        return false;
    } catch (const cProgramEnded&) {
        return false;
    }
}

} // namespace hvfuzz
