// The one description of the OTA report layouts. Every byte is read and written through these
// bounds-checked helpers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace kivu::ota {

// Command codes.
inline constexpr std::uint8_t kCmdWrite = 0x27;
inline constexpr std::uint8_t kCmdInitNewCheck = 0x42;
inline constexpr std::uint8_t kCmdGetInfo = 0x23;
inline constexpr std::uint8_t kCmdObjectCreate = 0x25;
inline constexpr std::uint8_t kCmdContent = 0x40;
inline constexpr std::uint8_t kCmdCrcCheck = 0x41;
inline constexpr std::uint8_t kCmdUpgrade = 0x18;
inline constexpr std::uint8_t kCmdReset = 0x22;

inline constexpr std::uint8_t kReportId = 3;
// The shortest report that holds every field of every request and reply (byte 22 is the last).
inline constexpr std::size_t kMinReportLength = 23;

// Request bytes.
inline constexpr std::size_t kReqChecksum = 1, kReqMarkA = 2, kReqMarkB = 3, kReqTransferSeq = 4, kReqCommand = 6,
                             kReqRunningSeq = 7, kReqByte8 = 8, kReqByte9 = 9, kReqParams = 10, kReqContent = 9;
// Reply bytes.
inline constexpr std::size_t kRepMark = 1, kRepStatus = 2, kRepEcho = 4, kRepInfoText = 10, kRepInfoNumber = 15,
                             kRepObjectSize = 15, kRepChunkSize = 19, kRepPacketsPerCheck = 21;

// A report of fixed length; writes past its end are dropped and reads past it give 0.
class Report {
public:
    explicit Report(std::size_t length) : bytes_(length, 0) {}
    Report(const std::uint8_t* bytes, std::size_t length) : bytes_(bytes, bytes + length) {}

    void Put8(std::size_t at, std::uint8_t v) {
        if (at < bytes_.size()) bytes_[at] = v;
    }
    void PutLe(std::size_t at, std::uint32_t v, int count) {
        for (int k = 0; k < count; ++k) Put8(at + static_cast<std::size_t>(k), static_cast<std::uint8_t>(v >> (8 * k)));
    }
    void PutBytes(std::size_t at, std::span<const std::uint8_t> data) {
        for (std::size_t k = 0; k < data.size(); ++k) Put8(at + k, data[k]);
    }
    std::uint8_t Get8(std::size_t at) const { return at < bytes_.size() ? bytes_[at] : 0; }
    std::uint32_t GetLe(std::size_t at, int count) const {
        std::uint32_t v = 0;
        for (int k = 0; k < count; ++k) v |= static_cast<std::uint32_t>(Get8(at + static_cast<std::size_t>(k))) << (8 * k);
        return v;
    }
    std::uint8_t* data() { return bytes_.data(); }
    const std::uint8_t* data() const { return bytes_.data(); }
    std::size_t size() const { return bytes_.size(); }
    bool operator==(const Report&) const = default;

private:
    std::vector<std::uint8_t> bytes_;
};

// A request with the fixed bytes, the sequence bytes and bytes 8 and 9 filled in; the caller
// adds parameters and then seals it with the checksum.
Report MakeRequest(std::size_t length, std::uint8_t command, std::int32_t transferSequence,
                   std::int32_t runningSequence, std::uint8_t byte8, std::uint8_t byte9);
// Writes byte 1: the byte sum of bytes 2 .. L-1, modulo 256.
void SealRequest(Report& request);
// The acceptance rule: byte 1 0x65, byte 4 the request's, status 0.
bool ReplyAccepted(const Report& reply, std::uint8_t requestSequence);

}  // namespace kivu::ota
