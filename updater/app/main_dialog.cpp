#include "updater/app/main_dialog.h"

#include "platform/debug_output.h"
#include "platform/path.h"
#include "platform/text.h"
#include "updater/app/program_folder.h"
#include "updater/hid/hid_device.h"
#include "updater/log/log.h"
#include "updater/ota/protocol.h"

namespace kivu::app {

CCustomMainDlg::CCustomMainDlg(DialogHost& host, ota::UpdateEngine& engine,
                               std::optional<std::u16string> programFolderOverride)
    : host_(host), engine_(engine), programFolderOverride_(std::move(programFolderOverride)) {}

bool CCustomMainDlg::OnInitDialog() {
    host_.SetIcons();
    if (programFolderOverride_) {
        programFolder = *programFolderOverride_;
    } else {
        GetProgramFolder(programFolder);
    }
    ispLibrary.repeatLimit = config::kDefaultRepeatLimit;
    ispLibrary.Bind(programFolder, host_.WindowHandle());
    LogTarget.folder = programFolder;
    LogTarget.name = u"Log";
    WriteLog(u"Init");

    std::int32_t contentPause = engine_.contentPause.load();
    config::ReadSettings(programFolder, settings, ispLibrary.repeatLimit, contentPause);
    engine_.contentPause.store(contentPause);

    const std::u16string pictureFolder = programFolder + u"Image" + platform::kPathSeparator;
    skinRead = skinDocument.LoadFile(pictureFolder + u"Skin.xml");
    if (skinRead) {
        LoadSkin();
        const HiddenControls controls = host_.CreateHiddenControls(progressArea);
        progressBar = controls.progressBar;
        outcomeDisplay = controls.outcomeDisplay;
        resultControl = controls.resultControl;
        if (outcomeDisplay != nullptr) outcomeDisplay->SetText(u"TEST");
        if (resultControl != nullptr) resultControl->SetText(u"TEST");
        engine_.progressControl = progressBar;
        engine_.resultControl = resultControl;
        ispLibrary.resultControl = resultControl;
    } else {
        WriteLog(u"Cannot Read Skin File!");
    }
    return true;
}

void CCustomMainDlg::LoadSkin() {
    const config::SkinAreas areas = config::ReadSkinAreas(skinDocument);
    host_.LoadBackground(programFolder + u"Image" + platform::kPathSeparator + areas.mainPicture, backgroundWidth,
                         backgroundHeight);
    host_.MoveWindow(0, 0, backgroundWidth, backgroundHeight);
    exitArea = areas.exitArea;
    startArea = areas.startArea;
    progressArea = areas.progressArea;
}

void CCustomMainDlg::SetProgress(int percent) {
    if (progressBar != nullptr) progressBar->SetPosition(percent);
}

void CCustomMainDlg::StartPollTimer() {
    host_.SetTimer(kPollTimerId, kPollPeriod);
    pollTimerRunning_ = true;
}

void CCustomMainDlg::StopPollTimer() {
    host_.KillTimer(kPollTimerId);
    pollTimerRunning_ = false;
}

void CCustomMainDlg::OnLButtonDown(int x, int y) {
    if (startArea.Contains(x, y)) {
        switch (buttonState) {
            case Idle:
                if (!startEnabled) break;
                startEnabled = false;
                buttonState = Pressed;
                if (settings.DEVICE == 1) {
                    receiverStage = 0;
                    WriteLog(u"state_start--Device:RX");
                } else {
                    WriteLog(u"state_start--Device:TX");
                }
                if (!StartUpdate()) {
                    // No run began: back to Idle so that the user can try again, for example
                    // after plugging the device in.
                    buttonState = Idle;
                    startEnabled = true;
                    host_.Invalidate(startArea);
                    return;
                }
                StartPollTimer();
                host_.Invalidate(startArea);
                if (!ispStageBegun_) {
                    shownPercent = 0;
                    host_.Invalidate(progressArea);
                    SetProgress(0);
                }
                return;
            case Pressed:
                host_.Invalidate(startArea);
                break;
            case Passed:
                startEnabled = true;
                break;
            case Failed:
                buttonState = Idle;
                host_.Invalidate(startArea);
                shownPercent = 0;
                host_.Invalidate(progressArea);
                SetProgress(0);
                startEnabled = true;
                break;
            default:
                break;
        }
    }
    if (exitArea.Contains(x, y)) {
        host_.EndDialog(IDCANCEL);
        return;
    }
    if (!startArea.Contains(x, y) && !progressArea.Contains(x, y)) host_.StartWindowDrag(x, y);
}

bool CCustomMainDlg::StartUpdate() {
    ispStageBegun_ = false;
    if (programFolderOverride_) {
        programFolder = *programFolderOverride_;
    } else {
        GetProgramFolder(programFolder);
    }
    if (outcomeDisplay != nullptr) outcomeDisplay->SetText(u"");
    if (resultControl != nullptr) resultControl->SetText(u"");
    engine_.vendorId = settings.VID;
    engine_.productId = settings.PID;
    engine_.transportKind = ota::kTransportHid;

    if (!engine_.Connect()) {
        if (receiverStage != 0) return false;
        hid::HidInterfaceList bootLoader;
        if (hid::EnumerateInterfaces(bootLoader, settings.VID_BL, settings.PID_BL)) {
            WriteLog(u"Bootloader Found, Update Marlow Bootloader");
            receiverStage = 1;
            shownPercent = 50;
            host_.Invalidate(progressArea);
            SetProgress(50);
            StartIspWorker();
            ispStageBegun_ = true;
            return true;
        }
        WriteLog(u"Cannot Find Device!");
        return false;
    }
    std::string infoText;
    std::uint16_t infoNumber = 0;
    if (!ota::OpenAndIdentify(engine_, infoText, infoNumber)) return false;
    if (!engine_.LoadImage(programFolder + platform::Utf8ToUtf16(settings.BINFILE))) {
        WriteLog(u"Cannot Open Kivu Bin File!");
        return false;
    }
    engine_.callerTag = settings.callerTag;
    if (!engine_.StartWorkers()) {
        WriteLog(u"Kivu Update failed!");
        return false;
    }
    return true;
}

void CCustomMainDlg::StartIspWorker() { ispLibrary.StartIspWorker(settings); }

void CCustomMainDlg::ShowPass() {
    if (outcomeDisplay != nullptr) outcomeDisplay->SetText(u"PASS");
    buttonState = Passed;
    host_.Invalidate(startArea);
    host_.Invalidate(progressArea);
    StopPollTimer();
}

void CCustomMainDlg::OnTimer(int id) {
    if (id != kPollTimerId) return;
    shownPercent = progressBar != nullptr ? progressBar->Position() : 0;
    if (settings.DEVICE == 1 && receiverStage == 0) shownPercent /= 2;
    resultText = resultControl != nullptr ? resultControl->Text() : std::u16string();

    if (resultText == u"PASS") {
        if (settings.DEVICE == 0) {
            WriteLog(u"Mouse Kivu_FWUpdate....:Pass");
            ShowPass();
        } else if (receiverStage == 0) {
            WriteLog(u"Dongle Kivu_FWUpdate....:Pass");
            receiverStage = 1;
            engine_.pacer().Pause(std::chrono::milliseconds(1000));
            shownPercent = 50;
            host_.Invalidate(progressArea);
            SetProgress(50);
            StartIspWorker();
        } else {
            WriteLog(u"Dongle MRW5160_FWUpdate....:Pass");
            ShowPass();
        }
    } else if (resultText == u"FAIL") {
        if (outcomeDisplay != nullptr) outcomeDisplay->SetText(u"FAIL");
        buttonState = Failed;
        host_.Invalidate(startArea);
        host_.Invalidate(progressArea);
        StopPollTimer();
    } else if (shownPercent > 100) {
        StopPollTimer();
    } else {
        buttonState = Idle;
        host_.Invalidate(progressArea);
    }
}

std::intptr_t CCustomMainDlg::OnIspProgress(std::uintptr_t wParam, std::intptr_t) {
    platform::DebugOutput(platform::Utf8ToUtf16(std::to_string(static_cast<std::uint32_t>(wParam)) + "\n"));
    SetProgress(50 + static_cast<std::int32_t>(wParam) / 2);
    return 0;
}

}  // namespace kivu::app
