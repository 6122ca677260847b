// A fresh folder under the system's temporary folder, removed with the object.
#pragma once

#include <filesystem>
#include <string>

namespace kivu::test {

class TempDir {
public:
    explicit TempDir(const std::string& hint = "kivu");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder as the core's wide text, with a trailing separator.
    std::u16string Folder() const;
    std::filesystem::path Write(const std::string& name, const std::string& bytes) const;

private:
    std::filesystem::path path_;
};

std::string ReadFileBytes(const std::filesystem::path& path);

}  // namespace kivu::test
