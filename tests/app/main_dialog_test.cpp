#include "updater/app/main_dialog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "emulator/hid/emulated_bus.h"
#include "emulator/programmer/emulated_programmer.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "tests/support/log_reader.h"
#include "tests/support/programmer_thunks.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_dialog_host.h"
#include "updater/log/log.h"

namespace kivu::app {
namespace {

using std::chrono::milliseconds;
using Lines = std::vector<std::string>;


class SilentBoxes final : public platform::MessageBoxPresenter {
public:
    void ShowOk(std::u16string_view text, std::u16string_view) override { shown.push_back(platform::Utf16ToUtf8(text)); }
    Lines shown;
};

std::string PngHeader(int width, int height) {
    std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    for (int v : {width, height}) {
        for (int shift : {24, 16, 8, 0}) png.push_back(static_cast<char>((v >> shift) & 0xFF));
    }
    return png;
}

const config::Rect kExit{440, 8, 456, 24};
const config::Rect kStart{120, 300, 210, 340};
const config::Rect kProgress{20, 250, 320, 262};

class DialogTest : public ::testing::Test {
protected:
    enum class Device { kMouse, kReceiver, kBootLoader, kNone };

    void SetUp() override {
        // Tables of cases run SetUp again in the same folder: each case starts a fresh log.
        for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
            if (entry.path().extension() == ".log") std::filesystem::remove(entry.path());
        }
        platform::SetMessageBoxPresenter(&boxes_);
        dir_.Write("Image/Skin.xml",
                   "<SKIN><MAINSCREENNEW><Main>main.png</Main></MAINSCREENNEW><OBJECT>"
                   "<EXIT>Exit,440,8,16,16,exit.png,X</EXIT><BUTTON_START>Start,120,300,90,40,start.png,S</BUTTON_START>"
                   "<PROGRESS>P,20,250,300,12,bar.png,P</PROGRESS></OBJECT></SKIN>");
        dir_.Write("Image/main.png", PngHeader(464, 360));
        dir_.Write("mouse.bin", std::string(500, '\x11'));
        dir_.Write("receiver.bin", std::string(300, '\x22'));
        dir_.Write("mcu.bin", std::string(200, '\x33'));
    }
    void TearDown() override {
        if (dialog_) {
            dialog_->ispLibrary.StopWorker();
            engine_->StopWorkers();
        }
        dialog_.reset();
        engine_.reset();
        platform::SetHidBus(nullptr);
        platform::SetMessageBoxPresenter(nullptr);
        LogTarget = {};
    }

    void Settings(int device) {
        dir_.Write("UpdataSetting.xml", "<SETTING><INFO><DEVICE>" + std::to_string(device) +
                                            "</DEVICE><VID>093A</VID><PID>822A</PID><BINFILE>" +
                                            (device == 1 ? "receiver.bin" : "mouse.bin") +
                                            "</BINFILE><VID_BL>093A</VID_BL><PID_BL>8230</PID_BL>"
                                            "<BINFILE_BL>mcu.bin</BINFILE_BL></INFO></SETTING>");
    }

    void Start(int device, Device present, std::vector<emulator::OtaFault> faults = {}) {
        Settings(device);
        std::vector<emulator::EmulatedDeviceConfig> devices;
        if (present == Device::kMouse || present == Device::kReceiver) {
            emulator::EmulatedDeviceConfig d;
            d.vendorId = 0x093A;
            d.productId = 0x822A;
            emulator::OtaConfig ota;
            ota.objectSize = 256;
            ota.chunkSize = 50;
            ota.packetsPerCheck = 4;
            ota.faults = std::move(faults);
            d.ota = ota;
            devices.push_back(d);
        } else if (present == Device::kBootLoader) {
            emulator::EmulatedDeviceConfig d;
            d.vendorId = 0x093A;
            d.productId = 0x8230;
            devices.push_back(d);
        }
        bus_ = std::make_unique<emulator::EmulatedBus>(devices);
        platform::SetHidBus(bus_.get());
        const auto suffix = std::to_string(std::random_device{}());
        engine_ = std::make_unique<ota::UpdateEngine>(ota::EngineOptions{platform::Utf8ToUtf16("Test\\p" + suffix),
                                                                         platform::Utf8ToUtf16("Test\\f" + suffix)});
        engine_->set_pacer(&pacer_);
        dialog_ = std::make_unique<CCustomMainDlg>(host_, *engine_, dir_.Folder());
        host_.Attach(dialog_.get());
        dialog_->OnInitDialog();
        dialog_->ispLibrary.set_pacer(&pacer_);
        test::UseEmulatedProgrammer(dialog_->ispLibrary, &programmer_);
        emulator::ProgrammerScenario scenario;
        scenario.startsIn = emulator::ProgrammerScenario::Identity::kBootLoader;
        programmer_.Configure(scenario);
        programmer_.SetMainWnd(host_.WindowHandle());
    }

