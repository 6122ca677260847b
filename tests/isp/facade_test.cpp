// The facade library loaded by a host program, as the updater loads it: the host's INI file,
// the plug-in it names, and the three exports.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace kivu {
namespace {

namespace fs = std::filesystem;

// A host program copied into a folder of its own under a chosen name, with the library in Bin.
class HostFolder {
public:
    explicit HostFolder(const std::string& hostName) : host_(dir_.path() / "Tools" / hostName) {
        fs::create_directories(folder() / "Bin");
        fs::copy_file(KIVU_FACADE_HOST, host_);
        fs::copy_file(std::string(KIVU_STAGE_DIR) + "/Bin/MRW5160HIDISPSDK.so", folder() / "Bin" / "MRW5160HIDISPSDK.so");
    }
    fs::path folder() const { return host_.parent_path(); }
    void Write(const std::string& name, const std::string& text) const {
        fs::create_directories((folder() / name).parent_path());
        std::ofstream(folder() / name) << text;
    }
    void CopyPlugin(const std::string& from, const std::string& to) const {
        fs::create_directories((folder() / to).parent_path());
        fs::copy_file(from, folder() / to);
    }
    test::ProcessResult Run(std::vector<std::string> args = {}, std::vector<std::string> env = {}) const {
        args.insert(args.begin(), (folder() / "Bin" / "MRW5160HIDISPSDK.so").string());
        env.push_back("KIVU_UNATTENDED=1");
        return test::RunProcess(host_.string(), args, env);
    }
    const test::TempDir& dir() const { return dir_; }

private:
    test::TempDir dir_;
    fs::path host_;
};

TEST(Facade, ReadsTheHostsIniAndForwardsToTheProgrammer) {
    HostFolder host("a.b");
    host.CopyPlugin(KIVU_TEST_PLUGIN, "plug/isp.so");
    host.Write("a.b.ini", "[plugin]\n module = \"plug/isp.so\" \nCONFIG=conf/mode.txt\n");
    host.Write("conf/mode.txt", "programmer");
    host.Write("a.ini", "[Plugin]\nModule=missing.so\nConfig=missing.txt\n");  // not the host's name
    test::ProcessResult result = host.Run({"0x093A", "0x822A"});
    EXPECT_EQ(result.out, "loaded\nOpenDevice 5\nProgram 3\n") << result.err;
    EXPECT_EQ(result.err, "");
}

TEST(Facade, AbsoluteModulePathAndTheEmulatedProgrammer) {
    HostFolder host("Kivu Updata");
    const fs::path plugin = host.dir().path() / "elsewhere" / "emulated_programmer.so";
    fs::create_directories(plugin.parent_path());
    fs::copy_file(std::string(KIVU_STAGE_DIR) + "/Bin/emulated_programmer.so", plugin);
    host.Write("Kivu Updata.ini", "[Plugin]\nModule=" + plugin.string() + "\nConfig=mcu.json\n");
    host.Write("mcu.json", R"({"normal": {"vid": "0x093A", "pid": "0x822A"}, "bootloader": {"vid": "0x093A", "pid": "0x8230"},
                              "starts_in": "bootloader", "results": [8], "call_log": "calls.txt"})");
    test::ProcessResult result = host.Run({"0x093A", "0x8230", "0x093A", "0x822A"});
    // Program's 8 comes from the plug-in, through the cast across the two modules.
    EXPECT_EQ(result.out, "loaded\nOpenDevice 1\nOpenDevice 0\nProgram 8\n") << result.err;
    std::ifstream calls(host.folder() / "calls.txt");
    std::string first;
    std::getline(calls, first);
    EXPECT_EQ(first, "Initialize(" + (host.folder() / "mcu.json").string() + ") = true");
}

TEST(Facade, FailedStartUpShowsTheMessageAndRefusesTheLoad) {
    struct Case {
        const char* label;
        std::string ini;
        std::vector<std::string> env;
        bool pluginLoaded;
    } cases[] = {
        {"no INI file", "", {}, false},
        {"empty Module", "[Plugin]\nModule=\nConfig=mode.txt\n", {}, false},
        {"empty Config", "[Plugin]\nModule=plug.so\nConfig=\n", {}, false},
        {"missing module", "[Plugin]\nModule=none.so\nConfig=mode.txt\n", {}, false},
        {"null service", "[Plugin]\nModule=plug.so\nConfig=mode.txt\n", {"KIVU_TEST_PLUGIN_MODE=null-service"}, true},
        {"Initialize fails", "[Plugin]\nModule=plug.so\nConfig=no-such-config.txt\n", {}, true},
    };
    for (const Case& c : cases) {
        HostFolder host("host");
        host.CopyPlugin(KIVU_TEST_PLUGIN, "plug.so");
        host.Write("mode.txt", "programmer");
        if (!c.ini.empty()) host.Write("host.ini", c.ini);
        std::vector<std::string> env = c.env;
        const fs::path marker = host.folder() / "marker";
        env.push_back("KIVU_TEST_PLUGIN_MARKER=" + marker.string());
        test::ProcessResult result = host.Run({}, env);
        EXPECT_EQ(result.out, "not loaded\n") << c.label;
        EXPECT_NE(result.err.find("Failed to load plugin.dll"), std::string::npos) << c.label << ": " << result.err;
        EXPECT_EQ(fs::exists(marker), c.pluginLoaded) << c.label;
    }
}

TEST(Facade, ExportsWithoutAProgrammerGiveZeroAndSeven) {
    for (const char* mode : {"no-programmer", "wrong-type"}) {
        HostFolder host("host");
        host.CopyPlugin(KIVU_TEST_PLUGIN, "plug.so");
        host.Write("host.ini", "[Plugin]\nModule=plug.so\nConfig=mode.txt\n");
        host.Write("mode.txt", mode);
        test::ProcessResult result = host.Run({"1", "2"});
        EXPECT_EQ(result.out, "loaded\nOpenDevice 0\nProgram 7\n") << mode << result.err;
    }
}

TEST(Facade, ExportsExactlyItsFunctionsAndTheModuleHooks) {
    const std::string library = std::string(KIVU_STAGE_DIR) + "/Bin/MRW5160HIDISPSDK.so";
    test::ProcessResult nm = test::RunProcess("/usr/bin/nm", {"-D", "--defined-only", library});
    ASSERT_EQ(nm.exitCode, 0) << nm.err;
    std::set<std::string> symbols;
    std::istringstream lines(nm.out);
    std::string address, type, name;
    while (lines >> address >> type >> name) symbols.insert(name);
    EXPECT_EQ(symbols, (std::set<std::string>{"KivuModuleShutdown", "KivuModuleStartup", "OpenDevice", "Program",
                                               "SetMainWnd"}));
}

}  // namespace
}  // namespace kivu
