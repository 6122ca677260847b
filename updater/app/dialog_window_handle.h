// The window handle that the ISP library's plug-in sends its messages to. Every host hands out
// one: WM_ISP_PROGRESS reaches the attached dialog from whatever thread the plug-in calls on,
// and after Detach a call returns at once, so a closed window never blocks a worker.
#pragma once

#include <cstdint>
#include <mutex>

#include "ispfacade/plugin/programmer_plugin.h"

namespace kivu::app {

class CCustomMainDlg;

class DialogWindowHandle {
public:
    DialogWindowHandle() : handle_{{&DialogWindowHandle::Send}, this} {}
    DialogWindowHandle(const DialogWindowHandle&) = delete;
    DialogWindowHandle& operator=(const DialogWindowHandle&) = delete;

    KivuWindowHandle get() { return &handle_.window; }
    void Attach(CCustomMainDlg* dialog);
    // Waits for a message being handled, then lets every later one return at once.
    void Detach() { Attach(nullptr); }

private:
    struct Handle {
        KivuWindow window;  // first, so that the handle is the KivuWindow
        DialogWindowHandle* owner;
    };
    static intptr_t Send(KivuWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

    Handle handle_;
    std::mutex mutex_;
    CCustomMainDlg* dialog_ = nullptr;
};

}  // namespace kivu::app
