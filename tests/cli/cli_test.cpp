#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace kivu {
namespace {

TEST(CommandLine, VersionHelpAndUsageErrors) {
    test::ProcessResult version = test::RunProcess(test::StagedProgram(), {"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "1.0.1.7\n");

    test::ProcessResult help = test::RunProcess(test::StagedProgram(), {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage:"), std::string::npos);

    for (const char* bad : {"--frobnicate", "frobnicate"}) {
        test::ProcessResult result = test::RunProcess(test::StagedProgram(), {bad});
        EXPECT_EQ(result.exitCode, 2) << bad;
        EXPECT_NE(result.err.find(bad), std::string::npos) << result.err;
    }
}

}  // namespace
}  // namespace kivu

namespace kivu {
namespace {

TEST(XmlCommand, ReportsLoadParseAndLookup) {
    test::TempDir dir;
    dir.Write("good.xml", "<r><S><K>caf\xc3\xa9 &amp; \"q\"</K></S></r>");
    dir.Write("bad.xml", "<r><S><K>v</K></S></r><x/>");
    struct Case {
        std::string file;
        int exitCode;
        std::string json;
    } cases[] = {
        {"good.xml", 0,
         R"({"loaded":true,"well_formed":true,"result":"UTF-8 length 36 to 35 wide chars ","value":"café & \"q\""})"},
        {"bad.xml", 0,
         R"({"loaded":true,"well_formed":false,"result":"UTF-8 length 26 to 26 wide chars  Root element has sibling","value":"v"})"},
        {"missing.xml", 1,
         R"({"loaded":false,"well_formed":false,"result":"No such file or directory","value":""})"},
    };
    for (const Case& c : cases) {
        test::ProcessResult result =
            test::RunProcess(test::StagedProgram(), {"xml", (dir.path() / c.file).string(), "S", "K", "--json"});
        EXPECT_EQ(result.exitCode, c.exitCode) << c.file;
        EXPECT_EQ(result.out, c.json + "\n") << c.file;
    }
    test::ProcessResult plain =
        test::RunProcess(test::StagedProgram(), {"xml", (dir.path() / "good.xml").string(), "S", "K"});
    EXPECT_EQ(plain.out, "café & \"q\"\n");
    EXPECT_EQ(test::RunProcess(test::StagedProgram(), {"xml", "only-a-file"}).exitCode, 2);
}

}  // namespace
}  // namespace kivu

namespace kivu {
namespace {

// A copy of the staged program in a folder of its own, with the files a test gives it.
class ProgramCopy {
public:
    ProgramCopy() : folder_(dir_.path() / "Kivu Updata") {
        std::filesystem::create_directories(folder_);
        std::filesystem::copy_file(test::StagedProgram(), folder_ / "Kivu Updata");
    }
    void Write(const std::string& name, const std::string& bytes) const {
        std::filesystem::create_directories((folder_ / name).parent_path());
        std::ofstream(folder_ / name, std::ios::binary) << bytes;
    }
    test::ProcessResult Run(const std::vector<std::string>& args) const {
        return test::RunProcess((folder_ / "Kivu Updata").string(), args);
    }

private:
    test::TempDir dir_;
    std::filesystem::path folder_;
};

TEST(CheckCommand, JsonOfAStagedFolder) {
    ProgramCopy program;
    program.Write("UpdataSetting.xml",
                  "<SETTING><INFO><DEVICE>1</DEVICE><VID>093A</VID><PID>822A</PID><BINFILE>rx.bin</BINFILE>"
                  "<VID_BL>ABCD</VID_BL><PID_BL>1234</PID_BL><BINFILE_BL>mcu.bin</BINFILE_BL>"
                  "<MRWREPEAT_MAX>A</MRWREPEAT_MAX></INFO></SETTING>");
    program.Write("rx.bin", "firmware");
    program.Write("Image/Skin.xml",
                  "<SKIN><MAINSCREENNEW><Main>main.png</Main></MAINSCREENNEW><OBJECT>"
                  "<BUTTON_START>Start,120,300,90,40,start.png,S</BUTTON_START></OBJECT></SKIN>");
    program.Write("Image/main.png", "png");

    test::ProcessResult result = program.Run({"check", "--json"});
    EXPECT_EQ(result.exitCode, 1) << "mcu.bin and start.png are missing";
    nlohmann::json json = nlohmann::json::parse(result.out);
    const nlohmann::json& settings = json["settings"];
    EXPECT_EQ(settings["read"], true);
    EXPECT_EQ(settings["DEVICE"], 1);
    EXPECT_EQ(settings["VID"], 0x093A);
    EXPECT_EQ(settings["PID_BL"], 0x1234);
    EXPECT_EQ(settings["BINFILE"], "rx.bin");
    EXPECT_EQ(settings["BINFILE_BL"], "mcu.bin");
    EXPECT_EQ(settings["callerTag"], "-GUI-");
    EXPECT_EQ(settings["repeatLimit"], 10);
    EXPECT_EQ(settings["contentPause"], 40);
    const nlohmann::json& skin = json["skin"];
    EXPECT_EQ(skin["read"], true);
    ASSERT_EQ(skin["items"].size(), 19u);
    EXPECT_EQ(skin["items"][0], nlohmann::json::parse(R"({"section":"MAINSCREENNEW","item":"Main","value":"main.png",
        "rect":[0,0,0,0],"picture":"main.png","pictureFound":true})"));
    EXPECT_EQ(skin["items"][2], nlohmann::json::parse(R"({"section":"OBJECT","item":"BUTTON_START",
        "value":"Start,120,300,90,40,start.png,S","rect":[120,300,210,340],"picture":"start.png","pictureFound":false})"));
    EXPECT_EQ(skin["items"][18]["section"], "DONGLE");
    EXPECT_EQ(skin["items"][18]["item"], "TEXT_5");
    EXPECT_EQ(skin["items"][18]["value"], "");

    test::ProcessResult text = program.Run({"check"});
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_NE(text.out.find("firmware file of BINFILE_BL not found: mcu.bin"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("picture of OBJECT/BUTTON_START not found: Image/start.png"), std::string::npos);

    program.Write("mcu.bin", "mcu");
    program.Write("Image/Skin.xml", "<SKIN><MAINSCREENNEW><Main>main.png</Main></MAINSCREENNEW></SKIN>");
    EXPECT_EQ(program.Run({"check"}).exitCode, 0);
    program.Write("UpdataSetting.xml", "<SETTING><INFO>");
    test::ProcessResult broken = program.Run({"check", "--json"});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_EQ(nlohmann::json::parse(broken.out)["settings"]["read"], false);
    EXPECT_EQ(nlohmann::json::parse(broken.out)["settings"]["VID"], 0x093A);
}

}  // namespace
}  // namespace kivu

namespace kivu {
namespace {

TEST(DevicesCommand, ListsTheEmulatedDevicesOfAScenario) {
    test::TempDir dir;
    dir.Write("scenario.json", R"({"devices": [
        {"vid": "0x093A", "pid": "0x822A", "product": "Kivu Mouse", "manufacturer": "Kivu", "feature_length": 32,
         "ota": {"object_size": 4096}},
        {"vid": 43981, "pid": "0x1234", "product": "Boot loader",
         "report_descriptor": "06 00 FF 09 01 A1 01 85 05 75 08 95 07 B1 02 C0"}]})");
    test::ProcessResult result = test::RunProcess(test::StagedProgram(), {"devices", "--json"},
                                                  {"KIVU_HID_EMULATION=" + (dir.path() / "scenario.json").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    nlohmann::json list = nlohmann::json::parse(result.out);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0], nlohmann::json::parse(R"({"path":"emulated:0","vid":2362,"pid":33322,"product":"Kivu Mouse",
        "manufacturer":"Kivu","usage_page":1,"usage":2,"input_length":4,"output_length":0,"feature_length":0,
        "feature_value_report_id":null})"));
    EXPECT_EQ(list[1]["usage_page"], 0xFF00);
    EXPECT_EQ(list[1]["feature_length"], 32);
    EXPECT_EQ(list[1]["feature_value_report_id"], 3);
    EXPECT_EQ(list[2]["path"], "emulated:1");
    EXPECT_EQ(list[2]["feature_length"], 8);
    EXPECT_EQ(list[2]["feature_value_report_id"], 5);

    dir.Write("bad.json", R"({"devices": [{"vid": "0x093A", "pid": "x"}]})");
    test::ProcessResult bad = test::RunProcess(test::StagedProgram(), {"devices"},
                                               {"KIVU_HID_EMULATION=" + (dir.path() / "bad.json").string()});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("devices[0].pid: 'x' is not a number"), std::string::npos) << bad.err;
}

}  // namespace
}  // namespace kivu

