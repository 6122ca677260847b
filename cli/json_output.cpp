#include "cli/json_output.h"

#include <cstdio>

#include "platform/text.h"

namespace kivu::cli {

void PrintJson(const nlohmann::ordered_json& value) {
    std::string text = value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    std::printf("%s\n", text.c_str());
}

std::string Utf8(const std::u16string& text) { return platform::Utf16ToUtf8(text); }

}  // namespace kivu::cli
