#include <iconv.h>

#include <cerrno>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/code_page.h"
#include "platform/text.h"

namespace kivu::platform {

namespace {

// glibc iconv names of the code pages that encoding names map to. glibc has no converter
// for these, which therefore decode with the default code page (Windows-1252):
//   720 (DOS Arabic), 10001 to 10006 and 10008 (Mac Japanese, Chinese, Korean, Arabic,
//   Hebrew, Greek, Simplified Chinese), 10081 (Mac Turkish), 20000 and 20002 (CNS, ETEN),
//   20105 (IA5), 20833 and 20838 (EBCDIC Korean extended, Thai), 29001 (Europa),
//   52936 (HZ-GB-2312), 57002 to 57011 (ISCII).
const std::unordered_map<int, const char*>& IconvNames() {
    static const std::unordered_map<int, const char*> names = {
        {37, "IBM037"},      {420, "IBM420"},     {437, "IBM437"},       {708, "ASMO-708"},
        {737, "CP737"},      {775, "IBM775"},     {850, "IBM850"},       {852, "IBM852"},
        {857, "IBM857"},     {861, "IBM861"},     {862, "IBM862"},       {866, "IBM866"},
        {869, "IBM869"},     {870, "IBM870"},     {874, "CP874"},        {875, "IBM875"},
        {932, "CP932"},      {936, "CP936"},      {949, "CP949"},        {950, "CP950"},
        {1026, "IBM1026"},   {1140, "IBM1140"},   {1142, "IBM1142"},     {1143, "IBM1143"},
        {1144, "IBM1144"},   {1145, "IBM1145"},   {1146, "IBM1146"},     {1147, "IBM1147"},
        {1148, "IBM1148"},   {1149, "IBM1149"},   {1200, "UTF-16LE"},    {1201, "UTF-16BE"},
        {1250, "CP1250"},    {1251, "CP1251"},    {1252, "CP1252"},      {1253, "CP1253"},
        {1254, "CP1254"},    {1255, "CP1255"},    {1256, "CP1256"},      {1257, "CP1257"},
        {1258, "CP1258"},    {1361, "JOHAB"},     {10000, "MACINTOSH"},  {10007, "MAC-CYRILLIC"},
        {10029, "MAC-CENTRALEUROPE"},             {10079, "MAC-IS"},     {20106, "ISO646-DE"},
        {20107, "ISO646-SE"},                     {20108, "ISO646-NO"},  {20127, "ASCII"},
        {20273, "IBM273"},   {20277, "IBM277"},   {20278, "IBM278"},     {20280, "IBM280"},
        {20284, "IBM284"},   {20285, "IBM285"},   {20290, "IBM290"},     {20423, "IBM423"},
        {20424, "IBM424"},   {20866, "KOI8-R"},   {20873, "IBM871"},     {20880, "IBM880"},
        {20905, "IBM905"},   {21025, "IBM1025"},  {21866, "KOI8-U"},     {28591, "ISO-8859-1"},
        {28592, "ISO-8859-2"},                    {28593, "ISO-8859-3"}, {28594, "ISO-8859-4"},
        {28595, "ISO-8859-5"},                    {28596, "ISO-8859-6"}, {28597, "ISO-8859-7"},
        {28598, "ISO-8859-8"},                    {28599, "ISO-8859-9"}, {28605, "ISO-8859-15"},
        {38598, "ISO-8859-8"},                    {50220, "ISO-2022-JP"},
        {50221, "ISO-2022-JP"},                   {50222, "ISO-2022-JP"},
        {50225, "ISO-2022-KR"},                   {50930, "IBM930"},     {50933, "IBM933"},
        {50935, "IBM935"},   {50937, "IBM937"},   {50939, "IBM939"},     {51932, "EUC-JP"},
        {51936, "EUC-CN"},   {51949, "EUC-KR"},   {65000, "UTF-7"},
    };
    return names;
}

const char* IconvName(int codePage) {
    if (codePage == kDefaultCodePage) return "CP1252";
    auto found = IconvNames().find(codePage);
    return found == IconvNames().end() ? nullptr : found->second;
}

// One converter per direction and code page, opened on first use. iconv descriptors carry
// shift state, so each use takes the lock and resets the descriptor.
class Converter {
public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(handle_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t handle() const { return handle_; }
    std::mutex& mutex() { return mutex_; }

private:
    iconv_t handle_;
    std::mutex mutex_;
};

Converter* ConverterFor(int codePage, bool toUtf16) {
    static std::mutex tableMutex;
    static std::unordered_map<long long, std::unique_ptr<Converter>> table;
    const char* name = IconvName(codePage);
    if (name == nullptr) {
        name = "CP1252";
        codePage = kDefaultCodePage;
    }
    long long key = codePage * 2LL + (toUtf16 ? 1 : 0);
    std::lock_guard lock(tableMutex);
    auto& slot = table[key];
    if (!slot) {
        slot = toUtf16 ? std::make_unique<Converter>("UTF-16LE", name)
                       : std::make_unique<Converter>(name, "UTF-16LE");
    }
    return slot->ok() ? slot.get() : nullptr;
}

}  // namespace

bool HasCodePage(int codePage) {
    if (codePage == kUtf8CodePage || codePage == kDefaultCodePage) return true;
    const char* name = IconvName(codePage);
    if (name == nullptr) return false;
    iconv_t probe = iconv_open("UTF-16LE", name);
    if (probe == reinterpret_cast<iconv_t>(-1)) return false;
    iconv_close(probe);
    return true;
}

std::u16string MultiByteToUtf16(int codePage, std::string_view bytes) {
    if (codePage == kUtf8CodePage) return Utf8ToUtf16(bytes);
    Converter* converter = ConverterFor(codePage, true);
    if (converter == nullptr) return Utf8ToUtf16(bytes);
    std::lock_guard lock(converter->mutex());
    iconv(converter->handle(), nullptr, nullptr, nullptr, nullptr);

    std::u16string out;
    std::string buffer(bytes.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    auto flushBuffer = [&](char* bufferEnd) {
        std::size_t produced = static_cast<std::size_t>(bufferEnd - buffer.data()) / 2;
        for (std::size_t i = 0; i < produced; ++i) {
            out.push_back(static_cast<char16_t>(static_cast<unsigned char>(buffer[2 * i]) |
                                                static_cast<unsigned char>(buffer[2 * i + 1]) << 8));
        }
    };
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        std::size_t rc = iconv(converter->handle(), &in, &inLeft, &outPtr, &outLeft);
        flushBuffer(outPtr);
        if (rc != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) continue;
        // An invalid or cut-off sequence: one replacement character, then the next byte.
        out.push_back(0xFFFD);
        if (errno == EINVAL) break;
        ++in;
        --inLeft;
    }
    return out;
}

std::string Utf16ToMultiByte(int codePage, std::u16string_view text, bool* usedDefault) {
    if (usedDefault != nullptr) *usedDefault = false;
    if (codePage == kUtf8CodePage) return Utf16ToUtf8(text);
    Converter* converter = ConverterFor(codePage, false);
    if (converter == nullptr) return Utf16ToUtf8(text);
    std::lock_guard lock(converter->mutex());
    iconv(converter->handle(), nullptr, nullptr, nullptr, nullptr);

    std::string source(text.size() * 2, '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        source[2 * i] = static_cast<char>(text[i] & 0xFF);
        source[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    std::string out;
    std::string buffer(text.size() * 8 + 16, '\0');
    char* in = source.data();
    std::size_t inLeft = source.size();
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        std::size_t rc = iconv(converter->handle(), &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), outPtr);
        if (rc != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) continue;
        out.push_back('?');
        if (usedDefault != nullptr) *usedDefault = true;
        if (errno == EINVAL) break;
        in += 2;
        inLeft -= 2;
    }
    // Shift-state encodings (ISO-2022) end with a return to the initial state.
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    iconv(converter->handle(), nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer.data(), outPtr);
    return out;
}

}  // namespace kivu::platform
