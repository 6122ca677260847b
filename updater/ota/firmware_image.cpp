#include "updater/ota/firmware_image.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/file.h"
#include "platform/file_dialog.h"
#include "platform/path.h"
#include "platform/text.h"
#include "updater/ota/checksum.h"

namespace kivu::ota {

namespace {

constexpr std::uint8_t kMagic[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};

std::u16string Number(long long value) { return platform::Utf8ToUtf16(std::to_string(value)); }

}  // namespace

bool AppendTrailer(FirmwareImage& image) {
    const auto length = static_cast<std::size_t>(image.length);
    if (length >= kTrailerSize && std::memcmp(image.data.data() + length - kTrailerSize, kMagic, 8) == 0) return false;
    std::uint8_t trailer[kTrailerSize] = {0x00, 0x2E, 0x00, 0x2E, 0x00};
    std::memcpy(trailer + 17, kMagic, 8);
    std::memcpy(image.data.data() + length, trailer, kTrailerSize);
    image.length += static_cast<std::int32_t>(kTrailerSize);
    return true;
}

void BuildChunks(FirmwareImage& image, std::uint16_t chunkSize, std::uint32_t objectSize) {
    image.chunks.clear();
    std::int64_t offset = 0;
    std::int64_t objectOffset = 0;
    std::int64_t next = chunkSize;
    while (offset < image.length) {
        FirmwareChunk chunk;
        // Bytes past the image are the zeros of the data buffer; past the buffer, zeros too.
        const std::int64_t available = std::max<std::int64_t>(0, static_cast<std::int64_t>(kImageCapacity) - offset);
        std::memcpy(chunk.data.data(), image.data.data() + offset, static_cast<std::size_t>(std::min(next, available)));
        chunk.length = static_cast<std::uint16_t>(next);
        chunk.sum16 = ByteSum16({chunk.data.data(), chunk.length});
        image.chunks.push_back(chunk);
        offset += next;
        objectOffset += next;
        const std::int64_t remaining = static_cast<std::int64_t>(objectSize) - objectOffset;
        next = chunkSize;
        if (remaining < chunkSize) {
            if (remaining <= 0) {
                objectOffset = 0;
            } else {
                next = remaining;
            }
        }
    }
}

std::u16string BinArgument(const std::u16string& commandLine) {
    const std::size_t at = commandLine.find(u"-BIN");
    if (at == std::u16string::npos || commandLine.size() <= at + 5) return {};
    return commandLine.substr(at + 5);
}

bool LoadImage(FirmwareImage& image, const ImageSource& source, std::u16string* refusal) {
    auto refuse = [refusal](std::u16string why) {
        if (refusal != nullptr) *refusal = std::move(why);
        return false;
    };
    // A device whose geometry cannot be cut into chunks that fit a content request is refused
    // before anything is read.
    if (source.chunkSize == 0 || source.chunkSize > kMaxChunk || source.chunkSize + 9 > source.reportLength ||
        source.objectSize == 0) {
        return refuse(u"Device chunk size " + Number(source.chunkSize) + u" or object size " +
                      Number(source.objectSize) + u" cannot be used with reports of " + Number(source.reportLength) +
                      u" bytes");
    }

    // Arguments without "-BIN" are ignored rather than taken from their fifth character.
    std::u16string path = BinArgument(source.commandLine);
    if (path.empty()) path = source.path;
    if (path.empty()) {
        platform::OpenFileRequest request;
        request.filter = u"Bin File(*.Bin)|*.Bin|";
        request.defaultExtension = u".Bin";
        request.initialName = u"*.Bin";
        request.startFolder = source.exeFolder;
        path = platform::ChooseFileToOpen(request);
    }
    if (path.empty() || !platform::FileExists(path)) return false;

    platform::File file = platform::OpenFile(path, "rb");
    if (!file) return false;
    std::vector<std::uint8_t> content(kImageCapacity + 1, 0);
    const std::size_t read = std::fread(content.data(), 1, content.size(), file.get());
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return false;
    const long size = std::ftell(file.get());
    if (size < 0) return false;  // a folder, or a file that cannot be measured
    const bool hasMagic = static_cast<std::size_t>(size) >= kTrailerSize && read == static_cast<std::size_t>(size) &&
                          std::memcmp(content.data() + size - kTrailerSize, kMagic, 8) == 0;
    const std::size_t withTrailer = static_cast<std::size_t>(size) + (hasMagic ? 0 : kTrailerSize);
    if (withTrailer > kImageCapacity) {
        return refuse(u"Firmware file of " + Number(size) + u" bytes is too large: with its trailer at most " +
                      Number(kImageCapacity) + u" bytes fit");
    }

    image.path = path;
    image.length = static_cast<std::int32_t>(size);
    std::fill(image.data.begin(), image.data.end(), 0);
    std::memcpy(image.data.data(), content.data(), std::min(read, static_cast<std::size_t>(size)));
    image.trailerAppended = AppendTrailer(image);
    image.sum16 = ByteSum16({image.data.data(), static_cast<std::size_t>(image.length)});
    BuildChunks(image, source.chunkSize, source.objectSize);
    return true;
}

}  // namespace kivu::ota
