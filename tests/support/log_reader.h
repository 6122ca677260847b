// Reads back the day's log file of a folder, without the time prefixes.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kivu::test {

// The lines of every *_Log.log file in the folder, in file-name order, without their
// 17-character time prefix and line end.
std::vector<std::string> LogLines(const std::filesystem::path& folder);

}  // namespace kivu::test
