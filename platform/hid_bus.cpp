#include "platform/hid_bus.h"

#include <atomic>
#include <mutex>

namespace kivu::platform {

namespace {
std::atomic<HidBus*> g_installed{nullptr};
}

HidBus& CurrentHidBus() {
    if (HidBus* bus = g_installed.load()) return *bus;
    static std::unique_ptr<HidBus> system = MakeSystemHidBus();
    return *system;
}

void SetHidBus(HidBus* bus) { g_installed.store(bus); }

}  // namespace kivu::platform
