// What the main dialog needs of its window. The SDL2 window, the Win32 dialog, the headless
// host and the test host all implement it; the dialog's logic is the same for each.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "ispfacade/plugin/programmer_plugin.h"
#include "updater/config/skin.h"
#include "updater/ota/channels.h"

namespace kivu::app {

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// The three hidden child controls. Their setters may be called from any thread and take
// effect before they return, as synchronous window messages do; the host owns them.
struct HiddenControls {
    ota::ProgressChannel* progressBar = nullptr;  // id 1010, range 0 to 100
    ota::ResultChannel* outcomeDisplay = nullptr;  // id 1012
    ota::ResultChannel* resultControl = nullptr;  // id 1004
};

class DialogHost {
public:
    virtual ~DialogHost() = default;

    // The window's big and small icon (the application icon).
    virtual void SetIcons() = 0;
    // Starts (or restarts) the window timer `id`; its ticks call the dialog's OnTimer.
    virtual void SetTimer(int id, std::chrono::milliseconds period) = 0;
    virtual void KillTimer(int id) = 0;
    // Asks for the rectangle to be painted again.
    virtual void Invalidate(const config::Rect& area) = 0;
    // Ends the modal dialog with IDOK or IDCANCEL.
    virtual void EndDialog(int result) = 0;
    // The user drags the window by the point (client coordinates) just pressed.
    virtual void StartWindowDrag(int x, int y) = 0;
    // Loads the skin's main picture; returns its size (0 by 0 when it cannot be loaded).
    virtual void LoadBackground(const std::u16string& path, int& width, int& height) = 0;
    // Moves and sizes the window in screen coordinates, repainting it.
    virtual void MoveWindow(int x, int y, int width, int height) = 0;
    // The window handed to the ISP library's SetMainWnd.
    virtual KivuWindowHandle WindowHandle() = 0;
    // Creates the three hidden controls, the progress bar over `progressArea`.
    virtual HiddenControls CreateHiddenControls(const config::Rect& progressArea) = 0;
};

}  // namespace kivu::app
