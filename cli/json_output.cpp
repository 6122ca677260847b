#include "cli/json_output.h"

#include <cstdio>

#include "platform/text.h"

namespace kivu::cli {

void PrintJson(const nlohmann::ordered_json& value) {
    std::string text = value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    std::printf("%s\n", text.c_str());
}

std::string Utf8(const std::u16string& text) { return platform::Utf16ToUtf8(text); }

bool ParseJsonOnly(std::span<const std::string> args, const char* command, bool& json) {
    json = false;
    for (const std::string& arg : args) {
        if (arg != "--json") {
            std::fprintf(stderr, "Usage: Kivu Updata %s [--json]\n", command);
            return false;
        }
        json = true;
    }
    return true;
}

}  // namespace kivu::cli
