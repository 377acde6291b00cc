#pragma once
// What the program answers on its command line before it opens any window
// (it needs no display for these): "--version" prints the program's version
// and edition, "--help" a short usage. Every other argument is left to Qt
// (-platform, -style ...), as before.

#include <cstdio>
#include <optional>

#include "app/Branding.h"

namespace vantrel::app {

// The exit code when an argument was answered (0), nothing when the program
// is to start; what it prints goes to `out`.
std::optional<int> answerCommandLine(int argc, const char* const* argv, const Branding& edition, std::FILE* out);

} // namespace vantrel::app
