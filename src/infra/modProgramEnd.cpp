#include "modProgramEnd.h"

#include <cstdlib>
#include <ranges>
#include <vector>

namespace {
std::vector<EndHook>& hooks()
{
    static std::vector<EndHook> list;
    return list;
}

Terminator& terminator()
{
    static Terminator current = fncDefaultTerminator();
    return current;
}
} // namespace

void subAddEndHook(EndHook hook)
{
    hooks().push_back(std::move(hook));
}

void subClearEndHooks()
{
    hooks().clear();
}

void subSetTerminator(Terminator t)
{
    terminator() = t ? std::move(t) : fncDefaultTerminator();
}

Terminator fncDefaultTerminator()
{
    return [](int code) { std::exit(code); };
}

void subEndProgram(int intExitCode)
{
    // Take the hooks first: a hook that fails into the error report must not run them again.
    std::vector<EndHook> pending;
    pending.swap(hooks());
    for (const EndHook& hook : std::views::reverse(pending)) {
        try {
            hook();
        } catch (...) {
        }
    }
    terminator()(intExitCode);
    // A terminator must not return; if it does, stop anyway.
    std::exit(intExitCode);
}
