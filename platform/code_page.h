// Conversions between the multibyte text of a code page and UTF-16, by the code page numbers
// of the Windows conversion functions (65001 UTF-8, 1252 Western, ...). Code page 0 is the
// default code page for text of unknown encoding: Windows-1252, so that files written on
// Windows read the same here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kivu::platform {

inline constexpr int kDefaultCodePage = 0;
inline constexpr int kUtf8CodePage = 65001;

// Whether this platform has a converter for the code page (otherwise the default is used).
bool HasCodePage(int codePage);

// Decodes `bytes`. Sequences that are not valid in the code page become U+FFFD.
std::u16string MultiByteToUtf16(int codePage, std::string_view bytes);

// Encodes `text`. Characters the code page lacks become '?' and set `usedDefault`
// (never for UTF-8, which has every character).
std::string Utf16ToMultiByte(int codePage, std::u16string_view text, bool* usedDefault);

}  // namespace kivu::platform
