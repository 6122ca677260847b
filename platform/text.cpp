#include "platform/text.h"

#include <cstdint>
#include <cstring>

namespace kivu::platform {

namespace {

void AppendUtf8(std::string& out, char32_t v) {
    if (v < 0x80) {
        out.push_back(static_cast<char>(v));
    } else if (v < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (v >> 6)));
        out.push_back(static_cast<char>(0x80 | (v & 0x3F)));
    } else if (v < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (v >> 12)));
        out.push_back(static_cast<char>(0x80 | ((v >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (v & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (v >> 18)));
        out.push_back(static_cast<char>(0x80 | ((v >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((v >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (v & 0x3F)));
    }
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            out.push_back('?');
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    // Never more units than bytes; the buffer is cut to size at the end.
    std::u16string out(text.size(), u'\0');
    char16_t* o = out.data();
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        // Runs of ASCII, the common case of configuration files, eight bytes at a time.
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            if (word & 0x8080808080808080ull) break;
            for (int k = 0; k < 8; ++k) o[k] = p[k];
            o += 8;
            p += 8;
        }
        if (p >= end) break;
        unsigned char lead = *p;
        if (lead < 0x80) {
            *o++ = lead;
            ++p;
            continue;
        }
        int extra = 0;
        char32_t v = 0;
        char32_t minimum = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1, v = lead & 0x1F, minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2, v = lead & 0x0F, minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3, v = lead & 0x07, minimum = 0x10000;
        } else {
            *o++ = 0xFFFD;
            ++p;
            continue;
        }
        // A bad sequence is replaced as far as its valid prefix reaches, as the Unicode
        // standard recommends, so that no good character after it is swallowed.
        const unsigned char* q = p + 1;
        int got = 0;
        while (got < extra && q < end && (*q & 0xC0) == 0x80) {
            v = (v << 6) | (*q & 0x3F);
            ++q;
            ++got;
        }
        if (got < extra || v < minimum || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) {
            *o++ = 0xFFFD;
            p = (got == 0) ? p + 1 : q;
            continue;
        }
        if (v >= 0x10000) {
            *o++ = static_cast<char16_t>(0xD800 | ((v - 0x10000) >> 10));
            *o++ = static_cast<char16_t>(0xDC00 | (v & 0x3FF));
        } else {
            *o++ = static_cast<char16_t>(v);
        }
        p = q;
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
    return out;
}

std::u16string Widen(std::string_view ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

}  // namespace kivu::platform
