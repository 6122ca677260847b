#include "updater/app/program_folder.h"

#include "platform/path.h"

namespace kivu {

bool GetProgramFolder(std::u16string& folder) {
    std::optional<std::u16string> path = platform::ExecutablePath();
    if (!path) return false;
    std::size_t cut = path->rfind(platform::kPathSeparator);
    folder = (cut == std::u16string::npos) ? std::u16string() : path->substr(0, cut + 1);
    return true;
}

}  // namespace kivu
