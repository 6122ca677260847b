// Environment variables that switch the program into its test and diagnostic modes.
#pragma once

#include <optional>
#include <string>

namespace kivu::platform {

std::optional<std::string> GetEnvironment(const char* name);

// True when the variable is set to exactly "1".
bool EnvironmentFlag(const char* name);

}  // namespace kivu::platform
