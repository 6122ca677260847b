// The dialog host without a window: real time, timers run by a simple loop, the hidden controls
// in memory. `Kivu Updata --headless` uses it.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>

#include "updater/app/dialog_host.h"
#include "updater/app/dialog_window_handle.h"
#include "updater/app/main_dialog.h"

namespace kivu::app {

class HeadlessHost final : public DialogHost {
public:
    void Attach(CCustomMainDlg* dialog) {
        dialog_ = dialog;
        windowHandle_.Attach(dialog);
    }

    // Runs the timers until the dialog ends, no timer is left, or `done` says so; `tick` is
    // called after every timer message.
    void Run(const std::function<bool()>& done, const std::function<void()>& tick);

    void SetIcons() override {}
    void SetTimer(int id, std::chrono::milliseconds period) override;
    void KillTimer(int id) override { timers_.erase(id); }
    void Invalidate(const config::Rect&) override {}
    void EndDialog(int result) override { endedWith_ = result; }
    void StartWindowDrag(int, int) override {}
    void LoadBackground(const std::u16string&, int& width, int& height) override { width = height = 0; }
    void MoveWindow(int, int, int, int) override {}
    KivuWindowHandle WindowHandle() override { return windowHandle_.get(); }
    HiddenControls CreateHiddenControls(const config::Rect&) override;

    int endedWith() const { return endedWith_; }
    const ota::MemoryProgressChannel& progressBar() const { return progressBar_; }

private:
    CCustomMainDlg* dialog_ = nullptr;
    std::map<int, std::pair<std::chrono::milliseconds, std::int64_t>> timers_;  // period, next due
    int endedWith_ = 0;
    DialogWindowHandle windowHandle_;
    ota::MemoryProgressChannel progressBar_;
    ota::MemoryResultChannel outcomeDisplay_;
    ota::MemoryResultChannel resultControl_;
};

}  // namespace kivu::app
