#include "platform/sdl/sdl_window_host.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/clock.h"
#include "updater/app/painting.h"
#include "platform/text.h"

namespace kivu::platform {


std::unique_ptr<app::Picture> SdlPictureDecoder::Decode(const std::u16string& path) {
    SDL_Surface* loaded = IMG_Load(Utf16ToUtf8(path).c_str());
    if (loaded == nullptr) return nullptr;
    const bool alpha = SDL_ISPIXELFORMAT_ALPHA(loaded->format->format) || loaded->format->palette != nullptr;
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(loaded);
    if (argb == nullptr) return nullptr;
    auto picture = std::make_unique<app::Picture>();
    picture->width = argb->w;
    picture->height = argb->h;
    picture->hasAlpha = alpha;
    picture->pixels.resize(static_cast<std::size_t>(argb->w) * static_cast<std::size_t>(argb->h));
    SDL_LockSurface(argb);
    for (int y = 0; y < argb->h; ++y) {
        std::memcpy(picture->pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(argb->w),
                    static_cast<const std::uint8_t*>(argb->pixels) + static_cast<std::ptrdiff_t>(y) * argb->pitch,
                    static_cast<std::size_t>(argb->w) * 4);
    }
    SDL_UnlockSurface(argb);
    SDL_FreeSurface(argb);
    return picture;
}

SdlWindowHost::SdlWindowHost() = default;

SdlWindowHost::~SdlWindowHost() {
    windowHandle_.Detach();  // from now on a plug-in's message returns at once
    SetMessageBoxPresenter(nullptr);
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    if (sdlStarted_) {
        IMG_Quit();
        SDL_Quit();
    }
}

bool SdlWindowHost::Open(std::string& error) {
#if defined(__linux__)
    // Without a display SDL may still open a window on a console or off-screen driver, where
    // nobody could click Start and the program would wait for ever.
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr &&
        std::getenv("SDL_VIDEODRIVER") == nullptr) {
        error = "no display (DISPLAY and WAYLAND_DISPLAY are not set)";
        return false;
    }
#endif
    // The software renderer without a GL framebuffer starts four times faster here and costs
    // a fifth per frame.
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        error = SDL_GetError();
        return false;
    }
    sdlStarted_ = true;
    // SDL falls back to console and off-screen drivers when the display cannot be reached:
    // only a real window system will do, unless a driver was asked for by name.
    const std::string driver = SDL_GetCurrentVideoDriver() != nullptr ? SDL_GetCurrentVideoDriver() : "";
    if (std::getenv("SDL_VIDEODRIVER") == nullptr && driver != "x11" && driver != "wayland" && driver != "windows" &&
        driver != "cocoa") {
        error = "the display cannot be reached (video driver '" + driver + "')";
        return false;
    }
    IMG_Init(IMG_INIT_PNG | IMG_INIT_JPG);
    window_ = SDL_CreateWindow("Kivu Updata", 0, 0, kTemplateWidth, kTemplateHeight,
                               SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
    if (window_ == nullptr) {
        error = SDL_GetError();
        return false;
    }
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (renderer_ == nullptr) {
        error = SDL_GetError();
        return false;
    }
    SetMessageBoxPresenter(this);
    return true;
}

void SdlWindowHost::SetIcons() {
    // The application icon: a blue disc with a white arrow, drawn once.
    constexpr int kSize = 32;
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormat(0, kSize, kSize, 32, SDL_PIXELFORMAT_ARGB8888);
    if (icon == nullptr) return;
    auto* pixels = static_cast<std::uint32_t*>(icon->pixels);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const int dx = x - kSize / 2, dy = y - kSize / 2;
            std::uint32_t colour = 0;
            if (dx * dx + dy * dy <= 15 * 15) colour = 0xFF2A7DE1;
            const bool arrow = (x >= 14 && x <= 17 && y >= 8 && y <= 20) || (y >= 17 && y <= 23 && std::abs(dx) <= 23 - y);
            if (colour != 0 && arrow) colour = 0xFFFFFFFF;
            pixels[y * (icon->pitch / 4) + x] = colour;
        }
    }
    SDL_SetWindowIcon(window_, icon);
    SDL_FreeSurface(icon);
}

void SdlWindowHost::SetTimer(int id, std::chrono::milliseconds period) {
    timers_[id] = {period.count(), MonotonicMilliseconds() + period.count()};
}

void SdlWindowHost::StartWindowDrag(int x, int y) {
    // A drag of our own, which works with and without a window manager.
    dragging_ = true;
    dragX_ = x;
    dragY_ = y;
}

