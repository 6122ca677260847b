#include "updater/app/canvas.h"

#include <algorithm>

namespace kivu::app {

const Picture* PictureCache::Get(const std::u16string& path) {
    auto found = pictures_.find(path);
    if (caching_ && found != pictures_.end()) return found->second.get();
    ++decodes_;
    std::unique_ptr<Picture> picture = decoder_.Decode(path);
    const Picture* result = picture.get();
    pictures_[path] = std::move(picture);
    return result;
}

SoftwareCanvas::SoftwareCanvas(int width, int height) { Resize(width, height); }

void SoftwareCanvas::Resize(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0xFF000000u);
}

void SoftwareCanvas::Clear(std::uint32_t argb) { std::fill(pixels_.begin(), pixels_.end(), argb); }

void SoftwareCanvas::Copy(const Picture& picture, int x, int y) {
    for (int row = std::max(0, -y); row < picture.height && y + row < height_; ++row) {
        for (int column = std::max(0, -x); column < picture.width && x + column < width_; ++column) {
            pixels_[static_cast<std::size_t>((y + row) * width_ + x + column)] = picture.At(column, row) | 0xFF000000u;
        }
    }
}

void SoftwareCanvas::Blend(int x, int y, std::uint32_t source) {
    const std::uint32_t alpha = source >> 24;
    if (alpha == 0) return;
    std::uint32_t& target = pixels_[static_cast<std::size_t>(y * width_ + x)];
    if (alpha == 255) {
        target = source;
        return;
    }
    std::uint32_t out = 0xFF000000u;
    for (int shift : {0, 8, 16}) {
        const std::uint32_t s = (source >> shift) & 0xFF;
        const std::uint32_t d = (target >> shift) & 0xFF;
        out |= ((s * alpha + d * (255 - alpha) + 127) / 255) << shift;
    }
    target = out;
}

void SoftwareCanvas::DrawScaled(const Picture& picture, const config::Rect& target) {
    const int w = target.right - target.left;
    const int h = target.bottom - target.top;
    if (w <= 0 || h <= 0 || picture.width <= 0 || picture.height <= 0) return;
    const int x0 = std::max(target.left, 0), x1 = std::min(target.right, width_);
    const int y0 = std::max(target.top, 0), y1 = std::min(target.bottom, height_);
    for (int y = y0; y < y1; ++y) {
        // The source element under the centre of each target element.
        const int sy = static_cast<int>((static_cast<std::int64_t>(y - target.top) * 2 + 1) * picture.height / (2 * h));
        for (int x = x0; x < x1; ++x) {
            const int sx = static_cast<int>((static_cast<std::int64_t>(x - target.left) * 2 + 1) * picture.width / (2 * w));
            Blend(x, y, picture.At(sx, sy));
        }
    }
}

void SoftwareCanvas::DrawCropped(const Picture& picture, const config::Rect& target) {
    const int x1 = std::min({target.right, width_, target.left + picture.width});
    const int y1 = std::min({target.bottom, height_, target.top + picture.height});
    for (int y = std::max(target.top, 0); y < y1; ++y) {
        for (int x = std::max(target.left, 0); x < x1; ++x) Blend(x, y, picture.At(x - target.left, y - target.top));
    }
}

std::unique_ptr<Picture> LoadSkinBitmap(PictureDecoder& decoder, const std::u16string& path, int* width, int* height) {
    std::unique_ptr<Picture> picture = decoder.Decode(path);
    if (picture && picture->hasAlpha) {
        for (std::uint32_t& p : picture->pixels) {
            const std::uint32_t a = p >> 24;
            std::uint32_t out = p & 0xFF000000u;
            for (int shift : {0, 8, 16}) out |= ((((p >> shift) & 0xFF) * a) / 255) << shift;
            p = out;
        }
    }
    if (width != nullptr) *width = picture ? picture->width : 0;
    if (height != nullptr) *height = picture ? picture->height : 0;
    return picture;
}

}  // namespace kivu::app
