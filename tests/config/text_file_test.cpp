#include "updater/config/text_file.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/code_page.h"
#include "updater/config/name_tables.h"
#include "updater/config/transcode.h"
#include "tests/support/temp_dir.h"

namespace kivu::config {
namespace {

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

std::string PadTo(std::string s, std::size_t size, char fill = 'x') {
    s.resize(size, fill);
    return s;
}

struct DecodeCase {
    const char* label;
    std::string bytes;
    std::u16string status;
    std::u16string text;  // empty: not checked
    std::uint32_t bomFlag = 0;
};

TEST(TextFile, DecodesTheEncodingMatrix) {
    const std::string latin1Body = "<r>caf\xe9</r>";
    const DecodeCase cases[] = {
        {"UTF-8 with a mark", "\xEF\xBB\xBF" + PadTo("<r>" + Repeat("\xc3\xa9", 14), 512),
         u"UTF-8 BOM + length 512 to 498 wide chars ", u"", kBomUtf8},
        {"UTF-8 without a mark", "<r>caf\xc3\xa9</r>", u"UTF-8 length 12 to 11 wide chars ", u"<r>caf\u00e9</r>"},
        {"UTF-16LE with a mark", std::string("\xFF\xFE<\0r\0>\0\xe9\0", 10), u"UTF-16LE BOM + length 4 ",
         u"<r>\u00e9", kBomUtf16Le},
        {"UTF-16BE with a mark", std::string("\xFE\xFF\0<\0r\0>\0a\0b\0c\0d\0e\0f\0g", 22),
         u"UTF-16BE BOM + length 10 endian swap ", u"<r>abcdefg", kBomUtf16Be},
        {"declared single-byte code page",
         PadTo("<?xml version='1.0' encoding='ISO-8859-1'?>" + latin1Body, 200, ' '),
         u"ISO-8859-1 length 200 to 200 wide chars ", u""},
        {"declared multi-byte code page", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><r>\x93\xfa\x96\x7b</r>",
         u"Shift_JIS length 53 to 51 wide chars ", u"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><r>\u65e5\u672c</r>"},
        {"HTML meta charset",
         "<html><head><meta http-equiv=\"content-type\" content=\"text/html; charset=windows-1251\"></head>"
         "<body>\xcf\xf0\xe8</body></html>",
         u"windows-1251 length 116 to 116 wide chars ", u""},
        {"declaration that is not the second pseudo-attribute", "<?xml encoding='ISO-8859-1'?><r>\xe9</r>",
         u"UTF-8 length 37 to 37 wide chars ", u"<?xml encoding='ISO-8859-1'?><r>\ufffd</r>"},
        {"Latin-1 after a blank, no declaration", " " + PadTo("caf\xe9 ", 119),
         u"ANSI length 120 (used UTF-8 detection) to 120 wide chars ", u""},
        {"UTF-8 after a blank", " <r>\xc3\xa9</r>", u"UTF-8 length 10 (used UTF-8 detection) to 9 wide chars ",
         u" <r>\u00e9</r>"},
        {"embedded 0 bytes", std::string("<r>a\0b\0\0c</r>", 13), u"UTF-8 length 13 (3 nulls removed) to 10 wide chars ",
         u"<r>abc</r>"},
        {"empty file", "", u"ANSI 0 length ", u""},
        {"mark only", "\xEF\xBB\xBF", u"UTF-8 BOM + 0 length ", u"", kBomUtf8},
        {"encoding outside the table", "<?xml version='1.0' encoding='x-klingon'?><r>\xe9</r>",
         u"x-klingon length 50 to 50 wide chars ", u"<?xml version='1.0' encoding='x-klingon'?><r>\u00e9</r>"},
        {"8-bit file declaring UTF-16", "<?xml version='1.0' encoding='UTF-16'?><r>\xc3\xa9</r>",
         u"UTF-16 length 48 to 47 wide chars ", u"<?xml version='1.0' encoding='UTF-16'?><r>\u00e9</r>"},
    };
    test::TempDir dir;
    for (const DecodeCase& c : cases) {
        dir.Write("f.xml", c.bytes);
        std::u16string text = u"stale";
        std::u16string result;
        std::uint32_t flags = 0x8;
        EXPECT_TRUE(ReadWholeFile(dir.Folder() + u"f.xml", text, result, flags)) << c.label;
        EXPECT_EQ(result, c.status) << c.label;
        if (!c.text.empty()) {
            EXPECT_EQ(text, c.text) << c.label;
        }
        EXPECT_EQ(flags, 0x8 | c.bomFlag) << c.label;
    }
}

TEST(TextFile, DecodedLatin1AndCyrillicText) {
    test::TempDir dir;
    dir.Write("a.xml", "<?xml version='1.0' encoding='ISO-8859-1'?><r>caf\xe9</r>");
    dir.Write("b.xml", "<html><meta http-equiv='Content-Type' content='text/html; charset=koi8-r'></html>\xf0\xd2");
    std::u16string text, result;
    std::uint32_t flags = 0;
    ASSERT_TRUE(ReadWholeFile(dir.Folder() + u"a.xml", text, result, flags));
    EXPECT_NE(text.find(u"caf\u00e9"), std::u16string::npos);
    ASSERT_TRUE(ReadWholeFile(dir.Folder() + u"b.xml", text, result, flags));
    EXPECT_EQ(text.substr(text.size() - 2), u"\u041f\u0440");
}

TEST(TextFile, MissingFileGivesTheSystemMessage) {
    test::TempDir dir;
    std::u16string text = u"stale", result;
    std::uint32_t flags = 0x8;
    EXPECT_FALSE(ReadWholeFile(dir.Folder() + u"missing.xml", text, result, flags));
    EXPECT_EQ(result, u"No such file or directory");
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(flags, 0x8u);
}

TEST(TextFile, FindDeclaredEncoding) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"<?xml version='1.0' encoding='koi8-r'?><r/>", u"koi8-r"},
        {u"<?XML VERSION='1.0' ENCODING=\"utf-8\"?>", u"utf-8"},
        {u"<?xml encoding='koi8-r'?>", u""},
        {u"<r><?xml version='1' encoding='koi8-r'?>", u""},
        {u"<!-- c --><?xml version='1.0' encoding='cp866'?>", u"cp866"},
        {u"<html><head><meta name='x'><meta http-equiv='Content-Type' content='text/html; charset=big5'>", u"big5"},
        {u"<html><head><meta http-equiv='Content-Type' content='text/html'>", u""},
        {u"<html><head></head><meta http-equiv='Content-Type' content='charset=big5'>", u""},
        {u"<1><?xml version='1.0' encoding='cp866'?>", u""},
    };
    for (const auto& [sample, encoding] : cases) {
        EXPECT_EQ(FindDeclaredEncoding(sample), encoding) << std::string(sample.begin(), sample.end());
    }
}

