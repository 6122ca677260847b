#include "updater/config/wide_number.h"

#include <cstdint>
#include <climits>


namespace kivu::config {

namespace {

// Whitespace as the C locale's iswspace has it.
bool IsSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

int DigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'z') return c - u'a' + 10;
    if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
    return 99;
}

struct Scan {
    bool negative = false;
    bool overflow = false;
    std::uint64_t magnitude = 0;  // saturated just above 2^32
    const char16_t* end = nullptr;
};

Scan ScanNumber(const char16_t* text, int base) {
    Scan scan;
    scan.end = text;
    const char16_t* p = text;
    while (IsSpace(*p)) ++p;
    if (*p == u'+' || *p == u'-') {
        scan.negative = *p == u'-';
        ++p;
    }
    if ((base == 0 || base == 16) && p[0] == u'0' && (p[1] == u'x' || p[1] == u'X') &&
        DigitValue(p[2]) < 16) {
        p += 2;
        base = 16;
    } else if (base == 0) {
        base = p[0] == u'0' ? 8 : 10;
    }
    if (base < 2 || base > 36) return scan;
    const char16_t* digits = p;
    for (; DigitValue(*p) < base; ++p) {
        scan.magnitude = scan.magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(DigitValue(*p));
        if (scan.magnitude > 0xFFFFFFFFull) {
            scan.overflow = true;
            scan.magnitude = 0x100000000ull;
        }
    }
    if (p != digits) scan.end = p;
    return scan;
}

}  // namespace

std::int32_t ParseWideLong(const char16_t* text, int base, const char16_t** end) {
    Scan scan = ScanNumber(text, base);
    if (end != nullptr) *end = scan.end;
    if (scan.negative) {
        if (scan.overflow || scan.magnitude > 0x80000000ull) return INT32_MIN;
        return static_cast<std::int32_t>(-static_cast<std::int64_t>(scan.magnitude));
    }
    if (scan.overflow || scan.magnitude > 0x7FFFFFFFull) return INT32_MAX;
    return static_cast<std::int32_t>(scan.magnitude);
}

std::uint32_t ParseWideUnsignedLong(const char16_t* text, int base, const char16_t** end) {
    Scan scan = ScanNumber(text, base);
    if (end != nullptr) *end = scan.end;
    if (scan.overflow) return 0xFFFFFFFFu;
    const auto value = static_cast<std::uint32_t>(scan.magnitude);
    return scan.negative ? static_cast<std::uint32_t>(0u - value) : value;
}

}  // namespace kivu::config
