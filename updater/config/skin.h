// Image/Skin.xml: which picture goes where on the window's face.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "updater/config/xml_document.h"

namespace kivu::config {

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool operator==(const Rect&) const = default;
    bool Contains(std::int32_t x, std::int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool Empty() const { return right <= left || bottom <= top; }
};

inline constexpr std::size_t kMaxPictureName = 1023;

struct SkinItem {
    Rect rect;
    std::u16string picture;  // at most 1023 units, relative to the picture folder
};

// The skin file's vocabulary.
namespace SkinLayout {
inline constexpr const char16_t* kMainScreen = u"MAINSCREENNEW";
inline constexpr const char16_t* kMain = u"Main";
inline constexpr const char16_t* kObject = u"OBJECT";
inline constexpr const char16_t* kExit = u"EXIT";
inline constexpr const char16_t* kButtonStart = u"BUTTON_START";
inline constexpr const char16_t* kProgress = u"PROGRESS";
inline constexpr const char16_t* kProgressOver = u"PROGRESS_OVER";
inline constexpr const char16_t* kButtonPass = u"BUTTON_PASS";
inline constexpr const char16_t* kButtonFail = u"BUTTON_FAIL";
inline constexpr const char16_t* kMouse = u"MOUSE";
inline constexpr const char16_t* kDongle = u"DONGLE";
inline constexpr const char16_t* kIcon = u"ICON";
inline constexpr const char16_t* kTexts[5] = {u"TEXT_1", u"TEXT_2", u"TEXT_3", u"TEXT_4", u"TEXT_5"};

struct Entry {
    const char16_t* section;
    const char16_t* item;
};
// Every section and item, in the vocabulary's order (MAINSCREENNEW/Main first).
std::span<const Entry> Vocabulary();
}  // namespace SkinLayout

// Reads "text,x,y,width,height,picture,text"; never fails (unread numbers stay 0).
SkinItem ParseSkinItem(const std::u16string& value);

SkinItem ReadSkinItem(XmlDocument& skinDocument, const char16_t* section, const char16_t* item);

// What LoadSkin takes from the document; moving the window and loading the picture are the
// window's part.
struct SkinAreas {
    std::u16string mainPicture;  // MAINSCREENNEW/Main, relative to the picture folder
    Rect exitArea;
    Rect startArea;
    Rect progressArea;
};
SkinAreas ReadSkinAreas(XmlDocument& skinDocument);

}  // namespace kivu::config
