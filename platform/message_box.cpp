#include "platform/message_box.h"

#include <atomic>
#include <cstdio>
#include <string>

#include "platform/environment.h"
#include "platform/text.h"

namespace kivu::platform {

// The backend's box for modules without a presenter; false when it has none to show.
bool ShowSystemMessageBox(std::u16string_view text, std::u16string_view caption);

namespace {
std::atomic<MessageBoxPresenter*> g_presenter{nullptr};
}

void SetMessageBoxPresenter(MessageBoxPresenter* presenter) { g_presenter.store(presenter); }

void ShowMessageBox(std::u16string_view text, std::u16string_view caption) {
    MessageBoxPresenter* presenter = g_presenter.load();
    if (!EnvironmentFlag("KIVU_UNATTENDED")) {
        if (presenter != nullptr) {
            presenter->ShowOk(text, caption);
            return;
        }
        if (ShowSystemMessageBox(text, caption)) return;
    }
    std::string line = "[" + Utf16ToUtf8(caption) + "] " + Utf16ToUtf8(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace kivu::platform
