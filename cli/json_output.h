// JSON output of the diagnostics: UTF-8, one object per run.
#pragma once

#include <nlohmann/json.hpp>
#include <span>
#include <string>

namespace kivu::cli {

// Prints the value on one line; text that is not UTF-8 is replaced, never a crash.
void PrintJson(const nlohmann::ordered_json& value);

std::string Utf8(const std::u16string& text);

// For the commands whose only option is --json: false (after printing the usage) for anything else.
bool ParseJsonOnly(std::span<const std::string> args, const char* command, bool& json);

}  // namespace kivu::cli
