#include "updater/config/text_file.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/code_page.h"
#include "updater/config/scanner.h"
#include "updater/config/transcode.h"

namespace kivu::config {

static_assert(std::endian::native == std::endian::little,
              "UTF-16 files are read straight into the text as little-endian units");

namespace {

struct ByteOrderMark {
    const char* bytes;
    std::size_t length;
    const char16_t* name;
    std::uint32_t flag;
    std::int32_t unitSize;
};

constexpr ByteOrderMark kMarks[] = {
    {"\xEF\xBB\xBF", 3, u"UTF-8", kBomUtf8, 1},
    {"\xFF\xFE", 2, u"UTF-16LE", kBomUtf16Le, 2},
    {"\xFE\xFF", 2, u"UTF-16BE", kBomUtf16Be, 2},
};

std::u16string Format(const char* format, std::int32_t value) {
    char buffer[64];
    int length = std::snprintf(buffer, sizeof buffer, format, value);
    return std::u16string(buffer, buffer + std::max(length, 0));
}

bool ReadExactly(std::FILE* file, void* buffer, std::size_t size) {
    errno = 0;
    return std::fread(buffer, 1, size, file) == size;
}

// Removes every 0 unit in place and returns how many there were.
template <typename Unit>
std::int32_t RemoveZeros(Unit* units, std::int32_t count) {
    Unit* end = std::remove(units, units + count, Unit{0});
    return count - static_cast<std::int32_t>(end - units);
}

}  // namespace

bool ReadBlock(TextFileReader& reader, void* buffer) {
    if (!ReadExactly(reader.file.get(), buffer, static_cast<std::size_t>(reader.bytesToRead))) {
        reader.status = SystemErrorText();
        return false;
    }
    reader.units = reader.bytesToRead / reader.unitSize;
    reader.status = Format("length %d ", reader.units);
    std::int32_t removed = reader.unitSize == 1
                               ? RemoveZeros(static_cast<char*>(buffer), reader.units)
                               : RemoveZeros(static_cast<char16_t*>(buffer), reader.units);
    if (removed > 0) {
        reader.status += Format("(%d nulls removed) ", removed);
        reader.units -= removed;
    }
    if (reader.unitSize == 2 && (reader.flags & kBomUtf16Be)) {
        auto* units = static_cast<char16_t*>(buffer);
        for (std::int32_t i = 0; i < reader.units; ++i) {
            units[i] = static_cast<char16_t>((units[i] << 8) | (units[i] >> 8));
        }
        reader.status += u"endian swap ";
    }
    return true;
}

bool OpenText(TextFileReader& reader, const std::u16string& path) {
    reader.status.clear();
    errno = 0;
    reader.file = platform::OpenFile(path, "rb");
    if (!reader.file) {
        reader.status = SystemErrorText();
        return false;
    }
    std::FILE* file = reader.file.get();
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    std::rewind(file);
    if (size < 0 || size > INT_MAX) {
        // Our sizes are 32-bit; a file this large cannot be a configuration file.
        reader.status = size < 0 ? SystemErrorText() : u"File too large";
        return false;
    }
    reader.remaining = static_cast<std::int32_t>(size);

    bool marked = false;
    std::int32_t sampleSize = std::min(reader.remaining, 1024);
    if (sampleSize > 0) {
        std::string sample(static_cast<std::size_t>(sampleSize), '\0');
        if (!ReadExactly(file, sample.data(), sample.size())) {
            reader.status = SystemErrorText();
            return false;
        }
        reader.flags &= ~(kBomUtf16Le | kBomUtf8 | kBomUtf16Be);
        reader.unitSize = 1;
        long position = 0;
        for (const ByteOrderMark& mark : kMarks) {
            if (sample.size() >= mark.length && std::memcmp(sample.data(), mark.bytes, mark.length) == 0) {
                reader.flags |= mark.flag;
                reader.remaining -= static_cast<std::int32_t>(mark.length);
                reader.unitSize = mark.unitSize;
                reader.encoding = mark.name;
                position = static_cast<long>(mark.length);
                marked = true;
                break;
            }
        }
        std::fseek(file, position, SEEK_SET);
        if (!marked) {
            reader.encoding = FindDeclaredEncoding(platform::MultiByteToUtf16(platform::kUtf8CodePage, sample));
            if (reader.encoding.empty() && sample[0] == '<') reader.encoding = u"UTF-8";
        }
    }
    if (!reader.encoding.empty()) reader.status = reader.encoding + (marked ? u" BOM + " : u" ");
    return true;
}

bool ReadBody(TextFileReader& reader, std::u16string& text) {
    reader.status.clear();
    if (reader.bytesToRead == 0) {
        reader.status = u"0 length ";
        return true;
    }
    if (reader.flags & (kBomUtf16Le | kBomUtf16Be)) {
        text.reserve(static_cast<std::size_t>(reader.bytesToRead / 2 + reader.bytesToRead / 200));
        // One spare unit keeps an odd final byte inside the buffer.
        text.resize(static_cast<std::size_t>(reader.bytesToRead / 2 + 1));
        if (!ReadBlock(reader, text.data())) {
            text.clear();
            return false;
        }
        text.resize(static_cast<std::size_t>(reader.units));
        return true;
    }

    std::string bytes(static_cast<std::size_t>(reader.bytesToRead), '\0');
    if (!ReadBlock(reader, bytes.data())) return false;
    bytes.resize(static_cast<std::size_t>(reader.units));
    if (reader.encoding.empty()) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        const auto* end = p + bytes.size();
        bool valid = true;
        while (p < end && valid) valid = NextUtf8(p, end) >= 0;
        if (valid) reader.encoding = u"UTF-8";
        reader.status += u"(used UTF-8 detection) ";
    }
    std::int32_t codePage = std::max<std::int32_t>(CodePageOf(reader.encoding), 0);
    // A file without a mark that declares a 16- or 32-bit encoding was readable as UTF-8 to
    // find that declaration, and its bytes are 8-bit: reading them as wider units would run
    // past the buffer, so they are decoded as UTF-8.
    if (codePage == kCodePageUtf16 || codePage == 1201 || codePage == kCodePageUtf32) {
        codePage = kCodePageUtf8;
    }
    text = platform::MultiByteToUtf16(codePage, bytes);
    reader.status += Format("to %d wide chars ", static_cast<std::int32_t>(text.size()));
    return true;
}

