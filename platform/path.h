// Paths of the running program and the separator of this platform.
#pragma once

#include <optional>
#include <string>

namespace kivu::platform {

#ifdef _WIN32
inline constexpr char16_t kPathSeparator = u'\\';
#else
inline constexpr char16_t kPathSeparator = u'/';
#endif

// Full path of the running executable, or nothing when the system cannot tell.
std::optional<std::u16string> ExecutablePath();

// The path in the form the system's file functions take (UTF-8 on Linux).
std::string NativePath(std::u16string_view path);

// Whether a regular file exists at the path.
bool FileExists(std::u16string_view path);

// Changes the current directory for the object's lifetime and restores it afterwards.
class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(std::u16string_view folder);
    ~ScopedCurrentDirectory();
    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;
    bool changed() const { return changed_; }

private:
    std::string previous_;
    bool changed_ = false;
};

}  // namespace kivu::platform
