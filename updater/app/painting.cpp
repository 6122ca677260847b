#include "updater/app/painting.h"

#include "platform/path.h"

namespace kivu::app {

void DrawSkinPicture(Canvas& canvas, PictureCache& pictures, const std::optional<config::Rect>& target,
                     const std::u16string& value, const std::u16string& folder) {
    const config::SkinItem item = config::ParseSkinItem(value);
    if (item.picture.empty()) return;
    const Picture* picture = pictures.Get(folder + item.picture);
    if (picture != nullptr) canvas.DrawScaled(*picture, target.value_or(item.rect));
}

void DrawSkinPictureCropped(Canvas& canvas, PictureCache& pictures, const config::Rect& target,
                            const std::u16string& value, const std::u16string& folder) {
    const config::SkinItem item = config::ParseSkinItem(value);
    if (item.picture.empty()) return;
    const Picture* picture = pictures.Get(folder + item.picture);
    if (picture != nullptr) canvas.DrawCropped(*picture, target);
}

std::int32_t FilledRight(const config::Rect& progressArea, std::int32_t percent) {
    const std::int32_t width = progressArea.right - progressArea.left;
    // In single precision with the single-precision constant 0.01, truncated toward zero.
    return static_cast<std::int32_t>(static_cast<float>(width * percent) * 0.01f + static_cast<float>(progressArea.left));
}

void DrawSkin(Canvas& canvas, PictureCache& pictures, CCustomMainDlg& dialog) {
    using namespace config::SkinLayout;
    const std::u16string folder = dialog.programFolder + u"Image" + platform::kPathSeparator;
    const char16_t* device = dialog.settings.DEVICE == 0 ? kMouse : kDongle;
    config::XmlDocument& skin = dialog.skinDocument;
    const std::pair<const char16_t*, const char16_t*> layers[] = {
        {device, kIcon},     {device, kTexts[0]}, {device, kTexts[1]}, {device, kTexts[2]},
        {device, kTexts[3]}, {device, kTexts[4]}, {kObject, kExit},    {kObject, kProgress},
    };
    for (const auto& [section, item] : layers) DrawSkinPicture(canvas, pictures, std::nullopt, skin.LookupValue(section, item), folder);

    dialog.shownPercent %= 101;
    config::Rect filled = dialog.progressArea;
    filled.right = FilledRight(dialog.progressArea, dialog.shownPercent);
    DrawSkinPictureCropped(canvas, pictures, filled, skin.LookupValue(kObject, kProgressOver), folder);

    switch (dialog.buttonState) {
        case Idle:
        case Pressed:
            DrawSkinPicture(canvas, pictures, std::nullopt, skin.LookupValue(kObject, kButtonStart), folder);
            break;
        case Passed:
            DrawSkinPicture(canvas, pictures, std::nullopt, skin.LookupValue(kObject, kButtonPass), folder);
            dialog.startEnabled = true;
            break;
        case Failed:
            DrawSkinPicture(canvas, pictures, std::nullopt, skin.LookupValue(kObject, kButtonFail), folder);
            dialog.startEnabled = true;
            break;
        default:
            break;
    }
}

void PaintFace(Canvas& canvas, PictureCache& pictures, const Picture* background, CCustomMainDlg& dialog) {
    if (background != nullptr) canvas.Copy(*background, 0, 0);
    DrawSkin(canvas, pictures, dialog);
}

}  // namespace kivu::app
