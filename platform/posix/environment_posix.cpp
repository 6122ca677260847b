#include <cstdlib>
#include <cstring>

#include "platform/environment.h"

namespace kivu::platform {

std::optional<std::string> GetEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

bool EnvironmentFlag(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && std::strcmp(value, "1") == 0;
}

}  // namespace kivu::platform
