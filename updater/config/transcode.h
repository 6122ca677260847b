// Encoding names, code pages and the conversions of the text file decoder.
#pragma once

#include <cstdint>
#include <string>

namespace kivu::config {

inline constexpr std::int32_t kCodePageUtf16 = 1200;
inline constexpr std::int32_t kCodePageUtf8 = 65001;
inline constexpr std::int32_t kCodePageUtf32 = 65005;  // our own mark, no platform code page

// The code page of an encoding name: 0 for an empty name, -1 for a name not in the table.
std::int32_t CodePageOf(const std::u16string& name);

// One conversion request. The source holds bytes, UTF-16 units or 32-bit code points, as the
// source encoding says; sourceLength counts those units.
struct Transcoder {
    std::u16string toName;
    std::u16string fromName;
    const void* source = nullptr;
    std::int32_t sourceLength = 0;
    std::int32_t count = 0;  // in: room in the destination (0 = count only); out: units made
    std::uint32_t usedDefault = 0;
};

// Converts into `destination` (char, char16_t or char32_t units as the target encoding
// says), or only counts when it is null. Returns the count.
std::int32_t Convert(Transcoder& transcoder, void* destination);

// Decodes one UTF-8 sequence at `position` and moves past it; -1 when the bytes are not a
// sequence (then `position` rests on the offending byte).
std::int32_t NextUtf8(const unsigned char*& position, const unsigned char* end);

// Appends the UTF-8 form of `codePoint` at buffer + count (only counts when buffer is null).
void PutUtf8(std::uint32_t codePoint, char* buffer, std::int32_t& count);

// The platform's message for the last system error, up to its first CR or LF.
std::u16string SystemErrorText();

}  // namespace kivu::config
