// A host program for the facade library: loads it from the path given, as the updater does,
// and calls its exports. Tests copy it under other names beside INI files of their own.
// Usage: facade_host LIBRARY [VID PID]...   prints "loaded" or "not loaded", then one line per
// OpenDevice call and the result of one Program call.
#include <cstdio>
#include <cstdlib>

#include "ispfacade/plugin/programmer_plugin.h"
#include "platform/dynamic_module.h"
#include "platform/text.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    std::string error;
    auto library = kivu::platform::LoadDynamicModule(kivu::platform::Utf8ToUtf16(argv[1]), &error);
    if (!library) {
        std::printf("not loaded\n");
        return 0;
    }
    std::printf("loaded\n");
    auto openDevice = kivu::platform::FindFunction<OpenDeviceFunction>(*library, "OpenDevice");
    auto program = kivu::platform::FindFunction<ProgramFunction>(*library, "Program");
    for (int i = 2; i + 1 < argc; i += 2) {
        const auto vid = static_cast<int32_t>(std::strtol(argv[i], nullptr, 0));
        const auto pid = static_cast<int32_t>(std::strtol(argv[i + 1], nullptr, 0));
        std::printf("OpenDevice %d\n", openDevice(vid, pid));
    }
    const uint8_t image[4] = {1, 2, 3, 4};
    std::printf("Program %d\n", program(0x60040000, image, sizeof image));
    return 0;
}
