#include "platform/ini_file.h"

#include <cstdio>
#include <string_view>

#include "platform/file.h"
#include "platform/text.h"

namespace kivu::platform {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r'; }

std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::u16string Decode(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::u16string text;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                 static_cast<unsigned char>(bytes[i + 1]) << 8));
        }
        return text;
    }
    std::string_view body(bytes);
    if (body.starts_with("\xEF\xBB\xBF")) body.remove_prefix(3);
    return Utf8ToUtf16(body);
}

}  // namespace

std::u16string ProfileStringFromText(const std::u16string& text, const std::u16string& section,
                                     const std::u16string& key, const std::u16string& defaultValue,
                                     std::size_t maxChars) {
    bool inSection = false;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos) end = text.size();
        const std::u16string_view line = Trim(std::u16string_view(text).substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == u';') continue;
        if (line.front() == u'[') {
            const std::size_t close = line.find(u']');
            inSection = close != std::u16string_view::npos && EqualIgnoringCase(Trim(line.substr(1, close - 1)), section);
            continue;
        }
        if (!inSection) continue;
        const std::size_t equals = line.find(u'=');
        if (equals == std::u16string_view::npos || !EqualIgnoringCase(Trim(line.substr(0, equals)), key)) continue;
        std::u16string_view value = Trim(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return std::u16string(value.substr(0, maxChars));
    }
    return defaultValue.substr(0, maxChars);
}

std::u16string ReadProfileString(const std::u16string& section, const std::u16string& key,
                                 const std::u16string& defaultValue, const std::u16string& path,
                                 std::size_t maxChars) {
    File file = OpenFile(path, "rb");
    if (!file) return defaultValue.substr(0, maxChars);
    std::string bytes;
    char buffer[4096];
    std::size_t read = 0;
    // INI files are small; a runaway file is read no further than 1 MiB.
    while ((read = std::fread(buffer, 1, sizeof buffer, file.get())) > 0 && bytes.size() < (1u << 20)) {
        bytes.append(buffer, read);
    }
    return ProfileStringFromText(Decode(bytes), section, key, defaultValue, maxChars);
}

}  // namespace kivu::platform
