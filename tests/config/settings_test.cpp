#include "updater/config/settings.h"

#include <gtest/gtest.h>

#include <optional>

#include "tests/support/temp_dir.h"

namespace kivu::config {
namespace {

struct SettingsCase {
    const char* label;
    std::optional<std::string> file;  // nothing: no file at all
    bool read;
    std::uint32_t device;
    std::uint16_t vid, pid;
    std::string binfile;
    std::uint16_t vidBl, pidBl;
    std::u16string binfileBl;
    std::int32_t repeatLimit;
    std::int32_t contentPause;
};

std::string Info(const std::string& keys) { return "<SETTING><INFO>" + keys + "</INFO></SETTING>"; }

TEST(ReadSettings, TableOfFiles) {
    const SettingsCase cases[] = {
        {"no file", std::nullopt, false, 0, 0x093A, 0x822A, "", 0, 0, u"", 20, 10},
        {"not well-formed", "<SETTING><INFO><DEVICE>1</DEVICE></INFO>", false, 0, 0x093A, 0x822A, "", 0, 0, u"", 20, 10},
        {"complete",
         "<?xml version='1.0' encoding='UTF-8'?>\n<SETTING>\n  <INFO>\n    <DEVICE>1</DEVICE>\n    <VID>093A</VID>\n"
         "    <PID>822A</PID>\n    <BINFILE>receiver.bin</BINFILE>\n    <VID_BL>ABCD</VID_BL>\n"
         "    <PID_BL>1234</PID_BL>\n    <BINFILE_BL>receiver_mcu.bin</BINFILE_BL>\n"
         "    <MRWREPEAT_MAX>A</MRWREPEAT_MAX>\n  </INFO>\n</SETTING>\n",
         true, 1, 0x093A, 0x822A, "receiver.bin", 0xABCD, 0x1234, u"receiver_mcu.bin", 10, 40},
        {"missing keys read as 0", Info("<VID>0x1234</VID>"), true, 0, 0x1234, 0, "", 0, 0, u"", 20, 10},
        {"prefixes, blanks, signs", Info("<VID> 0X093a</VID><PID>\t+822A</PID><PID_BL>-1</PID_BL><VID_BL>zz</VID_BL>"),
         true, 0, 0x093A, 0x822A, "", 0, 0xFFFF, u"", 20, 10},
        {"too large for 16 bits", Info("<VID>12345</VID><PID>FFFFFFFFFF</PID><DEVICE>4294967297</DEVICE>"), true,
         0xFFFFFFFF, 0x2345, 0xFFFF, "", 0, 0, u"", 20, 10},
        {"repeat limit 13 is nineteen", Info("<MRWREPEAT_MAX>13</MRWREPEAT_MAX>"), true, 0, 0, 0, "", 0, 0, u"", 19, 10},
        {"repeat limit 14 is twenty", Info("<MRWREPEAT_MAX>14</MRWREPEAT_MAX>"), true, 0, 0, 0, "", 0, 0, u"", 20, 10},
        {"repeat limit 1", Info("<MRWREPEAT_MAX>1</MRWREPEAT_MAX>"), true, 0, 0, 0, "", 0, 0, u"", 1, 10},
        {"repeat limit 0", Info("<MRWREPEAT_MAX>0</MRWREPEAT_MAX>"), true, 0, 0, 0, "", 0, 0, u"", 20, 10},
        {"device 2", Info("<DEVICE>2</DEVICE>"), true, 2, 0, 0, "", 0, 0, u"", 20, 10},
        {"device is decimal", Info("<DEVICE>0x1</DEVICE>"), true, 0, 0, 0, "", 0, 0, u"", 20, 10},
        {"second INFO not searched",
         "<S><INFO><VID>1</VID></INFO><INFO><PID>2</PID></INFO></S>", true, 0, 1, 0, "", 0, 0, u"", 20, 10},
        {"INFO nested in INFO", "<S><INFO><X/><INFO><PID>2</PID></INFO></INFO></S>", true, 0, 0, 2, "", 0, 0, u"", 20, 10},
        {"INFO as the root", "<INFO><DEVICE>1</DEVICE><VID>1234</VID></INFO>", true, 0, 0, 0, "", 0, 0, u"", 20, 10},
        {"file names keep line breaks and references",
         Info("<BINFILE>\nmouse &amp; co.bin</BINFILE><BINFILE_BL>caf\xc3\xa9.bin</BINFILE_BL>"), true, 0, 0, 0,
         "\nmouse & co.bin", 0, 0, u"caf\u00e9.bin", 20, 10},
    };
    for (const SettingsCase& c : cases) {
        test::TempDir dir;
        if (c.file) dir.Write("UpdataSetting.xml", *c.file);
        UpdateSettings settings;
        std::int32_t repeatLimit = kDefaultRepeatLimit;
        std::int32_t contentPause = kDefaultContentPauseMs;
        EXPECT_EQ(ReadSettings(dir.Folder(), settings, repeatLimit, contentPause), c.read) << c.label;
        EXPECT_EQ(settings.DEVICE, c.device) << c.label;
        EXPECT_EQ(settings.VID, c.vid) << c.label;
        EXPECT_EQ(settings.PID, c.pid) << c.label;
        EXPECT_EQ(settings.BINFILE, c.binfile) << c.label;
        EXPECT_EQ(settings.VID_BL, c.vidBl) << c.label;
        EXPECT_EQ(settings.PID_BL, c.pidBl) << c.label;
        EXPECT_EQ(settings.BINFILE_BL, c.binfileBl) << c.label;
        EXPECT_EQ(settings.callerTag, "-GUI-") << c.label;
        EXPECT_EQ(repeatLimit, c.repeatLimit) << c.label;
        EXPECT_EQ(contentPause, c.contentPause) << c.label;
    }
}

}  // namespace
}  // namespace kivu::config
