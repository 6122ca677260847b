// Painting of the skinned window: the layers of the face, composed on a canvas.
#pragma once

#include <optional>
#include <string>

#include "updater/app/canvas.h"
#include "updater/app/main_dialog.h"

namespace kivu::app {

// Draws the item's picture scaled into `target` (the item's own rectangle when none is given).
void DrawSkinPicture(Canvas& canvas, PictureCache& pictures, const std::optional<config::Rect>& target,
                     const std::u16string& value, const std::u16string& folder);
// Draws the top-left part of the item's picture, unscaled, into `target`.
void DrawSkinPictureCropped(Canvas& canvas, PictureCache& pictures, const config::Rect& target,
                            const std::u16string& value, const std::u16string& folder);
// Layers 2 to 11. Reduces shownPercent modulo 101 and sets startEnabled when it paints PASS or FAIL.
void DrawSkin(Canvas& canvas, PictureCache& pictures, CCustomMainDlg& dialog);
// The whole face: the background copied at (0, 0), then DrawSkin.
void PaintFace(Canvas& canvas, PictureCache& pictures, const Picture* background, CCustomMainDlg& dialog);

// The right side of the filled part of the progress bar, as the window computes it.
std::int32_t FilledRight(const config::Rect& progressArea, std::int32_t percent);

}  // namespace kivu::app
