// Conversions between UTF-16 (the core's wide text) and UTF-8 (the Linux "ANSI" text).
#pragma once

#include <string>
#include <string_view>

namespace kivu::platform {

// Unpaired surrogates become '?', the default character of the conversion.
std::string Utf16ToUtf8(std::u16string_view text);

// Each invalid UTF-8 sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

// ASCII only: for the fixed texts of the program.
std::u16string Widen(std::string_view ascii);

}  // namespace kivu::platform
