#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <vector>

#include "platform/path.h"
#include "platform/text.h"

namespace kivu::platform {

std::optional<std::u16string> ExecutablePath() {
    // /proc/self/exe names the file even when it was started through a link or a relative path.
    std::vector<char> buffer(PATH_MAX + 1);
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) return std::nullopt;
    return Utf8ToUtf16(std::string_view(buffer.data(), static_cast<std::size_t>(length)));
}

std::string NativePath(std::u16string_view path) { return Utf16ToUtf8(path); }

bool FileExists(std::u16string_view path) {
    struct stat info {};
    return stat(NativePath(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

ScopedCurrentDirectory::ScopedCurrentDirectory(std::u16string_view folder) {
    std::vector<char> buffer(PATH_MAX + 1);
    if (getcwd(buffer.data(), buffer.size()) == nullptr) return;
    previous_ = buffer.data();
    changed_ = chdir(NativePath(folder).c_str()) == 0;
}

ScopedCurrentDirectory::~ScopedCurrentDirectory() {
    if (changed_) {
        // Nothing sensible is left to do when the old folder has gone.
        [[maybe_unused]] int ignored = chdir(previous_.c_str());
    }
}

}  // namespace kivu::platform
