// What painting needs of a drawing surface and of picture files, so that the skin is drawn by
// the same code for every host.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "updater/config/skin.h"

namespace kivu::app {

// A decoded picture: 32-bit ARGB (alpha in the top byte), rows top to bottom.
struct Picture {
    int width = 0;
    int height = 0;
    bool hasAlpha = false;  // the file carried an alpha channel (a 32-bit picture)
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)]; }
};

// Decodes picture files (SDL2_image in the window; a fake in tests).
class PictureDecoder {
public:
    virtual ~PictureDecoder() = default;
    // Null when the file cannot be decoded.
    virtual std::unique_ptr<Picture> Decode(const std::u16string& path) = 0;
};

// Pictures by path, decoded at most once each and kept for the window's life.
class PictureCache {
public:
    explicit PictureCache(PictureDecoder& decoder) : decoder_(decoder) {}
    // Null when the file cannot be decoded (and that answer is kept too).
    const Picture* Get(const std::u16string& path);
    std::size_t decodes() const { return decodes_; }
    // Off: every Get decodes the file again (what painting would cost without the cache).
    void set_caching(bool caching) { caching_ = caching; }

private:
    PictureDecoder& decoder_;
    std::unordered_map<std::u16string, std::unique_ptr<Picture>> pictures_;
    std::size_t decodes_ = 0;
    bool caching_ = true;
};

class Canvas {
public:
    virtual ~Canvas() = default;
    // Copies the picture at (x, y): no scaling, no blending.
    virtual void Copy(const Picture& picture, int x, int y) = 0;
    // Draws the whole picture scaled into the target, blending its alpha over what is there.
    virtual void DrawScaled(const Picture& picture, const config::Rect& target) = 0;
    // Draws the picture's top-left part, the target's size, unscaled into the target, blended.
    virtual void DrawCropped(const Picture& picture, const config::Rect& target) = 0;
};

// A canvas in memory: ARGB pixels, every operation clipped to the surface.
class SoftwareCanvas final : public Canvas {
public:
    SoftwareCanvas(int width, int height);
    void Resize(int width, int height);
    void Clear(std::uint32_t argb = 0xFF000000);
    void Copy(const Picture& picture, int x, int y) override;
    void DrawScaled(const Picture& picture, const config::Rect& target) override;
    void DrawCropped(const Picture& picture, const config::Rect& target) override;

    int width() const { return width_; }
    int height() const { return height_; }
    std::uint32_t At(int x, int y) const { return pixels_[static_cast<std::size_t>(y * width_ + x)]; }
    const std::uint32_t* data() const { return pixels_.data(); }

private:
    void Blend(int x, int y, std::uint32_t source);

    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_;
};

// The skin's main picture as the window keeps it: 32-bit pictures with their colours
// multiplied by their alpha, so that fully transparent parts show black.
std::unique_ptr<Picture> LoadSkinBitmap(PictureDecoder& decoder, const std::u16string& path, int* width, int* height);

}  // namespace kivu::app