bool ReadWholeFile(const std::u16string& path, std::u16string& text, std::u16string& result,
                   std::uint32_t& flags) {
    TextFileReader reader;
    reader.flags = flags | kReading;
    bool ok = OpenText(reader, path);
    std::u16string status = reader.status;
    text.clear();
    if (ok) {
        reader.bytesToRead = reader.remaining;
        ok = ReadBody(reader, text);
        reader.file.reset();
        reader.flags &= ~(kReading | 0x20u | 0x40u);
        if (status.empty()) status = reader.encoding.empty() ? u"ANSI " : reader.encoding + u" ";
        status += reader.status;
        flags = reader.flags;
    }
    result = status;
    return ok;
}

std::u16string FindDeclaredEncoding(const std::u16string& sample) {
    ScanCursor cursor(sample.c_str(), kScanIgnoreCase);
    ScanNode node;
    bool nameRead = false;
    bool htmlSeen = false;
    for (;;) {
        std::int32_t type = NextNode(cursor, node);
        const std::int32_t after = cursor.next;
        switch (type) {
            case kNodeProcessingInstruction:
                if (nameRead) break;
                cursor.next = node.start + 2;
                NextName(cursor);
                nameRead = true;
                if (MatchName(cursor, u"xml")) {
                    return SeekAttribute(cursor, u"encoding") ? TokenText(cursor) : std::u16string();
                }
                break;
            case kNodeEndTag:
                cursor.next = node.start + 2;
                NextName(cursor);
                nameRead = true;
                if (MatchName(cursor, u"head")) return {};
                break;
            case kNodeElement: {
                cursor.next = node.start + 1;
                NextName(cursor);
                nameRead = true;
                if (!htmlSeen) {
                    if (!MatchName(cursor, u"html")) return {};
                    htmlSeen = true;
                    break;
                }
                if (!MatchName(cursor, u"meta")) break;
                cursor.next = node.start + 1;
                if (!SeekAttribute(cursor, u"http-equiv") || !MatchName(cursor, u"Content-Type")) break;
                cursor.next = node.start + 1;
                if (!SeekAttribute(cursor, u"content")) return {};
                const std::int32_t valueEnd = cursor.tokenEnd;
                cursor.next = cursor.tokenStart;
                bool charsetSeen = false;
                bool equalsSeen = false;
                while (cursor.next <= valueEnd && NextName(cursor) && cursor.tokenStart <= valueEnd) {
                    if (charsetSeen && equalsSeen) return TokenText(cursor);
                    if (charsetSeen && MatchName(cursor, u"=")) {
                        equalsSeen = true;
                        continue;
                    }
                    charsetSeen = MatchName(cursor, u"charset");
                    equalsSeen = false;
                }
                return {};
            }
            case kNodeError:
            case kNodeEndOfDocument:
                return {};
            default:
                break;
        }
        cursor.next = after;
    }
}

}  // namespace kivu::config
