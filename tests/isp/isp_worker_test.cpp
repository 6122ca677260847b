#include "updater/isp/isp_library.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>

#include "emulator/programmer/emulated_programmer.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "tests/support/log_reader.h"
#include "tests/support/programmer_thunks.h"
#include "tests/support/temp_dir.h"
#include "updater/log/log.h"

namespace kivu::isp {
namespace {

using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

// The library's entry points, played by an in-process emulated programmer.

// A window that records the messages a plug-in sends it.
struct TestWindow {
    KivuWindow window{&TestWindow::Send};
    std::mutex mutex;
    std::vector<std::pair<uint32_t, uintptr_t>> messages;
    static intptr_t Send(KivuWindow* w, uint32_t message, uintptr_t wParam, intptr_t) {
        auto* self = reinterpret_cast<TestWindow*>(w);
        std::lock_guard lock(self->mutex);
        self->messages.emplace_back(message, wParam);
        return 0;
    }
};

class RecordingBoxes final : public platform::MessageBoxPresenter {
public:
    void ShowOk(std::u16string_view text, std::u16string_view) override { shown.push_back(platform::Utf16ToUtf8(text)); }
    Lines shown;
};

class IspWorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        LogTarget.folder = dir_.Folder();
        LogTarget.name = u"Log";
        dir_.Write("mcu.bin", std::string(300, '\x42'));
        settings_.VID = 0x093A;
        settings_.PID = 0x822A;
        settings_.VID_BL = 0x093A;
        settings_.PID_BL = 0x8230;
        settings_.BINFILE_BL = u"mcu.bin";
        binding_.set_pacer(&pacer_);
        binding_.resultControl = &result_;
        binding_.programFolder = dir_.Folder();
        test::UseEmulatedProgrammer(binding_, &programmer_);
    }
    void TearDown() override {
        binding_.StopWorker();
        LogTarget = {};
    }

    void Scenario(const std::string& startsIn, std::vector<std::int32_t> results, int switchRounds = 1) {
        emulator::ProgrammerScenario scenario;
        scenario.startsIn = startsIn == "normal" ? emulator::ProgrammerScenario::Identity::kNormal
                            : startsIn == "absent" ? emulator::ProgrammerScenario::Identity::kAbsent
                                                   : emulator::ProgrammerScenario::Identity::kBootLoader;
        scenario.results = std::move(results);
        scenario.switchRounds = switchRounds;
        scenario.callLog = (dir_.path() / "calls.txt").string();
        scenario.receivedImage = (dir_.path() / "received.bin").string();
        programmer_.Configure(scenario);
    }

