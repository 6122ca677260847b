#include "tests/support/temp_dir.h"

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/text.h"

namespace kivu::test {

TempDir::TempDir(const std::string& hint) {
    static std::atomic<int> counter{0};
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            (hint + "-" + std::to_string(random()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::u16string TempDir::Folder() const {
    return platform::Utf8ToUtf16(path_.string() + "/");
}

std::filesystem::path TempDir::Write(const std::string& name, const std::string& bytes) const {
    std::filesystem::path file = path_ / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out << bytes;
    return file;
}

std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

}  // namespace kivu::test
