#include <gtest/gtest.h>

#include <filesystem>

#include "platform/pacer.h"
#include "platform/text.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace kivu {
namespace {

TEST(ProgramFolder, IsTheFolderOfTheRunningCopyWithTrailingSeparator) {
    test::TempDir dir;
    std::filesystem::path folder = dir.path() / "Program Files" / "Kivu Updata";
    std::filesystem::create_directories(folder);
    std::filesystem::path copy = folder / "probe copy";
    std::filesystem::copy_file(KIVU_PROBE_PATH, copy);

    test::ProcessResult result = test::RunProcess(copy.string(), {});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "1|" + folder.string() + "/\n");
}

TEST(RecordingPacer, KeepsTheScheduleAndReturnsAtOnce) {
    platform::RecordingPacer pacer;
    using std::chrono::milliseconds;
    pacer.Pause(milliseconds(1000));
    pacer.Pause(milliseconds(10));
    pacer.Pause(milliseconds(0));
    EXPECT_EQ(pacer.Pauses(), (std::vector<milliseconds>{milliseconds(1000), milliseconds(10),
                                                         milliseconds(0)}));
    EXPECT_EQ(pacer.Total(), milliseconds(1010));
}

struct Utf8Case {
    const char* bytes;
    std::u16string text;
};

TEST(TextConversion, Utf8ToUtf16ReplacesEachBadSequence) {
    const Utf8Case cases[] = {
        {"plain", u"plain"},
        {"caf\xc3\xa9", u"caf\u00e9"},
        {"\xf0\x9f\x98\x80", u"\U0001F600"},
        {"a\xe9z", u"a\ufffdz"},           // a Latin-1 byte
        {"\xe6\xbc", u"\ufffd"},          // a sequence cut off at the end
        {"\xc0\xaf", u"\ufffd\ufffd"},    // an overlong form
        {"\xed\xa0\x80", u"\ufffd"},      // an encoded surrogate
    };
    for (const Utf8Case& c : cases) EXPECT_EQ(platform::Utf8ToUtf16(c.bytes), c.text) << c.bytes;
}

TEST(TextConversion, Utf16ToUtf8RoundTripsAndMarksLoneSurrogates) {
    EXPECT_EQ(platform::Utf16ToUtf8(u"caf\u00e9 \U0001F600"), "caf\xc3\xa9 \xf0\x9f\x98\x80");
    std::u16string lone = u"a";
    lone.push_back(0xD800);
    lone.push_back(u'b');
    EXPECT_EQ(platform::Utf16ToUtf8(lone), "a?b");
}

}  // namespace
}  // namespace kivu

#include "platform/ini_file.h"

namespace kivu {
namespace {

TEST(IniFile, ProfileStringRules) {
    const std::u16string text =
        u"; a comment\r\n[Other]\r\nModule=other.so\r\n[ plugin ]\r\n  MODULE =  \"plug/isp.so\"  \r\n"
        u"Config='conf.json'\r\nEmpty=\r\nHalfQuoted=\"x\r\nSpaced = a b \r\n[Plugin2]\r\nConfig=no\r\n";
    struct Case {
        const char16_t* section;
        const char16_t* key;
        const char16_t* value;
    } cases[] = {
        {u"Plugin", u"Module", u"plug/isp.so"},  // names without regard to case, quotes removed
        {u"PLUGIN", u"config", u"conf.json"},
        {u"Plugin", u"Empty", u""},
        {u"Plugin", u"HalfQuoted", u"\"x"},
        {u"Plugin", u"Spaced", u"a b"},
        {u"Plugin", u"Missing", u"default"},
        {u"Nowhere", u"Module", u"default"},
        {u"Other", u"Module", u"other.so"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::ProfileStringFromText(text, c.section, c.key, u"default"), c.value)
            << platform::Utf16ToUtf8(c.key);
    }
    const std::u16string longValue = u"[P]\nK=" + std::u16string(400, u'v') + u"\n";
    EXPECT_EQ(platform::ProfileStringFromText(longValue, u"P", u"K", u""), std::u16string(259, u'v'));

    test::TempDir dir;
    dir.Write("utf8.ini", "\xEF\xBB\xBF[Plugin]\nModule=caf\xC3\xA9.so\n");
    dir.Write("utf16.ini", std::string("\xFF\xFE[\0P\0]\0\n\0K\0=\0v\0", 16));
    EXPECT_EQ(platform::ReadProfileString(u"plugin", u"module", u"", dir.Folder() + u"utf8.ini"), u"caf\u00e9.so");
    EXPECT_EQ(platform::ReadProfileString(u"P", u"K", u"", dir.Folder() + u"utf16.ini"), u"v");
    EXPECT_EQ(platform::ReadProfileString(u"P", u"K", u"none", dir.Folder() + u"missing.ini"), u"none");
}

}  // namespace
}  // namespace kivu
