// A dialog host with virtual time: tests click at points, advance time, and read the hidden
// controls, the invalidations and what the dialog asked of its window.
#pragma once

#include <chrono>
#include <map>
#include <vector>

#include "updater/app/dialog_host.h"
#include "updater/app/dialog_window_handle.h"
#include "updater/app/main_dialog.h"

namespace kivu::test {

class TestDialogHost final : public app::DialogHost {
public:
    void Attach(app::CCustomMainDlg* dialog) {
        dialog_ = dialog;
        windowHandle_.Attach(dialog);
    }
    // Moves virtual time on, firing the timers that fall due, in order.
    void Advance(std::chrono::milliseconds duration);

    void SetIcons() override { ++iconsSet; }
    void SetTimer(int id, std::chrono::milliseconds period) override;
    void KillTimer(int id) override { timers_.erase(id); }
    void Invalidate(const config::Rect& area) override { invalidations.push_back(area); }
    void EndDialog(int result) override { endedWith = result; }
    void StartWindowDrag(int x, int y) override { drags.push_back({x, y}); }
    void LoadBackground(const std::u16string& path, int& width, int& height) override;
    void MoveWindow(int x, int y, int width, int height) override { window = {x, y, x + width, y + height}; }
    KivuWindowHandle WindowHandle() override { return windowHandle_.get(); }
    app::HiddenControls CreateHiddenControls(const config::Rect& progressArea) override;

    bool TimerRunning(int id) const { return timers_.count(id) != 0; }

    int iconsSet = 0;
    int endedWith = 0;
    std::vector<config::Rect> invalidations;
    std::vector<std::pair<int, int>> drags;
    config::Rect window;
    config::Rect progressControlArea;
    ota::MemoryProgressChannel progressBar;
    ota::MemoryResultChannel outcomeDisplay;
    ota::MemoryResultChannel resultControl;
    bool controlsCreated = false;

private:
    struct Timer {
        std::chrono::milliseconds period;
        std::chrono::milliseconds due;
    };
    app::CCustomMainDlg* dialog_ = nullptr;
    std::chrono::milliseconds now_{0};
    std::map<int, Timer> timers_;
    app::DialogWindowHandle windowHandle_;
};

// The width and height of a PNG file (0 by 0 when it is none).
void PngSize(const std::u16string& path, int& width, int& height);

}  // namespace kivu::test
