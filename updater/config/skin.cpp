#include "updater/config/skin.h"

#include "updater/config/wide_number.h"

namespace kivu::config {

namespace SkinLayout {
std::span<const Entry> Vocabulary() {
    static const Entry entries[] = {
        {kMainScreen, kMain},     {kObject, kExit},        {kObject, kButtonStart}, {kObject, kProgress},
        {kObject, kProgressOver}, {kObject, kButtonPass},  {kObject, kButtonFail},  {kMouse, kIcon},
        {kMouse, kTexts[0]},      {kMouse, kTexts[1]},     {kMouse, kTexts[2]},     {kMouse, kTexts[3]},
        {kMouse, kTexts[4]},      {kDongle, kIcon},        {kDongle, kTexts[0]},    {kDongle, kTexts[1]},
        {kDongle, kTexts[2]},     {kDongle, kTexts[3]},    {kDongle, kTexts[4]},
    };
    return entries;
}
}  // namespace SkinLayout

namespace {

// One "%d" of swscanf: blanks, an optional sign and at least one decimal digit.
bool ScanDecimal(const char16_t*& p, std::int32_t& value) {
    const char16_t* end = nullptr;
    std::int32_t number = ParseWideLong(p, 10, &end);
    if (end == p) return false;
    value = number;
    p = end;
    return true;
}

}  // namespace

SkinItem ParseSkinItem(const std::u16string& value) {
    SkinItem item;
    const std::size_t firstComma = value.find(u',');
    const std::u16string rest = firstComma == std::u16string::npos ? value : value.substr(firstComma + 1);

    std::int32_t fields[4] = {0, 0, 0, 0};
    const char16_t* p = rest.c_str();
    for (int k = 0; k < 4; ++k) {
        if (k > 0) {
            if (*p != u',') break;
            ++p;
        }
        if (!ScanDecimal(p, fields[k])) break;
    }
    // The sums wrap as 32-bit integers do rather than overflow.
    auto add = [](std::int32_t a, std::int32_t b) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
    };
    item.rect = {fields[0], fields[1], add(fields[0], fields[2]), add(fields[1], fields[3])};

    const std::size_t lastComma = rest.rfind(u',');
    std::u16string picture = lastComma == std::u16string::npos ? std::u16string() : rest.substr(0, lastComma);
    for (int k = 0; k < 4; ++k) {
        const std::size_t comma = picture.find(u',');
        if (comma == std::u16string::npos) break;
        picture.erase(0, comma + 1);
    }
    if (picture.size() > kMaxPictureName) picture.resize(kMaxPictureName);
    item.picture = std::move(picture);
    return item;
}

SkinItem ReadSkinItem(XmlDocument& skinDocument, const char16_t* section, const char16_t* item) {
    return ParseSkinItem(skinDocument.LookupValue(section, item));
}

SkinAreas ReadSkinAreas(XmlDocument& skinDocument) {
    SkinAreas areas;
    areas.mainPicture = skinDocument.LookupValue(SkinLayout::kMainScreen, SkinLayout::kMain);
    areas.exitArea = ReadSkinItem(skinDocument, SkinLayout::kObject, SkinLayout::kExit).rect;
    areas.startArea = ReadSkinItem(skinDocument, SkinLayout::kObject, SkinLayout::kButtonStart).rect;
    areas.progressArea = ReadSkinItem(skinDocument, SkinLayout::kObject, SkinLayout::kProgress).rect;
    return areas;
}

}  // namespace kivu::config
