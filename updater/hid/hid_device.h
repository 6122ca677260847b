// Finding the device among the present HID interfaces, choosing the collection that carries
// the update's feature report, and exchanging feature reports with it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/hid_bus.h"

namespace kivu::hid {

inline constexpr std::size_t kMaxReportLength = 260;  // the size of lastReply

struct HidAttributes {
    std::uint32_t size = 0;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t versionNumber = 0;
};

// One matching HID interface (one top-level collection). The path stays wide throughout.
struct HidInterfaceRecord {
    std::u16string path;
    platform::HidCaps capabilities;
    std::vector<platform::HidCapRecord> inputButtonCaps, outputButtonCaps, featureButtonCaps;
    std::vector<platform::HidCapRecord> inputValueCaps, outputValueCaps, featureValueCaps;
};

// The result of the last enumeration.
struct HidInterfaceList {
    std::int32_t count = 0;
    HidAttributes lastAttributes;
    std::u16string productName;       // of the last matching interface
    std::u16string manufacturerName;
    std::vector<HidInterfaceRecord> interfaces;
    std::uint16_t wantedVendorId = 0;
    std::uint16_t wantedProductId = 0;
};

// The selected collection and its open handle. Criteria are applied only when non-zero.
struct HidLink {
    std::uint16_t usage = 0, usagePage = 0;
    std::uint8_t inputValueReportId = 0;
    std::uint16_t inputReportLength = 0;
    std::uint8_t outputValueReportId = 0;
    std::uint16_t outputReportLength = 0;
    std::uint8_t featureValueReportId = 0;
    std::uint16_t featureReportLength = 0;
    std::uint8_t inputButtonReportId = 0;
    std::uint16_t inputButtonReportLength = 0;
    std::uint8_t outputButtonReportId = 0;
    std::uint16_t outputButtonReportLength = 0;
    std::uint8_t featureButtonReportId = 0;
    std::uint16_t featureButtonReportLength = 0;

    std::uint16_t selectedReportLength = 0;
    std::u16string path;
    std::unique_ptr<platform::HidHandle> handle;
    std::array<std::uint8_t, kMaxReportLength> lastReply{};
};

// Rebuilds `list` from the present interfaces with these identifiers; true when one matched.
bool EnumerateInterfaces(HidInterfaceList& list, std::uint16_t vendorId, std::uint16_t productId);

// Takes the first record that passes the link's criteria. A collection whose report is longer
// than lastReply can hold never passes.
bool SelectCollection(const HidInterfaceList& list, HidLink& link);

// Opens link.path for feature-report I/O (read-write, else without access rights), closing
// any handle the link held before.
bool OpenLink(HidLink& link);

// Sends one feature report. A failure goes to the debugger output only; the result is always
// true, and the reply check of the protocol decides.
bool SendData2Dev(platform::HidHandle* handle, const std::uint8_t* report, std::size_t length,
                  std::int32_t retryLimit);

// Reads one feature report; report[0] holds the report id on entry.
bool ReadReport(platform::HidHandle* handle, std::uint8_t* report, std::size_t length);

}  // namespace kivu::hid
