#include <cerrno>
#include <cstring>

#include "platform/file.h"
#include "platform/path.h"
#include "platform/text.h"

namespace kivu::platform {

File OpenFile(std::u16string_view path, const char* mode) {
    return File(std::fopen(NativePath(path).c_str(), mode));
}

std::u16string LastErrorText() {
    int code = errno;
    if (code == 0) return {};
    std::string message = std::strerror(code);
    std::size_t cut = message.find_first_of("\r\n");
    if (cut != std::string::npos) message.resize(cut);
    return Utf8ToUtf16(message);
}

}  // namespace kivu::platform
