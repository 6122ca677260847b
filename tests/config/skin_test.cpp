#include "updater/config/skin.h"

#include <gtest/gtest.h>

namespace kivu::config {
namespace {

TEST(ParseSkinItem, TableOfValues) {
    struct Case {
        std::u16string value;
        Rect rect;
        std::u16string picture;
    } cases[] = {
        {u"Start,120,300,90,40,start.png,FALSE", {120, 300, 210, 340}, u"start.png"},
        {u"Start,120,300,90,40,start.png", {120, 300, 210, 340}, u"40"},
        {u"Start,120,300,90,40,a.png,b,c,FALSE", {120, 300, 210, 340}, u"a.png,b,c"},
        {u",0,0,640,480,bar.png,x", {0, 0, 640, 480}, u"bar.png"},
        {u"5", {5, 0, 5, 0}, u""},
        {u"", {0, 0, 0, 0}, u""},
        {u"A,left,0,10,10,p.png,B", {0, 0, 0, 0}, u"p.png"},
        {u"A,10, 20,-5,+7,p q.png,B", {10, 20, 5, 27}, u"p q.png"},
        {u"A,10,20 ,5,7,p.png,B", {10, 20, 10, 20}, u"p.png"},  // a blank before a comma stops the reading
        {u"A,7,8,9", {7, 8, 16, 8}, u"8"},
    };
    for (const auto& c : cases) {
        SkinItem item = ParseSkinItem(c.value);
        EXPECT_EQ(item.rect, c.rect) << std::string(c.value.begin(), c.value.end());
        EXPECT_EQ(item.picture, c.picture) << std::string(c.value.begin(), c.value.end());
    }
    SkinItem longName = ParseSkinItem(u"A,1,2,3,4," + std::u16string(1100, u'n') + u",B");
    EXPECT_EQ(longName.picture, std::u16string(1023, u'n'));
}

TEST(ReadSkinAreas, TakesTheThreeAreasAndTheMainPicture) {
    XmlDocument skin;
    skin.SetText(
        u"<SKIN><MAINSCREENNEW><Main>main.png</Main></MAINSCREENNEW>"
        u"<OBJECT><EXIT>Exit,440,8,16,16,exit.png,X</EXIT><BUTTON_START>Start,120,300,90,40,start.png,S</BUTTON_START>"
        u"<PROGRESS>P,20,250,300,12,bar.png,P</PROGRESS></OBJECT></SKIN>");
    ASSERT_TRUE(skin.Parse());
    SkinAreas areas = ReadSkinAreas(skin);
    EXPECT_EQ(areas.mainPicture, u"main.png");
    EXPECT_EQ(areas.exitArea, (Rect{440, 8, 456, 24}));
    EXPECT_EQ(areas.startArea, (Rect{120, 300, 210, 340}));
    EXPECT_EQ(areas.progressArea, (Rect{20, 250, 320, 262}));
    EXPECT_EQ(ReadSkinItem(skin, SkinLayout::kObject, SkinLayout::kButtonPass).picture, u"");
    EXPECT_EQ(SkinLayout::Vocabulary().size(), 19u);
}

}  // namespace
}  // namespace kivu::config
