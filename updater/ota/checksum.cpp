#include "updater/ota/checksum.h"

#include <numeric>

namespace kivu::ota {

std::uint16_t ByteSum16(std::span<const std::uint8_t> bytes) { return static_cast<std::uint16_t>(ByteSum32(bytes)); }

std::uint32_t ByteSum32(std::span<const std::uint8_t> bytes) {
    return std::accumulate(bytes.begin(), bytes.end(), std::uint32_t{0});
}

}  // namespace kivu::ota
