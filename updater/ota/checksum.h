// The byte-sum checksums of the OTA protocol.
#pragma once

#include <cstdint>
#include <span>

namespace kivu::ota {

// Sum of the bytes modulo 65,536.
std::uint16_t ByteSum16(std::span<const std::uint8_t> bytes);
// Sum of the bytes as a 32-bit integer.
std::uint32_t ByteSum32(std::span<const std::uint8_t> bytes);

}  // namespace kivu::ota
