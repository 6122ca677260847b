// The plug-in module's one export.
#include "emulator/programmer/emulated_programmer.h"
#include "platform/text.h"

extern "C" __attribute__((visibility("default"))) int GetServiceInstance(const char16_t* interfaceId,
                                                                        I_PiPluginFacade** service) {
    static kivu::emulator::EmulatedProgrammerFacade facade;
    if (service == nullptr || interfaceId == nullptr) return 0;
    if (kivu::platform::Utf16ToUtf8(interfaceId) != "I_PiPluginFacade@MRW5160HIDISPSDK") {
        *service = nullptr;
        return 0;
    }
    *service = &facade;
    return 1;
}
