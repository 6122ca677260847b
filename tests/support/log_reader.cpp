#include "tests/support/log_reader.h"

#include <algorithm>
#include <sstream>

#include "tests/support/temp_dir.h"

namespace kivu::test {

std::vector<std::string> LogLines(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > 8 && name.ends_with("_Log.log")) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::vector<std::string> lines;
    for (const auto& file : files) {
        std::istringstream content(ReadFileBytes(file));
        std::string line;
        while (std::getline(content, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line.size() >= 17 ? line.substr(17) : line);
        }
    }
    return lines;
}

}  // namespace kivu::test
