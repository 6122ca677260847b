#include "updater/config/transcode.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/code_page.h"
#include "platform/file.h"
#include "updater/config/name_tables.h"

namespace kivu::config {

namespace {

char16_t Lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

}  // namespace

std::int32_t CodePageOf(const std::u16string& name) {
    if (name.empty()) return 0;
    if (name.compare(0, 6, u"UTF-32") == 0) return kCodePageUtf32;
    if (name.size() >= 100) return -1;
    std::u16string folded(name.size(), u'\0');
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        folded[i] = Lower(name[i]);
        sum += folded[i];
    }
    for (const char16_t* entry = kCharsetBuckets[sum % 150]; *entry != 0;) {
        std::size_t length = static_cast<std::size_t>((entry[0] - u'0') * 10 + (entry[1] - u'0'));
        std::int32_t codePage = 0;
        for (int k = 2; k < 7; ++k) codePage = codePage * 10 + (entry[k] - u'0');
        if (length == folded.size() && folded.compare(0, length, entry + 7, length) == 0) {
            return codePage;
        }
        entry += 7 + length;
    }
    return -1;
}

std::int32_t NextUtf8(const unsigned char*& position, const unsigned char* end) {
    unsigned char lead = *position;
    if (lead < 0x80) {
        ++position;
        return lead;
    }
    int continuations = 0;
    std::int32_t value = 0;
    if (!(lead & 0x20)) {
        continuations = 1, value = lead & 0x1F;
    } else if (!(lead & 0x10)) {
        continuations = 2, value = lead & 0x0F;
    } else if (!(lead & 0x08)) {
        continuations = 3, value = lead & 0x07;
    } else {
        return -1;
    }
    const unsigned char* p = position + 1;
    for (int k = 0; k < continuations; ++k, ++p) {
        if (p >= end || *p < 0x80) {
            position = p;
            return -1;
        }
        value = (value << 6) | (*p & 0x3F);
    }
    position = p;
    return value;
}

void PutUtf8(std::uint32_t v, char* buffer, std::int32_t& count) {
    char bytes[4];
    int length = 0;
    if (v < 0x80) {
        bytes[length++] = static_cast<char>(v);
    } else if (v < 0x800) {
        bytes[length++] = static_cast<char>(0xC0 | ((v >> 6) & 0x1F));
        bytes[length++] = static_cast<char>(0x80 | (v & 0x3F));
    } else if (v <= 0xFFFF) {
        bytes[length++] = static_cast<char>(0xE0 | ((v >> 12) & 0x0F));
        bytes[length++] = static_cast<char>(0x80 | ((v >> 6) & 0x3F));
        bytes[length++] = static_cast<char>(0x80 | (v & 0x3F));
    } else {
        bytes[length++] = static_cast<char>(0xF0 | ((v >> 18) & 0x07));
        bytes[length++] = static_cast<char>(0x80 | ((v >> 12) & 0x3F));
        bytes[length++] = static_cast<char>(0x80 | ((v >> 6) & 0x3F));
        bytes[length++] = static_cast<char>(0x80 | (v & 0x3F));
    }
    if (buffer != nullptr) std::memcpy(buffer + count, bytes, static_cast<std::size_t>(length));
    count += length;
}

namespace {

// Copies `produced` into the destination when there is room, and returns the count; a count
// that does not fit gives 0, as the platform's conversions do.
template <typename Unit, typename Container>
std::int32_t Deliver(const Container& produced, Transcoder& t, void* destination) {
    auto size = static_cast<std::int32_t>(produced.size());
    if (destination == nullptr) return t.count = size;
    if (size > t.count) return t.count = 0;
    std::copy(produced.begin(), produced.end(), static_cast<Unit*>(destination));
    return t.count = size;
}

std::u16string FromUtf32(const char32_t* source, std::int32_t length) {
    std::u16string out;
    for (std::int32_t i = 0; i < length; ++i) {
        std::uint32_t v = source[i];
        if (v < 0x10000) {
            out.push_back(static_cast<char16_t>(v));
        } else {
            out.push_back(static_cast<char16_t>(0xD800 | (((v - 0x10000) >> 10) & 0x3FF)));
            out.push_back(static_cast<char16_t>(0xDC00 | (v & 0x3FF)));
        }
    }
    return out;
}

}  // namespace

std::int32_t Convert(Transcoder& t, void* destination) {
    std::int32_t from = std::max<std::int32_t>(CodePageOf(t.fromName), 0);
    std::int32_t to = std::max<std::int32_t>(CodePageOf(t.toName), 0);
    const std::int32_t length = std::max<std::int32_t>(t.sourceLength, 0);

    if (from == kCodePageUtf32) {
        const auto* source = static_cast<const char32_t*>(t.source);
        if (to == kCodePageUtf8) {
            std::int32_t count = 0;
            for (std::int32_t i = 0; i < length; ++i) PutUtf8(source[i], nullptr, count);
            if (destination == nullptr) return t.count = count;
            if (count > t.count) return t.count = 0;
            count = 0;
            for (std::int32_t i = 0; i < length; ++i) {
                PutUtf8(source[i], static_cast<char*>(destination), count);
            }
            return t.count = count;
        }
        if (to == kCodePageUtf16) return Deliver<char16_t>(FromUtf32(source, length), t, destination);
        return t.count = 0;
    }
    if (from == kCodePageUtf16) {
        const auto* source = static_cast<const char16_t*>(t.source);
        if (to == kCodePageUtf32) {
            std::u32string out;
            for (std::int32_t i = 0; i < length; ++i) {
                char16_t unit = source[i];
                if (unit < 0xD800 || unit > 0xDFFF) {
                    out.push_back(unit);
                } else if (i + 1 >= length || source[i + 1] == 0) {
                    out.push_back(U'?');
                } else {
                    out.push_back((((unit & 0x3FFu) << 10) | (source[i + 1] & 0x3FFu)) + 0x10000);
                    ++i;
                }
            }
            return Deliver<char32_t>(out, t, destination);
        }
        if (to == kCodePageUtf16) {
            return Deliver<char16_t>(std::u16string_view(source, static_cast<std::size_t>(length)), t,
                                     destination);
        }
        bool usedDefault = false;
        std::string out = platform::Utf16ToMultiByte(
            to, std::u16string_view(source, static_cast<std::size_t>(length)), &usedDefault);
        if (usedDefault && to != kCodePageUtf8) t.usedDefault = 1;
        return Deliver<char>(out, t, destination);
    }
    std::string_view bytes(static_cast<const char*>(t.source), static_cast<std::size_t>(length));
    if (to == kCodePageUtf16) {
        return Deliver<char16_t>(platform::MultiByteToUtf16(from, bytes), t, destination);
    }
    if (to == kCodePageUtf32) {
        if (from != kCodePageUtf8) return t.count = 0;
        std::u32string out;
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        const auto* end = p + bytes.size();
        while (p < end) {
            const unsigned char* before = p;
            std::int32_t v = NextUtf8(p, end);
            if (v < 0) {
                out.push_back(U'?');
                if (p == before) ++p;
            } else {
                out.push_back(static_cast<char32_t>(v));
            }
        }
        return Deliver<char32_t>(out, t, destination);
    }
    bool usedDefault = false;
    std::string out = platform::Utf16ToMultiByte(to, platform::MultiByteToUtf16(from, bytes), &usedDefault);
    if (usedDefault && to != kCodePageUtf8) t.usedDefault = 1;
    return Deliver<char>(out, t, destination);
}

std::u16string SystemErrorText() { return platform::LastErrorText(); }

}  // namespace kivu::config
