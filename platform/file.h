// Files opened by their wide path through the C runtime's streams.
#pragma once

#include <cstdio>
#include <memory>
#include <string_view>

namespace kivu::platform {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Mode as for fopen ("rb", "ab", ...). Null on failure, with the system's error kept for
// LastErrorText().
File OpenFile(std::u16string_view path, const char* mode);

// The C library's message for the last failed system call, cut at the first CR or LF.
std::u16string LastErrorText();

}  // namespace kivu::platform