namespace kivu {
namespace {

TEST(ImageCommand, ChunksAndRefusals) {
    test::TempDir dir;
    dir.Write("fw.bin", std::string(10000, '\x01'));
    dir.Write("big.bin", std::string(131041, '\x01'));
    test::ProcessResult result =
        test::RunProcess(test::StagedProgram(), {"image", (dir.path() / "fw.bin").string(), "--json"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    nlohmann::json json = nlohmann::json::parse(result.out);
    EXPECT_EQ(json["length"], 10032);
    EXPECT_EQ(json["sum16"], (10000 + 2 * 0x2E + 4 * (0x55 + 0xAA)) % 65536);
    EXPECT_EQ(json["trailer_appended"], true);
    ASSERT_GT(json["chunks"].size(), 75u);
    EXPECT_EQ(json["chunks"][72], 56);
    EXPECT_EQ(json["chunks"][73], 8);
    EXPECT_EQ(json["chunks"][74], 56);

    test::ProcessResult small = test::RunProcess(
        test::StagedProgram(), {"image", (dir.path() / "fw.bin").string(), "--chunk", "1000", "--object", "4096", "--report-length", "1100", "--json"});
    EXPECT_EQ(nlohmann::json::parse(small.out)["chunks"], nlohmann::json::parse("[1000,1000,1000,1000,96,1000,1000,1000,1000,96,1000,1000]"));

    test::ProcessResult big = test::RunProcess(test::StagedProgram(), {"image", (dir.path() / "big.bin").string()});
    EXPECT_EQ(big.exitCode, 1);
    EXPECT_NE(big.err.find("too large"), std::string::npos) << big.err;
    EXPECT_EQ(test::RunProcess(test::StagedProgram(), {"image", (dir.path() / "none.bin").string()}).exitCode, 1);
    EXPECT_EQ(test::RunProcess(test::StagedProgram(), {"image", (dir.path() / "fw.bin").string(), "--chunk", "0"}).exitCode, 1);
    EXPECT_EQ(test::RunProcess(test::StagedProgram(), {"image"}).exitCode, 2);
}

}  // namespace
}  // namespace kivu

namespace kivu {
namespace {

TEST(WindowCommand, WithoutAReachableDisplayItSaysSoInsteadOfWaiting) {
    test::ProcessResult result =
        test::RunProcess(test::StagedProgram(), {}, {"DISPLAY=:9999", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("--headless"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace kivu
