// The firmware file held in memory for one OTA transfer, with its trailer and transfer chunks.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kivu::ota {

inline constexpr std::size_t kImageCapacity = 131072;  // 0x20000, the trailer included
inline constexpr std::size_t kTrailerSize = 32;
inline constexpr std::size_t kMaxChunk = 1024;

struct FirmwareChunk {
    std::array<std::uint8_t, kMaxChunk> data{};
    std::uint16_t length = 0;
    std::uint16_t sum16 = 0;
};

struct FirmwareImage {
    std::u16string path;
    std::vector<std::uint8_t> data = std::vector<std::uint8_t>(kImageCapacity, 0);  // zero past length
    std::uint16_t sum16 = 0;
    std::int32_t length = 0;
    std::vector<FirmwareChunk> chunks;
    bool trailerAppended = false;  // LoadImage appended the trailer to the file's bytes
};

// Appends the 32-byte trailer unless the image's last 32 bytes begin with the magic 55 AA x4.
// Returns whether it appended one. The caller makes sure there is room.
bool AppendTrailer(FirmwareImage& image);

// Cuts the image into chunks that never cross an object boundary; the last one is padded.
void BuildChunks(FirmwareImage& image, std::uint16_t chunkSize, std::uint32_t objectSize);

// What LoadImage needs besides the image.
struct ImageSource {
    std::u16string path;              // the path the update sequence builds
    std::u16string commandLine;       // the program's arguments, joined by blanks
    std::u16string exeFolder;         // start folder of the open-file dialog
    std::uint16_t chunkSize = 0;
    std::uint32_t objectSize = 0;
    std::uint16_t reportLength = 0;   // a chunk must fit a content request of this length
};

// Chooses the file ("-BIN <name>" on the command line, the given path, or the open-file
// dialog), reads it, appends the trailer, sums it and cuts it into chunks. False when the file
// cannot be opened, or when it or the device's geometry is refused; then `refusal` (when
// given) says why, and the image keeps its previous content.
bool LoadImage(FirmwareImage& image, const ImageSource& source, std::u16string* refusal = nullptr);

// The file named after "-BIN" and one separator, or empty when the arguments have no "-BIN".
std::u16string BinArgument(const std::u16string& commandLine);

}  // namespace kivu::ota
