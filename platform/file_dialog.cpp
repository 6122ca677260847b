#include "platform/file_dialog.h"

#include <atomic>

namespace kivu::platform {

namespace {
std::atomic<FileDialogPresenter*> g_presenter{nullptr};
}

void SetFileDialogPresenter(FileDialogPresenter* presenter) { g_presenter.store(presenter); }

std::u16string ChooseFileToOpen(const OpenFileRequest& request) {
    FileDialogPresenter* presenter = g_presenter.load();
    return presenter != nullptr ? presenter->ChooseFileToOpen(request) : std::u16string();
}

}  // namespace kivu::platform
