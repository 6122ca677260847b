// Our own HID report descriptor parser: what the Windows HID parser reports per top-level
// collection (usage, report byte lengths with the report id byte, capability records in
// descriptor order). Every count is bounded, so a hostile descriptor cannot make it allocate
// or loop without limit.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/hid_bus.h"

namespace kivu::platform {

inline constexpr std::size_t kMaxHidCollections = 64;
inline constexpr std::size_t kMaxHidCapsPerCollection = 1024;

std::vector<HidCollection> ParseReportDescriptor(std::span<const std::uint8_t> descriptor);

}  // namespace kivu::platform
