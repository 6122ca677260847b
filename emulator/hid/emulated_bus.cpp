#include "emulator/hid/emulated_bus.h"

#include <cstdio>

#include "platform/clock.h"
#include "platform/hid_descriptor.h"
#include "platform/text.h"

namespace kivu::emulator {

std::vector<std::uint8_t> DefaultReportDescriptor(std::uint16_t featureLength) {
    const std::uint16_t dataBytes = featureLength > 1 ? static_cast<std::uint16_t>(featureLength - 1) : 1;
    return {
        // A mouse: report 1 with three buttons and relative X and Y.
        0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x01, 0x09, 0x01, 0xA1, 0x00,  //
        0x05, 0x09, 0x19, 0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02,
        0x95, 0x01, 0x75, 0x05, 0x81, 0x03,                                       // padding
        0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06,
        0xC0, 0xC0,
        // The vendor collection of the update: feature report 3.
        0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x03, 0x09, 0x02, 0x15, 0x00, 0x26, 0xFF, 0x00,
        0x75, 0x08, 0x96, static_cast<std::uint8_t>(dataBytes & 0xFF), static_cast<std::uint8_t>(dataBytes >> 8),
        0xB1, 0x02, 0xC0,
    };
}

struct EmulatedBus::Device {
    EmulatedDeviceConfig config;
    std::unique_ptr<OtaDevice> ota;
    std::FILE* trace = nullptr;
    std::u16string path;

    ~Device() {
        if (trace != nullptr) std::fclose(trace);
    }
};

class EmulatedBus::Handle final : public platform::HidHandle {
public:
    Handle(EmulatedBus& bus, Device& device, bool access) : bus_(bus), device_(device), access_(access) {}

    bool SetFeature(const std::uint8_t* report, std::size_t length) override {
        std::lock_guard lock(bus_.mutex_);
        if (!access_ || !device_.ota) return false;
        bool ok = device_.ota->SetFeature(report, length);
        if (ok) Trace("SET", report, length);
        return ok;
    }

    bool GetFeature(std::uint8_t* report, std::size_t length) override {
        std::lock_guard lock(bus_.mutex_);
        if (!access_ || !device_.ota) return false;
        bool ok = device_.ota->GetFeature(report, length);
        if (ok) Trace("GET", report, length);
        return ok;
    }

private:
    void Trace(const char* direction, const std::uint8_t* report, std::size_t length) {
        if (device_.trace == nullptr) return;
        std::fprintf(device_.trace, "%lld %s", static_cast<long long>(platform::MonotonicMilliseconds() - bus_.openedAt_),
                     direction);
        for (std::size_t i = 0; i < length; ++i) std::fprintf(device_.trace, " %02X", report[i]);
        std::fputc('\n', device_.trace);
        std::fflush(device_.trace);
    }

    EmulatedBus& bus_;
    Device& device_;
    bool access_;
};

EmulatedBus::EmulatedBus(std::vector<EmulatedDeviceConfig> devices) : openedAt_(platform::MonotonicMilliseconds()) {
    for (std::size_t i = 0; i < devices.size(); ++i) {
        auto device = std::make_unique<Device>();
        device->config = std::move(devices[i]);
        device->path = platform::Utf8ToUtf16("emulated:" + std::to_string(i));
        if (device->config.reportDescriptor.empty()) {
            device->config.reportDescriptor = DefaultReportDescriptor(device->config.featureLength);
        }
        if (!device->config.tracePath.empty()) device->trace = std::fopen(device->config.tracePath.c_str(), "w");
        if (device->config.ota) {
            device->ota = std::make_unique<OtaDevice>(*device->config.ota, device->config.featureLength);
            if (std::FILE* trace = device->trace) {
                device->ota->set_violation_observer(
                    [trace](const std::string& text) { std::fprintf(trace, "# violation: %s\n", text.c_str()); });
            }
        }
        devices_.push_back(std::move(device));
    }
}

EmulatedBus::~EmulatedBus() = default;

std::vector<platform::HidInterfaceInfo> EmulatedBus::Enumerate() {
    std::lock_guard lock(mutex_);
    std::vector<platform::HidInterfaceInfo> result;
    for (const auto& device : devices_) {
        if (device->ota && device->ota->unplugged()) continue;
        platform::HidInterfaceInfo info;
        info.path = device->path;
        info.vendorId = device->config.vendorId;
        info.productId = device->config.productId;
        info.versionNumber = device->config.versionNumber;
        info.product = platform::Utf8ToUtf16(device->config.product);
        info.manufacturer = platform::Utf8ToUtf16(device->config.manufacturer);
        for (platform::HidCollection& collection : platform::ParseReportDescriptor(device->config.reportDescriptor)) {
            platform::HidInterfaceInfo record = info;
            record.collection = std::move(collection);
            result.push_back(std::move(record));
        }
    }
    return result;
}

std::unique_ptr<platform::HidHandle> EmulatedBus::Open(const std::u16string& path, platform::HidAccess access) {
    std::lock_guard lock(mutex_);
    for (const auto& device : devices_) {
        if (device->path != path) continue;
        if (device->ota && device->ota->unplugged()) return nullptr;
        return std::make_unique<Handle>(*this, *device, access == platform::HidAccess::kReadWrite);
    }
    return nullptr;
}

const OtaDevice* EmulatedBus::ota(std::size_t index) const {
    return index < devices_.size() ? devices_[index]->ota.get() : nullptr;
}

}  // namespace kivu::emulator