TEST(Transcode, CodePageOfNames) {
    const std::pair<std::u16string, std::int32_t> cases[] = {
        {u"Windows-1252", 1252}, {u"UTF-32BE", 65005}, {u"utf-32", -1}, {u"", 0},
        {u"LATIN1", 28591},      {u"iso_8859-1:1987", 28591}, {u"_iso-2022-jp$sio", 50222},
        {u"utf-8", 65001},       {u"utf8", -1},        {std::u16string(100, u'a'), -1},
    };
    for (const auto& [name, codePage] : cases) {
        EXPECT_EQ(CodePageOf(name), codePage) << std::string(name.begin(), name.end());
    }
}

TEST(Transcode, EveryCodePageOfTheTableHasAConverterButTheListedOnes) {
    const std::set<int> withoutConverter = {720,   10001, 10002, 10003, 10004, 10005, 10006, 10008,
                                            10081, 20000, 20002, 20105, 20833, 20838, 29001, 52936,
                                            57002, 57003, 57004, 57005, 57006, 57007, 57008, 57009,
                                            57010, 57011};
    int names = 0;
    for (const char16_t* bucket : kCharsetBuckets) {
        for (const char16_t* e = bucket; *e != 0; ++names) {
            int length = (e[0] - u'0') * 10 + (e[1] - u'0');
            int codePage = 0;
            for (int k = 2; k < 7; ++k) codePage = codePage * 10 + (e[k] - u'0');
            EXPECT_EQ(platform::HasCodePage(codePage), !withoutConverter.count(codePage)) << codePage;
            EXPECT_EQ(CodePageOf(std::u16string(e + 7, e + 7 + length)), codePage);
            e += 7 + length;
        }
    }
    EXPECT_EQ(names, 254);
}

