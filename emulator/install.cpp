#include "emulator/install.h"

#include "emulator/hid/emulated_bus.h"
#include "platform/environment.h"

namespace kivu::emulator {

bool InstallHidEmulationFromEnvironment(std::string& error) {
    const std::optional<std::string> scenario = platform::GetEnvironment("KIVU_HID_EMULATION");
    if (!scenario || scenario->empty()) return true;
    // The bus lives until the process ends: the updater's engine is never torn down either.
    static std::unique_ptr<EmulatedBus> bus;
    bus = EmulatedBus::FromScenarioFile(*scenario, error);
    if (!bus) return false;
    platform::SetHidBus(bus.get());
    return true;
}

}  // namespace kivu::emulator
