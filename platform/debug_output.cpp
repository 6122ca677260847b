#include "platform/debug_output.h"

#include <cstdio>
#include <mutex>

#include "platform/environment.h"
#include "platform/text.h"

namespace kivu::platform {

void DebugOutput(std::u16string_view line) {
    static const bool enabled = EnvironmentFlag("KIVU_DEBUG_OUTPUT");
    if (!enabled) return;
    static std::mutex mutex;
    std::string text = Utf16ToUtf8(line);
    // Lines end in a line feed; a caller's own line feed is not doubled.
    if (text.empty() || text.back() != '\n') text.push_back('\n');
    std::lock_guard lock(mutex);
    std::fwrite(text.data(), 1, text.size(), stderr);
}

}  // namespace kivu::platform
