// Debugger output: lines for a developer watching the program, never for the user.
// They go to standard error when KIVU_DEBUG_OUTPUT=1 is set, and nowhere otherwise.
#pragma once

#include <string_view>

namespace kivu::platform {

void DebugOutput(std::u16string_view line);

}  // namespace kivu::platform
