#include "updater/isp/isp_library.h"

#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/file.h"
#include "platform/message_box.h"
#include "platform/path.h"
#include "platform/text.h"
#include "updater/log/log.h"

namespace kivu::isp {

namespace {
using std::chrono::milliseconds;
}

std::u16string ResultMessage(std::int32_t code) {
    static const char16_t* const messages[] = {
        u"Programming successfully!!!",
        u"Fail to open device!!!",
        u"Return Boot Mode Failed!!!",
        u"Firmware Version is not for this chip!!!",
        u"Code Option Erase Protocol Handshake Error!!!",
        u"Chip Erase Protocol Handshake Error!!!",
        u"nable Program Failed!!!",
        u"Program Failed!!!",
        u"Data Verify Failed!!!",
        u"Code Option Program Failed!!!",
        u"Return User Mode Failed!!!",
    };
    return code >= 0 && code <= 10 ? messages[code] : u"";
}

std::u16string LibraryRelativePath() {
    return std::u16string(u"Bin") + platform::kPathSeparator + u"MRW5160HIDISPSDK" + platform::kModuleSuffix;
}

CMRW5160HIDISPSDKTestDlg::~CMRW5160HIDISPSDKTestDlg() {
    StopWorker();
    // A bound library stays loaded until the process ends: its plug-in may still hold the window.
    static std::vector<std::unique_ptr<platform::DynamicModule>>* kept =
        new std::vector<std::unique_ptr<platform::DynamicModule>>();
    if (library_) kept->push_back(std::move(library_));
}

void CMRW5160HIDISPSDKTestDlg::Bind(const std::u16string& folder, KivuWindowHandle window) {
    repeatLimit = config::kDefaultRepeatLimit;
    programFolder = folder;
    auto fail = [this](const std::u16string& message) {
        platform::ShowMessageBox(message);
        library_.reset();
        setMainWnd = nullptr;
        openDevice = nullptr;
        program = nullptr;
    };
    library_ = platform::LoadDynamicModule(folder + LibraryRelativePath());
    if (!library_) {
        // The message names the file actually looked for.
        platform::ShowMessageBox(u"Failed to load MRW5160HIDISPSDK" + std::u16string(platform::kModuleSuffix) + u".");
        return;
    }
    setMainWnd = platform::FindFunction<SetMainWndFunction>(*library_, "SetMainWnd");
    if (setMainWnd == nullptr) return fail(u"Failed to get SetMainWnd address.");
    setMainWnd(window);
    openDevice = platform::FindFunction<OpenDeviceFunction>(*library_, "OpenDevice");
    if (openDevice == nullptr) return fail(u"Failed to get OpenDevice address.");
    program = platform::FindFunction<ProgramFunction>(*library_, "Program");
    if (program == nullptr) return fail(u"Failed to get Program address.");
}

void CMRW5160HIDISPSDKTestDlg::SetResult(const char16_t* text) {
    // Without a skin there is no result control; the outcome is then in the log only.
    if (resultControl != nullptr) resultControl->SetText(text);
}

void CMRW5160HIDISPSDKTestDlg::StartIspWorker(const config::UpdateSettings& settings) {
    WriteLog(u"Dongle MRW5160_FWUpdate....");
    SetResult(u"");
    StopWorker();
    vid = settings.VID;
    pid = settings.PID;
    vidBoot = settings.VID_BL;
    pidBoot = settings.PID_BL;
    firmwareFile = settings.BINFILE_BL;
    worker_ = std::thread(&CMRW5160HIDISPSDKTestDlg::IspWorker, this);
}

void CMRW5160HIDISPSDKTestDlg::StopWorker() {
    stop_.store(true);
    if (worker_.joinable()) worker_.join();
    stop_.store(false);
}

void CMRW5160HIDISPSDKTestDlg::JoinWorker() {
    if (worker_.joinable()) worker_.join();
}

void CMRW5160HIDISPSDKTestDlg::IspWorker() {
    const std::u16string file = firmwareFile;
    if (!bound()) {
        // A binding that failed at start-up has no entry points to call.
        WriteLog(u"MRW5160HIDISPSDK is not available: the receiver's MCU cannot be programmed");
        return SetResult(u"FAIL");
    }
    const std::u16string path = programFolder + file;
    if (!platform::FileExists(path)) return SetResult(u"FAIL");
    platform::File input = platform::OpenFile(path, "rb");
    if (!input) return SetResult(u"FAIL");
    std::vector<std::uint8_t> image;
    std::uint8_t block[65536];
    std::size_t read = 0;
    while ((read = std::fread(block, 1, sizeof block, input.get())) > 0) {
        image.insert(image.end(), block, block + read);
        if (image.size() > 0xFFFFFFFFu) return SetResult(u"FAIL");  // the count is 32-bit
    }
    input.reset();
    const auto count = static_cast<std::uint32_t>(image.size());

    // Switch phase: bring the receiver into its boot-loader identity, for a bounded number of rounds.
    if (openDevice(vidBoot, pidBoot) <= 0) {
        int rounds = 0;
        for (;;) {
            const std::int32_t normal = openDevice(vid, pid);
            if (normal == 0) return SetResult(u"FAIL");
            if (normal < 0) break;  // taken as found, as the original does
            if (stop_.load()) return SetResult(u"FAIL");
            if (++rounds > kMaxSwitchRounds) {
                WriteLog(u"Receiver did not enter its boot loader after " +
                         platform::Utf8ToUtf16(std::to_string(kMaxSwitchRounds)) + u" switch requests");
                return SetResult(u"FAIL");
            }
            program(FirmwareLoadAddress, image.data(), count);
            pacer().Pause(milliseconds(1000));
            if (openDevice(vidBoot, pidBoot) > 0) break;
        }
    }

    // Programming phase.
    for (std::int32_t attempt = 1;; ++attempt) {
        const std::int32_t code = program(FirmwareLoadAddress, image.data(), count);
        if (code == 0) SetResult(u"PASS");
        WriteLog(u"MRW5160 FWUPDATE:" + ResultMessage(code) + u", UpdateCount:" +
                 platform::Utf8ToUtf16(std::to_string(attempt)));
        pacer().Pause(milliseconds(200));
        if (code == 0) return;
        if (attempt >= repeatLimit || stop_.load()) return SetResult(u"FAIL");
    }
}

}  // namespace kivu::isp
