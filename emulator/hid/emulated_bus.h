// The emulated HID bus: devices described by a scenario file stand in for the system's, so
// that every test and demo runs without hardware. KIVU_HID_EMULATION names the scenario.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "emulator/hid/ota_device.h"
#include "platform/hid_bus.h"

namespace kivu::emulator {

struct EmulatedDeviceConfig {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t versionNumber = 0x0100;
    std::string product;
    std::string manufacturer;
    std::vector<std::uint8_t> reportDescriptor;  // empty: the default mouse + vendor collections
    std::uint16_t featureLength = 65;            // of report 3, report id included
    std::optional<OtaConfig> ota;                // none: a plain HID device
    std::string tracePath;
};

// The default descriptor: a mouse collection and a vendor collection with feature report 3.
std::vector<std::uint8_t> DefaultReportDescriptor(std::uint16_t featureLength);

class EmulatedBus final : public platform::HidBus {
public:
    explicit EmulatedBus(std::vector<EmulatedDeviceConfig> devices);
    ~EmulatedBus() override;

    // Reads a scenario file (its format is in docs/emulation.md); null with `error` set when
    // the file cannot be read or is not a valid scenario.
    static std::unique_ptr<EmulatedBus> FromScenarioFile(const std::string& path, std::string& error);

    std::vector<platform::HidInterfaceInfo> Enumerate() override;
    std::unique_ptr<platform::HidHandle> Open(const std::u16string& path, platform::HidAccess access) override;

    // For tests: the OTA side of device `index` (null for a plain device). Use under lock().
    const OtaDevice* ota(std::size_t index) const;
    std::mutex& mutex() { return mutex_; }

private:
    class Handle;
    struct Device;

    std::vector<std::unique_ptr<Device>> devices_;
    std::mutex mutex_;
    std::int64_t openedAt_;
};

}  // namespace kivu::emulator
