#include "updater/app/dialog_window_handle.h"

#include "updater/app/main_dialog.h"

namespace kivu::app {

void DialogWindowHandle::Attach(CCustomMainDlg* dialog) {
    std::lock_guard lock(mutex_);
    dialog_ = dialog;
}

intptr_t DialogWindowHandle::Send(KivuWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    DialogWindowHandle* self = reinterpret_cast<Handle*>(window)->owner;
    std::lock_guard lock(self->mutex_);
    // The dialog's handler only sets the progress control, which any thread may do.
    if (message != WM_ISP_PROGRESS || self->dialog_ == nullptr) return 0;
    return self->dialog_->OnIspProgress(wParam, lParam);
}

}  // namespace kivu::app
