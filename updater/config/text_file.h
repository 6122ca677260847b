// Reads a whole text file into UTF-16, deciding its encoding from a byte-order mark, an
// encoding declared inside it, a default for markup, or a test for valid UTF-8.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file.h"

namespace kivu::config {

// Byte-order-mark flags, kept in the document's flags.
inline constexpr std::uint32_t kBomUtf16Le = 1;
inline constexpr std::uint32_t kBomUtf8 = 4;
inline constexpr std::uint32_t kBomUtf16Be = 0x80;
inline constexpr std::uint32_t kReading = 0x10;

// The state of one file being read; it lives for one ReadWholeFile call.
struct TextFileReader {
    platform::File file;
    std::uint32_t flags = 0;
    std::int32_t remaining = 0;    // bytes after the byte-order mark
    std::int32_t bytesToRead = 0;
    std::int32_t unitSize = 1;     // 2 for UTF-16 files
    std::int32_t units = 0;        // units read, after removal of 0 units
    std::u16string status;
    std::u16string encoding;       // empty: not decided yet
};

// Reads the file into `text` and its status into `result`; `flags` gets the byte-order-mark
// flag when the file could be opened. True when the file was opened and read.
bool ReadWholeFile(const std::u16string& path, std::u16string& text, std::u16string& result,
                   std::uint32_t& flags);

bool OpenText(TextFileReader& reader, const std::u16string& path);
bool ReadBody(TextFileReader& reader, std::u16string& text);
// Reads bytesToRead bytes into `buffer` (room for that many) and removes 0 units.
bool ReadBlock(TextFileReader& reader, void* buffer);

// The encoding named by an XML declaration or an HTML meta charset in the sample, or empty.
std::u16string FindDeclaredEncoding(const std::u16string& sample);

}  // namespace kivu::config
