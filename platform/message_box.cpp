#include "platform/message_box.h"

#include <atomic>
#include <cstdio>
#include <string>

#include "platform/environment.h"
#include "platform/text.h"

namespace kivu::platform {

namespace {
std::atomic<MessageBoxPresenter*> g_presenter{nullptr};
}

void SetMessageBoxPresenter(MessageBoxPresenter* presenter) { g_presenter.store(presenter); }

void ShowMessageBox(std::u16string_view text, std::u16string_view caption) {
    MessageBoxPresenter* presenter = g_presenter.load();
    if (presenter != nullptr && !EnvironmentFlag("KIVU_UNATTENDED")) {
        presenter->ShowOk(text, caption);
        return;
    }
    std::string line = "[" + Utf16ToUtf8(caption) + "] " + Utf16ToUtf8(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace kivu::platform