    Lines Run() {
        binding_.StartIspWorker(settings_);
        binding_.JoinWorker();
        return test::LogLines(dir_.path());
    }
    Lines Calls() const {
        Lines lines;
        std::ifstream in(dir_.path() / "calls.txt");
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    std::vector<long long> Pauses() const {
        std::vector<long long> out;
        for (auto p : pacer_.Pauses()) out.push_back(p.count());
        return out;
    }

    test::TempDir dir_;
    platform::RecordingPacer pacer_;
    ota::MemoryResultChannel result_;
    config::UpdateSettings settings_;
    emulator::EmulatedProgrammer programmer_;
    CMRW5160HIDISPSDKTestDlg binding_;
};

TEST_F(IspWorkerTest, AlreadyInTheBootLoaderSkipsTheSwitch) {
    Scenario("bootloader", {0});
    EXPECT_EQ(Run(), (Lines{"Dongle MRW5160_FWUpdate....", "MRW5160 FWUPDATE:Programming successfully!!!, UpdateCount:1"}));
    EXPECT_EQ(result_.Text(), u"PASS");
    EXPECT_EQ(Calls(), (Lines{"OpenDevice(0x093A, 0x8230) = 1", "Program(0x60040000, 300 bytes) = 0"}));
    EXPECT_EQ(Pauses(), (std::vector<long long>{200}));
    EXPECT_EQ(test::ReadFileBytes(dir_.path() / "received.bin"), std::string(300, '\x42'));
}

TEST_F(IspWorkerTest, ProgrammingAttemptsAndTheirLines) {
    struct Case {
        const char* label;
        std::vector<std::int32_t> results;
        std::int32_t repeatLimit;
        Lines lines;  // after "Dongle MRW5160_FWUpdate...."
        const char16_t* outcome;
    } cases[] = {
        {"code 8 with one attempt", {8}, 1, {"MRW5160 FWUPDATE:Data Verify Failed!!!, UpdateCount:1"}, u"FAIL"},
        {"code 11", {11}, 1, {"MRW5160 FWUPDATE:, UpdateCount:1"}, u"FAIL"},
        {"code -1", {-1}, 1, {"MRW5160 FWUPDATE:, UpdateCount:1"}, u"FAIL"},
        {"success on attempt 3", {5, 6, 0}, 20,
         {"MRW5160 FWUPDATE:Chip Erase Protocol Handshake Error!!!, UpdateCount:1",
          "MRW5160 FWUPDATE:nable Program Failed!!!, UpdateCount:2",
          "MRW5160 FWUPDATE:Programming successfully!!!, UpdateCount:3"}, u"PASS"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TearDown();
        fs::remove_all(dir_.path());
        fs::create_directories(dir_.path());
        SetUp();
        Scenario("bootloader", c.results);
        binding_.repeatLimit = c.repeatLimit;
        Lines expected{"Dongle MRW5160_FWUpdate...."};
        expected.insert(expected.end(), c.lines.begin(), c.lines.end());
        EXPECT_EQ(Run(), expected);
        EXPECT_EQ(result_.Text(), c.outcome);
    }
}

TEST_F(IspWorkerTest, SevenOnEveryAttemptUpToTheLimit) {
    Scenario("bootloader", {7});
    Lines log = Run();
    ASSERT_EQ(log.size(), 21u);
    EXPECT_EQ(log[1], "MRW5160 FWUPDATE:Program Failed!!!, UpdateCount:1");
    EXPECT_EQ(log[20], "MRW5160 FWUPDATE:Program Failed!!!, UpdateCount:20");
    EXPECT_EQ(result_.Text(), u"FAIL");
    EXPECT_EQ(Pauses(), std::vector<long long>(20, 200));
}

TEST_F(IspWorkerTest, SwitchPhaseBringsTheReceiverIntoItsBootLoader) {
    Scenario("normal", {0}, 2);
    Run();
    EXPECT_EQ(Calls(), (Lines{"OpenDevice(0x093A, 0x8230) = 0", "OpenDevice(0x093A, 0x822A) = 1",
                              "Program(0x60040000, 300 bytes) = 0 (switch request 1)", "OpenDevice(0x093A, 0x8230) = 0",
                              "OpenDevice(0x093A, 0x822A) = 1", "Program(0x60040000, 300 bytes) = 0 (switch request 2)",
                              "OpenDevice(0x093A, 0x8230) = 1", "Program(0x60040000, 300 bytes) = 0"}));
    EXPECT_EQ(Pauses(), (std::vector<long long>{1000, 1000, 200}));
    EXPECT_EQ(result_.Text(), u"PASS");
}

TEST_F(IspWorkerTest, FailuresBeforeProgramming) {
    // A receiver that never reaches its boot loader: bounded at ten switch requests.
    Scenario("normal", {0}, 1000);
    EXPECT_EQ(Run().back(), "Receiver did not enter its boot loader after 10 switch requests");
    EXPECT_EQ(result_.Text(), u"FAIL");
    EXPECT_EQ(Pauses(), std::vector<long long>(10, 1000));

    // Found under neither identity: one OpenDevice for each.
    Scenario("absent", {0});
    Run();
    EXPECT_EQ(Calls(), (Lines{"OpenDevice(0x093A, 0x8230) = 0", "OpenDevice(0x093A, 0x822A) = 0"}));
    EXPECT_EQ(result_.Text(), u"FAIL");

    // A missing firmware file: FAIL with no call into the library and no line of its own.
    Scenario("bootloader", {0});
    settings_.BINFILE_BL = u"missing.bin";
    const std::size_t before = test::LogLines(dir_.path()).size();
    EXPECT_EQ(Run().size(), before + 1);
    EXPECT_TRUE(Calls().empty());
    EXPECT_EQ(result_.Text(), u"FAIL");
}

TEST_F(IspWorkerTest, IncompleteBindingAndNoResultControl) {
    Scenario("bootloader", {0});
    binding_.program = nullptr;
    EXPECT_EQ(Run().back(), "MRW5160HIDISPSDK is not available: the receiver's MCU cannot be programmed");
    EXPECT_EQ(result_.Text(), u"FAIL");
    EXPECT_TRUE(Calls().empty());

    test::UseEmulatedProgrammer(binding_, &programmer_);
    binding_.resultControl = nullptr;  // no skin: the outcome is in the log only
    EXPECT_EQ(Run().back(), "MRW5160 FWUPDATE:Programming successfully!!!, UpdateCount:1");
}

TEST_F(IspWorkerTest, ProgressMessagesReachTheWindow) {
    Scenario("bootloader", {0});
    TestWindow window;
    binding_.setMainWnd(&window.window);
    Run();
    std::lock_guard lock(window.mutex);
    ASSERT_EQ(window.messages.size(), 5u);
    for (const auto& [message, wParam] : window.messages) EXPECT_EQ(message, WM_ISP_PROGRESS);
    EXPECT_EQ(window.messages.front().second, 0u);
    EXPECT_EQ(window.messages.back().second, 100u);
}

TEST_F(IspWorkerTest, ANewStartEndsThePreviousWorker) {
    Scenario("bootloader", {7});
    binding_.StartIspWorker(settings_);
    Scenario("bootloader", {0});
    Lines log = Run();
    EXPECT_EQ(log.back(), "MRW5160 FWUPDATE:Programming successfully!!!, UpdateCount:1");
    EXPECT_EQ(result_.Text(), u"PASS");
}

TEST(IspBinding, EachFailingStepShowsItsMessage) {
    struct Case {
        const char* library;  // copied as Bin/MRW5160HIDISPSDK.so; null: none
        Lines messages;
        bool setMainWndCalled;
    } cases[] = {
        {nullptr, {"Failed to load MRW5160HIDISPSDK.so."}, false},
        {KIVU_STUB_WITHOUT_SETMAINWND, {"Failed to get SetMainWnd address."}, false},
        {KIVU_STUB_WITHOUT_OPENDEVICE, {"Failed to get OpenDevice address."}, true},
        {KIVU_STUB_WITHOUT_PROGRAM, {"Failed to get Program address."}, true},
        {KIVU_STUB_FAILING_STARTUP, {"Failed to load MRW5160HIDISPSDK.so."}, false},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        if (c.library != nullptr) {
            fs::create_directories(dir.path() / "Bin");
            fs::copy_file(c.library, dir.path() / "Bin" / "MRW5160HIDISPSDK.so");
        }
        RecordingBoxes boxes;
        platform::SetMessageBoxPresenter(&boxes);
        CMRW5160HIDISPSDKTestDlg binding;
        binding.repeatLimit = 5;
        TestWindow window;
        binding.Bind(dir.Folder(), &window.window);
        platform::SetMessageBoxPresenter(nullptr);
        EXPECT_EQ(boxes.shown, c.messages) << (c.library ? c.library : "no library");
        EXPECT_FALSE(binding.bound());
        EXPECT_EQ(binding.repeatLimit, 20);
    }
}

TEST(DynamicModule, AFailedStartUpRunsTheShutDownAndFailsTheLoad) {
    test::TempDir dir;
    const std::string marker = (dir.path() / "shut-down").string();
    setenv("KIVU_TEST_SHUTDOWN_MARKER", marker.c_str(), 1);
    std::string error;
    EXPECT_EQ(platform::LoadDynamicModule(platform::Utf8ToUtf16(KIVU_STUB_FAILING_STARTUP), &error), nullptr);
    EXPECT_EQ(error, "the module's start-up failed");
    EXPECT_TRUE(fs::exists(marker));
    unsetenv("KIVU_TEST_SHUTDOWN_MARKER");
    auto module = platform::LoadDynamicModule(platform::Utf8ToUtf16(KIVU_STUB_WITHOUT_PROGRAM));
    ASSERT_NE(module, nullptr);
    EXPECT_NE(module->FindSymbol("OpenDevice"), nullptr);
    EXPECT_EQ(module->FindSymbol("Program"), nullptr);
    EXPECT_EQ(platform::LoadDynamicModule(u"/nonexistent/module.so", &error), nullptr);
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace kivu::isp