TEST(Transcode, ConvertBetweenUnicodeForms) {
    const char32_t points[] = {U'A', 0x1F600};
    Transcoder toUtf16{u"UTF-16", u"UTF-32", points, 2};
    EXPECT_EQ(Convert(toUtf16, nullptr), 3);
    char16_t units[3] = {};
    toUtf16.count = 3;
    EXPECT_EQ(Convert(toUtf16, units), 3);
    EXPECT_EQ(std::u16string(units, 3), u"A\U0001F600");

    Transcoder toUtf8{u"UTF-8", u"UTF-32", points, 2};
    char bytes[8] = {};
    toUtf8.count = 8;
    EXPECT_EQ(Convert(toUtf8, bytes), 5);
    EXPECT_EQ(std::string(bytes, 5), "A\xf0\x9f\x98\x80");

    const char16_t lone[] = {u'a', 0xD83D};
    Transcoder toUtf32{u"UTF-32", u"UTF-16", lone, 2};
    char32_t out[2] = {};
    toUtf32.count = 2;
    EXPECT_EQ(Convert(toUtf32, out), 2);
    EXPECT_EQ(out[1], U'?');

    const char16_t euro[] = {0x20AC, 0x4E00};
    Transcoder toCp1252{u"windows-1252", u"UTF-16", euro, 2};
    char cp[4] = {};
    toCp1252.count = 4;
    EXPECT_EQ(Convert(toCp1252, cp), 2);
    EXPECT_EQ(std::string(cp, 2), "\x80?");
    EXPECT_EQ(toCp1252.usedDefault, 1u);
}

TEST(Transcode, NextUtf8AndPutUtf8) {
    struct Case {
        std::string bytes;
        std::int32_t value;
        std::ptrdiff_t advance;
    } cases[] = {
        {"A", 'A', 1},
        {"\xc3\xa9", 0xE9, 2},
        {"\xe6\xbc\xa2", 0x6F22, 3},
        {"\xf0\x9f\x98\x80", 0x1F600, 4},
        {"\x80\x80", 0, 2},          // 0x80 to 0xBF pass as lead bytes
        {"\xc0\x80", 0, 2},          // overlong forms are accepted
        {"\xf8\x80", -1, 0},
        {"\xe6\x41", -1, 1},         // stops on the byte that is no continuation
        {"\xe6\xbc", -1, 2},         // cut off by the end
    };
    for (const Case& c : cases) {
        const auto* p = reinterpret_cast<const unsigned char*>(c.bytes.data());
        const auto* start = p;
        EXPECT_EQ(NextUtf8(p, start + c.bytes.size()), c.value) << c.bytes;
        EXPECT_EQ(p - start, c.advance) << c.bytes;
    }
    char buffer[16];
    std::int32_t count = 0;
    for (std::uint32_t v : {0x41u, 0xE9u, 0x6F22u, 0x1F600u}) PutUtf8(v, buffer, count);
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(count)), "A\xc3\xa9\xe6\xbc\xa2\xf0\x9f\x98\x80");
    std::int32_t counted = 0;
    PutUtf8(0x1F600, nullptr, counted);
    EXPECT_EQ(counted, 4);
}

}  // namespace
}  // namespace kivu::config
