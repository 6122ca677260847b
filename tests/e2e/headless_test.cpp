// The staged program run with --headless in a copy of the staged folder against the emulated
// devices, for the three routes and a failing device: exit codes and the whole log file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/named_event.h"

#include "tests/support/log_reader.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace kivu {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const Lines kHandshake = {"CMD_FW_WRITE(0x27)Times....:1", "CMD_FW_INIT_NEW_CHECK(0x42)Times....:1",
                          "CMD_FW_GET_INFO(0x23)Times....:1"};
const Lines kTransfer = {"CMD_FW_WRITE(0x27)Times....:1", "CMD_FW_INIT_NEW_CHECK(0x42)Times....:1",
                         "CMD_FW_UPGRADE(0x18)Times....:1", "MCU_RESET(0x22)Times....:1"};

Lines Join(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

class StagedCopy {
public:
    StagedCopy() : folder_(dir_.path() / "Kivu Updata") {
        fs::copy(KIVU_STAGE_DIR, folder_, fs::copy_options::recursive);
        for (const auto& entry : fs::directory_iterator(folder_)) {
            if (entry.path().extension() == ".log") fs::remove(entry.path());
        }
    }
    test::ProcessResult Run(const std::string& scenario, std::vector<std::string> args = {"--headless"}) const {
        return test::RunProcess((folder_ / "Kivu Updata").string(), args,
                                {"KIVU_HID_EMULATION=" + (folder_ / "emulation" / scenario).string(), "KIVU_UNATTENDED=1"});
    }
    const fs::path& folder() const { return folder_; }

private:
    test::TempDir dir_;
    fs::path folder_;
};

TEST(Headless, MouseRoute) {
    StagedCopy stage;
    test::ProcessResult result = stage.Run("mouse.json");
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_TRUE(result.out.ends_with("100%\nPASS\n")) << result.out;
    EXPECT_EQ(test::LogLines(stage.folder()),
              Join({{"Init", "state_start--Device:TX"}, kHandshake, kHandshake, kTransfer, {"Mouse Kivu_FWUpdate....:Pass"}}));
    std::string image = test::ReadFileBytes(stage.folder() / "mouse.bin");
    const std::string received = test::ReadFileBytes(stage.folder() / "emulation" / "mouse-received.bin");
    ASSERT_EQ(received.size(), image.size() + 32);
    EXPECT_EQ(received.substr(0, image.size()), image);
}

TEST(Headless, ReceiverRouteInTwoStages) {
    StagedCopy stage;
    fs::copy_file(stage.folder() / "emulation" / "receiver-UpdataSetting.xml", stage.folder() / "UpdataSetting.xml",
                  fs::copy_options::overwrite_existing);
    test::ProcessResult result = stage.Run("receiver.json");
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_EQ(test::LogLines(stage.folder()),
              Join({{"Init", "state_start--Device:RX"}, kHandshake, kHandshake, kTransfer,
                    {"Dongle Kivu_FWUpdate....:Pass", "Dongle MRW5160_FWUpdate....",
                     "MRW5160 FWUPDATE:Programming successfully!!!, UpdateCount:1", "Dongle MRW5160_FWUpdate....:Pass"}}));
    EXPECT_EQ(test::ReadFileBytes(stage.folder() / "emulation" / "receiver-mcu-received.bin"),
              test::ReadFileBytes(stage.folder() / "receiver_mcu.bin"));
}

TEST(Headless, BootLoaderRoute) {
    StagedCopy stage;
    test::ProcessResult result = stage.Run("bootloader.json");
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_EQ(test::LogLines(stage.folder()),
              (Lines{"Init", "state_start--Device:TX", "Bootloader Found, Update Marlow Bootloader",
                     "Dongle MRW5160_FWUpdate....", "MRW5160 FWUPDATE:Programming successfully!!!, UpdateCount:1",
                     "Mouse Kivu_FWUpdate....:Pass"}));
}

TEST(Headless, FailingDeviceAndNoDevice) {
    StagedCopy stage;
    test::ProcessResult failing = stage.Run("failing.json");
    EXPECT_EQ(failing.exitCode, 1) << failing.out << failing.err;
    EXPECT_TRUE(failing.out.ends_with("FAIL\n")) << failing.out;
    Lines resets;
    for (int a = 1; a <= 10; ++a) resets.push_back("MCU_RESET(0x22)Times....:" + std::to_string(a));
    const Lines transfer(kTransfer.begin(), kTransfer.end() - 1);
    EXPECT_EQ(test::LogLines(stage.folder()),
              Join({{"Init", "state_start--Device:TX"}, kHandshake, kHandshake, transfer, resets}));

    StagedCopy empty;
    std::ofstream(empty.folder() / "none.json") << R"({"devices": []})";
    test::ProcessResult none = test::RunProcess((empty.folder() / "Kivu Updata").string(), {"--headless"},
                                                {"KIVU_HID_EMULATION=" + (empty.folder() / "none.json").string()});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_NE(none.err.find("Cannot Find Device!"), std::string::npos) << none.err;
    EXPECT_EQ(test::LogLines(empty.folder()), (Lines{"Init", "state_start--Device:TX", "Cannot Find Device!"}));
}

// Another process waiting with wait-event finish is released once per OTA run, PASS or FAIL.
TEST(Headless, FinishEventReachesAnotherProcess) {
    for (const char* scenario : {"mouse.json", "failing.json"}) {
        StagedCopy stage;
        std::unique_ptr<platform::NamedEvent> finish = platform::CreateNamedEvent(u"Global\\EVENT_UPDATA_FINISH");
        ASSERT_NE(finish, nullptr);
        test::StartedProcess waiter((stage.folder() / "Kivu Updata").string(), {"wait-event", "finish", "--timeout", "60"});
        for (int i = 0; i < 5000 && finish->Waiters() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_GT(finish->Waiters(), 0u) << scenario;
        const test::ProcessResult run = stage.Run(scenario);
        EXPECT_EQ(run.exitCode, std::string(scenario) == "mouse.json" ? 0 : 1) << scenario;
        EXPECT_EQ(waiter.Wait().exitCode, 0) << scenario;
    }
}

TEST(Headless, BinArgumentChoosesTheFirmwareFile) {
    StagedCopy stage;
    std::ofstream(stage.folder() / "other.bin", std::ios::binary) << std::string(100, '\x7E');
    test::ProcessResult result = test::RunProcess(
        (stage.folder() / "Kivu Updata").string(), {"--headless", "-BIN", (stage.folder() / "other.bin").string()},
        {"KIVU_HID_EMULATION=" + (stage.folder() / "emulation" / "mouse.json").string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(test::ReadFileBytes(stage.folder() / "emulation" / "mouse-received.bin").substr(0, 100), std::string(100, '\x7E'));
}

}  // namespace
}  // namespace kivu
