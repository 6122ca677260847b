// The skinned window on SDL2: a borderless window at (0, 0) sized to the skin's main picture,
// composed off screen and presented in one step at every paint.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "platform/message_box.h"
#include "updater/app/canvas.h"
#include "updater/app/dialog_host.h"
#include "updater/app/dialog_window_handle.h"
#include "updater/app/main_dialog.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace kivu::platform {

// Pictures through SDL2_image.
class SdlPictureDecoder final : public app::PictureDecoder {
public:
    std::unique_ptr<app::Picture> Decode(const std::u16string& path) override;
};

class SdlWindowHost final : public app::DialogHost, public MessageBoxPresenter {
public:
    SdlWindowHost();
    ~SdlWindowHost() override;
    SdlWindowHost(const SdlWindowHost&) = delete;
    SdlWindowHost& operator=(const SdlWindowHost&) = delete;

    // False, with `error` set, when there is no display to open a window on.
    bool Open(std::string& error);
    // Initialises the dialog, shows the window and runs it until the dialog ends; returns the
    // dialog's result.
    int RunModal(app::CCustomMainDlg& dialog);
    // The first part of RunModal: the dialog's initialisation, the window shown, the first frame.
    void Begin(app::CCustomMainDlg& dialog);
    // Composes and presents one frame now (for the benchmark).
    void PaintNow() { Present(); }
    // Decode pictures at every paint instead of once (to measure what the cache saves).
    void set_picture_caching(bool caching) { pictures_.set_caching(caching); }

    void SetIcons() override;
    void SetTimer(int id, std::chrono::milliseconds period) override;
    void KillTimer(int id) override { timers_.erase(id); }
    void Invalidate(const config::Rect&) override { dirty_ = true; }
    void EndDialog(int result) override { endedWith_ = result; }
    void StartWindowDrag(int x, int y) override;
    void LoadBackground(const std::u16string& path, int& width, int& height) override;
    void MoveWindow(int x, int y, int width, int height) override;
    KivuWindowHandle WindowHandle() override { return windowHandle_.get(); }
    app::HiddenControls CreateHiddenControls(const config::Rect& progressArea) override;
    void ShowOk(std::u16string_view text, std::u16string_view caption) override;

    // Frames presented so far (for the benchmark and tests).
    std::uint64_t framesPresented() const { return frames_; }

    // The template's size when there is no skin: 309 by 176 dialog units.
    static constexpr int kTemplateWidth = 464;
    static constexpr int kTemplateHeight = 286;

private:
    void Present();
    void HandleEvents(std::int64_t waitMs);

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int textureWidth_ = 0, textureHeight_ = 0;
    bool sdlStarted_ = false;

    app::CCustomMainDlg* dialog_ = nullptr;
    SdlPictureDecoder decoder_;
    app::PictureCache pictures_{decoder_};
    std::unique_ptr<app::Picture> background_;
    app::SoftwareCanvas canvas_{kTemplateWidth, kTemplateHeight};
    std::map<int, std::pair<std::int64_t, std::int64_t>> timers_;  // period, next due (ms)
    bool dirty_ = true;
    int endedWith_ = 0;
    bool dragging_ = false;
    int dragX_ = 0, dragY_ = 0;
    std::uint64_t frames_ = 0;
    app::DialogWindowHandle windowHandle_;

    ota::MemoryProgressChannel progressBar_;
    ota::MemoryResultChannel outcomeDisplay_;
    ota::MemoryResultChannel resultControl_;
};

}  // namespace kivu::platform
