#include "tests/support/test_dialog_host.h"

#include <fstream>

#include "platform/text.h"

namespace kivu::test {

void TestDialogHost::SetTimer(int id, std::chrono::milliseconds period) { timers_[id] = {period, now_ + period}; }

void TestDialogHost::Advance(std::chrono::milliseconds duration) {
    const std::chrono::milliseconds end = now_ + duration;
    for (;;) {
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->second.due <= end && (next == timers_.end() || it->second.due < next->second.due)) next = it;
        }
        if (next == timers_.end()) break;
        now_ = next->second.due;
        next->second.due += next->second.period;
        if (dialog_ != nullptr) dialog_->OnTimer(next->first);
    }
    now_ = end;
}

void TestDialogHost::LoadBackground(const std::u16string& path, int& width, int& height) { PngSize(path, width, height); }

app::HiddenControls TestDialogHost::CreateHiddenControls(const config::Rect& progressArea) {
    controlsCreated = true;
    progressControlArea = progressArea;
    return {&progressBar, &outcomeDisplay, &resultControl};
}

void PngSize(const std::u16string& path, int& width, int& height) {
    width = height = 0;
    std::ifstream in(platform::Utf16ToUtf8(path), std::ios::binary);
    unsigned char header[24] = {};
    if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return;
    if (header[0] != 0x89 || header[1] != 'P' || header[12] != 'I' || header[13] != 'H') return;
    width = header[16] << 24 | header[17] << 16 | header[18] << 8 | header[19];
    height = header[20] << 24 | header[21] << 16 | header[22] << 8 | header[23];
}

}  // namespace kivu::test
