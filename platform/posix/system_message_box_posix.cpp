// The message box of a module that has no presenter of its own: the facade library is a
// separate module with its own copy of this layer, so it finds the window's toolkit through the
// process instead. When the program has SDL's video running, SDL shows the box.
#include <dlfcn.h>

#include <cstdint>
#include <string>

#include "platform/text.h"

namespace kivu::platform {

bool ShowSystemMessageBox(std::u16string_view text, std::u16string_view caption) {
    using WasInit = std::uint32_t (*)(std::uint32_t);
    using Show = int (*)(std::uint32_t, const char*, const char*, void*);
    auto wasInit = reinterpret_cast<WasInit>(dlsym(RTLD_DEFAULT, "SDL_WasInit"));
    auto show = reinterpret_cast<Show>(dlsym(RTLD_DEFAULT, "SDL_ShowSimpleMessageBox"));
    constexpr std::uint32_t kVideo = 0x20;        // SDL_INIT_VIDEO
    constexpr std::uint32_t kInformation = 0x40;  // SDL_MESSAGEBOX_INFORMATION
    if (wasInit == nullptr || show == nullptr || (wasInit(kVideo) & kVideo) == 0) return false;
    return show(kInformation, Utf16ToUtf8(caption).c_str(), Utf16ToUtf8(text).c_str(), nullptr) == 0;
}

}  // namespace kivu::platform
