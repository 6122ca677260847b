// Reading INI files with the rules of the Windows profile functions, as the facade library uses
// them: section and key names without regard to case, the value trimmed of surrounding blanks,
// one pair of surrounding quotes removed, at most `maxChars` characters, a default when the
// file, section or key is missing.
#pragma once

#include <string>

namespace kivu::platform {

std::u16string ReadProfileString(const std::u16string& section, const std::u16string& key,
                                 const std::u16string& defaultValue, const std::u16string& path,
                                 std::size_t maxChars = 259);

// The same rules over text already in memory.
std::u16string ProfileStringFromText(const std::u16string& text, const std::u16string& section,
                                     const std::u16string& key, const std::u16string& defaultValue,
                                     std::size_t maxChars = 259);

}  // namespace kivu::platform
