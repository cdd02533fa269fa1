#pragma once

#include <functional>

// The orderly end of the program. Higher layers register what must be released (windows,
// the calendar session, the database connection); the terminator then stops the process.
// Tests replace the terminator with one that throws cProgramEnded, so they can observe the end.
struct cProgramEnded
{
    int intExitCode = 0;
};

// The exit status after an error report or any other fatal path; OK and Cancel end with 0.
inline constexpr int intExitFailure = 1;

using EndHook = std::function<void()>;
using Terminator = std::function<void(int)>;

// Hooks run in reverse order of registration, each with failures ignored.
void subAddEndHook(EndHook hook);
void subClearEndHooks();
void subSetTerminator(Terminator terminator);
Terminator fncDefaultTerminator();

[[noreturn]] void subEndProgram(int intExitCode = 0);