    void ClickStart() { dialog_->OnLButtonDown(150, 320); }
    void FinishWorkers() {
        engine_->JoinOtaWorker();
        dialog_->ispLibrary.JoinWorker();
    }
    Lines Log() const { return test::LogLines(dir_.path()); }
    bool Logged(const std::string& line) const {
        const Lines log = Log();
        return std::find(log.begin(), log.end(), line) != log.end();
    }

    test::TempDir dir_;
    SilentBoxes boxes_;
    platform::RecordingPacer pacer_;
    test::TestDialogHost host_;
    emulator::EmulatedProgrammer programmer_;
    std::unique_ptr<emulator::EmulatedBus> bus_;
    std::unique_ptr<ota::UpdateEngine> engine_;
    std::unique_ptr<CCustomMainDlg> dialog_;
};

TEST_F(DialogTest, InitialisationInOrder) {
    Start(0, Device::kMouse);
    EXPECT_EQ(Log(), (Lines{"Init"}));
    EXPECT_EQ(boxes_.shown, (Lines{"Failed to load MRW5160HIDISPSDK.so."}));  // no library in this folder
    EXPECT_EQ(host_.iconsSet, 1);
    EXPECT_EQ(host_.window, (config::Rect{0, 0, 464, 360}));
    EXPECT_EQ(dialog_->startArea, kStart);
    EXPECT_EQ(dialog_->exitArea, kExit);
    EXPECT_EQ(dialog_->progressArea, kProgress);
    EXPECT_EQ(host_.progressControlArea, kProgress);
    EXPECT_EQ(host_.resultControl.Text(), u"TEST");
    EXPECT_EQ(engine_->resultControl, &host_.resultControl);
    EXPECT_EQ(engine_->progressControl, &host_.progressBar);
    EXPECT_EQ(dialog_->ispLibrary.resultControl, &host_.resultControl);
    EXPECT_EQ(dialog_->buttonState, Idle);
    EXPECT_TRUE(dialog_->startEnabled);
    EXPECT_EQ(engine_->contentPause.load(), 10);
}

TEST_F(DialogTest, WithoutASkinEveryClickDrags) {
    std::filesystem::remove(dir_.path() / "Image" / "Skin.xml");
    Start(1, Device::kMouse);
    EXPECT_EQ(Log(), (Lines{"Init", "Cannot Read Skin File!"}));
    EXPECT_FALSE(host_.controlsCreated);
    EXPECT_EQ(engine_->contentPause.load(), 40);
    dialog_->OnLButtonDown(150, 320);
    dialog_->OnLButtonDown(450, 10);
    EXPECT_EQ(host_.drags.size(), 2u);
    EXPECT_EQ(host_.endedWith, 0);
}

TEST_F(DialogTest, MouseRouteFromClickToPass) {
    Start(0, Device::kMouse);
    ClickStart();
    EXPECT_EQ(dialog_->buttonState, Pressed);
    EXPECT_FALSE(dialog_->startEnabled);
    EXPECT_TRUE(host_.TimerRunning(kPollTimerId));
    FinishWorkers();
    host_.Advance(milliseconds(40));
    EXPECT_EQ(dialog_->buttonState, Passed);
    EXPECT_EQ(host_.outcomeDisplay.Text(), u"PASS");
    EXPECT_FALSE(host_.TimerRunning(kPollTimerId));
    const Lines log = Log();
    EXPECT_EQ(log[1], "state_start--Device:TX");
    EXPECT_EQ(log.back(), "Mouse Kivu_FWUpdate....:Pass");
    EXPECT_EQ(log[log.size() - 2], "MCU_RESET(0x22)Times....:1");
    // After PASS a click enables Start but keeps the PASS picture.
    ClickStart();
    EXPECT_EQ(dialog_->buttonState, Passed);
    EXPECT_TRUE(dialog_->startEnabled);
}

TEST_F(DialogTest, PollTimerShowsThePercentage) {
    for (int device : {0, 1}) {
        SCOPED_TRACE(device);
        TearDown();
        SetUp();
        Start(device, Device::kMouse);
        ClickStart();
        FinishWorkers();
        // A run at 37 per cent, as the controls show it mid-transfer.
        host_.resultControl.SetText(u"");
        host_.progressBar.SetPosition(37);
        host_.Advance(milliseconds(40));
        EXPECT_EQ(dialog_->shownPercent, device == 1 ? 18 : 37);
        EXPECT_EQ(dialog_->buttonState, Idle);
        EXPECT_TRUE(host_.TimerRunning(kPollTimerId));
        EXPECT_EQ(host_.invalidations.back(), kProgress);
    }
}

TEST_F(DialogTest, ReceiverRouteSwitchesToTheIspStage) {
    Start(1, Device::kReceiver);
    ClickStart();
    FinishWorkers();
    pacer_.Clear();
    host_.Advance(milliseconds(40));
    EXPECT_TRUE(Logged("Dongle Kivu_FWUpdate....:Pass"));
    EXPECT_EQ(dialog_->receiverStage, 1);
    EXPECT_EQ(pacer_.Pauses().front(), milliseconds(1000));
    EXPECT_EQ(dialog_->shownPercent, 50);
    EXPECT_TRUE(Logged("Dongle MRW5160_FWUpdate...."));
    FinishWorkers();
    EXPECT_EQ(host_.progressBar.Position(), 100);  // the plug-in's last WM_ISP_PROGRESS
    host_.Advance(milliseconds(40));
    EXPECT_EQ(Log().back(), "Dongle MRW5160_FWUpdate....:Pass");
    EXPECT_EQ(dialog_->buttonState, Passed);

    EXPECT_EQ(dialog_->OnIspProgress(40, 0), 0);
    EXPECT_EQ(host_.progressBar.Position(), 70);
    for (auto [wParam, position] : {std::pair{0, 50}, {1, 50}, {99, 99}, {100, 100}}) {
        dialog_->OnIspProgress(static_cast<std::uintptr_t>(wParam), 0);
        EXPECT_EQ(host_.progressBar.Position(), position);
    }
}

TEST_F(DialogTest, ReceiverOtaFailureEndsTheRunWithoutTheIspStage) {
    Start(1, Device::kReceiver, {{emulator::OtaFault::Kind::kStatus, 0x18, 1, 100000, 0, 0}});
    ClickStart();
    FinishWorkers();
    host_.Advance(milliseconds(40));
    EXPECT_EQ(dialog_->buttonState, Failed);
    EXPECT_EQ(host_.outcomeDisplay.Text(), u"FAIL");
    EXPECT_EQ(Log().back(), "CMD_FW_UPGRADE_(0x18)....:Failed");
    EXPECT_FALSE(Logged("Dongle MRW5160_FWUpdate...."));
    EXPECT_FALSE(host_.TimerRunning(kPollTimerId));

    // The first click after FAIL shows Start and an empty bar; the second starts a new run.
    ClickStart();
    EXPECT_EQ(dialog_->buttonState, Idle);
    EXPECT_EQ(host_.progressBar.Position(), 0);
    EXPECT_TRUE(dialog_->startEnabled);
    ClickStart();
    EXPECT_EQ(dialog_->buttonState, Pressed);
    EXPECT_TRUE(host_.TimerRunning(kPollTimerId));
}

TEST_F(DialogTest, BootLoaderRoute) {
    for (int device : {0, 1}) {
        SCOPED_TRACE(device);
        TearDown();
        SetUp();
        Start(device, Device::kBootLoader);
        ClickStart();
        EXPECT_EQ(dialog_->shownPercent, 50);
        EXPECT_EQ(host_.progressBar.Position() >= 50, true);
        FinishWorkers();
        host_.Advance(milliseconds(40));
        const Lines log = Log();
        ASSERT_GE(log.size(), 4u);
        EXPECT_EQ(log[1], device == 1 ? "state_start--Device:RX" : "state_start--Device:TX");
        EXPECT_EQ(log[2], "Bootloader Found, Update Marlow Bootloader");
        EXPECT_EQ(log[3], "Dongle MRW5160_FWUpdate....");
        EXPECT_EQ(log.back(), device == 1 ? "Dongle MRW5160_FWUpdate....:Pass" : "Mouse Kivu_FWUpdate....:Pass");
        EXPECT_EQ(dialog_->buttonState, Passed);
    }
}

TEST_F(DialogTest, RunsThatCannotStartGoBackToIdle) {
    Start(0, Device::kNone);
    ClickStart();
    EXPECT_EQ(Log(), (Lines{"Init", "state_start--Device:TX", "Cannot Find Device!"}));
    EXPECT_EQ(dialog_->buttonState, Idle);
    EXPECT_TRUE(dialog_->startEnabled);
    EXPECT_FALSE(host_.TimerRunning(kPollTimerId));

    TearDown();
    SetUp();
    Start(0, Device::kMouse);
    std::filesystem::remove(dir_.path() / "mouse.bin");
    ClickStart();
    EXPECT_EQ(Log().back(), "Cannot Open Kivu Bin File!");
    EXPECT_EQ(dialog_->buttonState, Idle);
}

TEST_F(DialogTest, ClicksByArea) {
    Start(0, Device::kMouse);
    dialog_->OnLButtonDown(100, 255);  // the progress area: nothing
    EXPECT_TRUE(host_.drags.empty());
    dialog_->OnLButtonDown(5, 5);      // anywhere else: a drag
    ASSERT_EQ(host_.drags.size(), 1u);
    EXPECT_EQ(host_.drags[0], (std::pair{5, 5}));
    ClickStart();
    ClickStart();  // during a run: changes nothing
    EXPECT_EQ(dialog_->buttonState, Pressed);
    dialog_->OnLButtonDown(445, 12);  // EXIT, even during a run
    EXPECT_EQ(host_.endedWith, IDCANCEL);
    FinishWorkers();
}

}  // namespace
}  // namespace kivu::app