void SdlWindowHost::LoadBackground(const std::u16string& path, int& width, int& height) {
    background_ = app::LoadSkinBitmap(decoder_, path, &width, &height);
}

void SdlWindowHost::MoveWindow(int x, int y, int width, int height) {
    // A main picture that cannot be loaded keeps the template's size, not a window of nothing.
    if (width <= 0 || height <= 0) {
        width = kTemplateWidth;
        height = kTemplateHeight;
    }
    SDL_SetWindowPosition(window_, x, y);
    SDL_SetWindowSize(window_, width, height);
    canvas_.Resize(width, height);
    dirty_ = true;
}

app::HiddenControls SdlWindowHost::CreateHiddenControls(const config::Rect&) {
    return {&progressBar_, &outcomeDisplay_, &resultControl_};
}

void SdlWindowHost::ShowOk(std::u16string_view text, std::u16string_view caption) {
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, Utf16ToUtf8(caption).c_str(), Utf16ToUtf8(text).c_str(), window_);
}

void SdlWindowHost::Present() {
    if (dialog_ == nullptr) return;
    const int width = canvas_.width(), height = canvas_.height();
    if (texture_ == nullptr || width != textureWidth_ || height != textureHeight_) {
        if (texture_ != nullptr) SDL_DestroyTexture(texture_);
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
        textureWidth_ = width;
        textureHeight_ = height;
    }
    canvas_.Clear();
    app::PaintFace(canvas_, pictures_, background_.get(), *dialog_);
    SDL_UpdateTexture(texture_, nullptr, canvas_.data(), width * 4);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
    ++frames_;
    dirty_ = false;
}

void SdlWindowHost::HandleEvents(std::int64_t waitMs) {
    SDL_Event event;
    if (!SDL_WaitEventTimeout(&event, static_cast<int>(std::max<std::int64_t>(waitMs, 0)))) return;
    do {
        switch (event.type) {
            case SDL_QUIT:
                dialog_->OnCancel();
                break;
            case SDL_WINDOWEVENT:
                if (event.window.event == SDL_WINDOWEVENT_CLOSE) dialog_->OnCancel();
                if (event.window.event == SDL_WINDOWEVENT_EXPOSED || event.window.event == SDL_WINDOWEVENT_RESTORED) dirty_ = true;
                break;
            case SDL_KEYDOWN:
                if (event.key.keysym.sym == SDLK_ESCAPE ||
                    (event.key.keysym.sym == SDLK_F4 && (event.key.keysym.mod & KMOD_ALT) != 0)) {
                    dialog_->OnCancel();
                }
                break;
            case SDL_MOUSEBUTTONDOWN:
                if (event.button.button == SDL_BUTTON_LEFT) dialog_->OnLButtonDown(event.button.x, event.button.y);
                break;
            case SDL_MOUSEBUTTONUP:
                if (event.button.button == SDL_BUTTON_LEFT) dragging_ = false;
                break;
            case SDL_MOUSEMOTION:
                if (dragging_ && (event.motion.state & SDL_BUTTON_LMASK) != 0) {
                    int globalX = 0, globalY = 0;
                    SDL_GetGlobalMouseState(&globalX, &globalY);
                    SDL_SetWindowPosition(window_, globalX - dragX_, globalY - dragY_);
                } else {
                    dragging_ = false;
                }
                break;
            default:
                break;
        }
    } while (endedWith_ == 0 && SDL_PollEvent(&event));
}

void SdlWindowHost::Begin(app::CCustomMainDlg& dialog) {
    dialog_ = &dialog;
    windowHandle_.Attach(&dialog);
    dialog.OnInitDialog();
    SDL_ShowWindow(window_);
    Present();
}

int SdlWindowHost::RunModal(app::CCustomMainDlg& dialog) {
    Begin(dialog);
    while (endedWith_ == 0) {
        std::int64_t now = MonotonicMilliseconds();
        std::int64_t nextDue = now + 500;
        for (const auto& [id, timer] : timers_) nextDue = std::min(nextDue, timer.second);
        HandleEvents(nextDue - now);
        now = MonotonicMilliseconds();
        for (auto it = timers_.begin(); it != timers_.end() && endedWith_ == 0;) {
            const int id = it->first;
            if (it->second.second <= now) {
                it->second.second = now + it->second.first;
                dialog.OnTimer(id);  // may kill this very timer
                it = timers_.upper_bound(id);
            } else {
                ++it;
            }
        }
        if (dirty_ && endedWith_ == 0) Present();
    }
    windowHandle_.Detach();
    dialog_ = nullptr;
    return endedWith_;
}

}  // namespace kivu::platform
