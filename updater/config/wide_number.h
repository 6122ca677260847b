// Numbers in wide text, read the way the C library's wcstol and wcstoul read them.
#pragma once

#include <cstdint>

namespace kivu::config {

// As wcstol with a 32-bit long: leading whitespace, an optional sign, an optional 0x prefix
// for base 16 (or base 0), digits up to the first character that is none; saturates at the
// 32-bit limits. `end` (when given) receives the position after the number, or `text` when
// there were no digits.
std::int32_t ParseWideLong(const char16_t* text, int base, const char16_t** end = nullptr);

// As wcstoul with a 32-bit unsigned long: like the above, but a minus sign negates the value
// modulo 2^32, and overflow gives 0xFFFFFFFF.
std::uint32_t ParseWideUnsignedLong(const char16_t* text, int base, const char16_t** end = nullptr);

}  // namespace kivu::config
