// The main dialog's logic: its members, its initialisation in order, and the update sequence
// behind the Start button with its poll timer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "updater/app/dialog_host.h"
#include "updater/config/settings.h"
#include "updater/config/skin.h"
#include "updater/config/xml_document.h"
#include "updater/isp/isp_library.h"
#include "updater/ota/update_engine.h"

namespace kivu::app {

inline constexpr int kPollTimerId = 11023;
inline constexpr std::chrono::milliseconds kPollPeriod{40};

enum ButtonState : std::int32_t { Idle = 1, Pressed = 2, Passed = 3, Failed = 4 };

class CCustomMainDlg {
public:
    // `programFolder` stands in for the executable's folder (tests); by default it is that folder.
    CCustomMainDlg(DialogHost& host, ota::UpdateEngine& engine,
                   std::optional<std::u16string> programFolderOverride = std::nullopt);
    CCustomMainDlg(const CCustomMainDlg&) = delete;
    CCustomMainDlg& operator=(const CCustomMainDlg&) = delete;

    // The initialisation, once the window exists and before it is shown.
    bool OnInitDialog();
    // A press of the left button at client coordinates.
    void OnLButtonDown(int x, int y);
    void OnTimer(int id);
    // WM_ISP_PROGRESS; may arrive on any thread (it only sets the progress control).
    std::intptr_t OnIspProgress(std::uintptr_t wParam, std::intptr_t lParam);
    // Escape and Alt+F4.
    void OnCancel() { host_.EndDialog(IDCANCEL); }

    bool StartUpdate();
    void StartIspWorker();

    // The members, in the order of the dialog's table.
    config::UpdateSettings settings;
    std::u16string programFolder;
    config::XmlDocument skinDocument;
    bool skinRead = false;
    int backgroundWidth = 0, backgroundHeight = 0;
    ota::ResultChannel* outcomeDisplay = nullptr;
    ota::ResultChannel* resultControl = nullptr;
    ota::ProgressChannel* progressBar = nullptr;
    config::Rect exitArea;
    config::Rect startArea;
    std::int32_t buttonState = Idle;
    std::int32_t receiverStage = 0;
    bool startEnabled = true;
    config::Rect progressArea;
    std::int32_t shownPercent = 0;
    std::u16string resultText;
    isp::CMRW5160HIDISPSDKTestDlg ispLibrary;

    ota::UpdateEngine& engine() { return engine_; }
    bool pollTimerRunning() const { return pollTimerRunning_; }

private:
    void LoadSkin();
    void SetProgress(int percent);
    void ShowPass();
    void StartPollTimer();
    void StopPollTimer();

    DialogHost& host_;
    ota::UpdateEngine& engine_;
    std::optional<std::u16string> programFolderOverride_;
    bool pollTimerRunning_ = false;
    bool ispStageBegun_ = false;  // the last StartUpdate took the boot-loader route
};

}  // namespace kivu::app
