// The HID bus: one interface in front of the system's HID devices (hidraw here, SetupAPI on
// Windows) and the emulated bus, so that everything above it is the same code whichever bus
// is underneath. Like a driver table, each operation has a one-line contract.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kivu::platform {

enum class HidReportType { kInput = 0, kOutput = 1, kFeature = 2 };

// One capability record of a collection: a main item's field, as the HID parser reports it.
struct HidCapRecord {
    std::uint16_t usagePage = 0;
    std::uint8_t reportId = 0;
    bool isRange = false;
    std::uint16_t usageMin = 0;  // the usage, when not a range
    std::uint16_t usageMax = 0;
    std::uint16_t bitSize = 0;
    std::uint16_t reportCount = 0;
    std::int32_t logicalMin = 0;
    std::int32_t logicalMax = 0;
    bool operator==(const HidCapRecord&) const = default;
};

// The capability summary of one top-level collection. Byte lengths include the report id byte
// and are 0 for a report kind the collection does not have.
struct HidCaps {
    std::uint16_t usage = 0;
    std::uint16_t usagePage = 0;
    std::uint16_t inputReportByteLength = 0;
    std::uint16_t outputReportByteLength = 0;
    std::uint16_t featureReportByteLength = 0;
    std::uint16_t numberInputButtonCaps = 0;
    std::uint16_t numberInputValueCaps = 0;
    std::uint16_t numberOutputButtonCaps = 0;
    std::uint16_t numberOutputValueCaps = 0;
    std::uint16_t numberFeatureButtonCaps = 0;
    std::uint16_t numberFeatureValueCaps = 0;
};

// What the parser makes of one top-level collection.
struct HidCollection {
    HidCaps caps;
    std::vector<HidCapRecord> buttonCaps[3];  // by HidReportType
    std::vector<HidCapRecord> valueCaps[3];
};

// One present HID interface, one per top-level collection (several may share a path).
struct HidInterfaceInfo {
    std::u16string path;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t versionNumber = 0;
    std::u16string product;
    std::u16string manufacturer;
    HidCollection collection;
};

// An interface opened for feature-report I/O; closed with the object.
class HidHandle {
public:
    virtual ~HidHandle() = default;
    // Sends report[0 .. length) as a feature report; report[0] is the report id.
    virtual bool SetFeature(const std::uint8_t* report, std::size_t length) = 0;
    // Reads the feature report whose id is in report[0] into report[0 .. length).
    virtual bool GetFeature(std::uint8_t* report, std::size_t length) = 0;
};

enum class HidAccess { kReadWrite, kNone };

class HidBus {
public:
    virtual ~HidBus() = default;
    // Every present interface, in a stable order.
    virtual std::vector<HidInterfaceInfo> Enumerate() = 0;
    // Opens a path; with kNone the handle allows no report I/O (its calls fail). Null when the
    // path cannot be opened at all.
    virtual std::unique_ptr<HidHandle> Open(const std::u16string& path, HidAccess access) = 0;
};

// The bus the updater uses: the system's, unless one was installed (the emulated bus).
HidBus& CurrentHidBus();
// Not owned; nullptr goes back to the system's bus.
void SetHidBus(HidBus* bus);

// The system's bus (hidraw on Linux), with its sysfs and device roots.
std::unique_ptr<HidBus> MakeSystemHidBus(const std::string& sysfsRoot = "/sys/class/hidraw",
                                         const std::string& deviceRoot = "/dev");

}  // namespace kivu::platform
