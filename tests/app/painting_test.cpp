#include "updater/app/painting.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/text.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_dialog_host.h"

namespace kivu::app {
namespace {

// Pictures made in memory, by file name.
class FakeDecoder final : public PictureDecoder {
public:
    std::unique_ptr<Picture> Decode(const std::u16string& path) override {
        ++decodes;
        const std::string name = platform::Utf16ToUtf8(path.substr(path.rfind(u'/') + 1));
        auto found = pictures.find(name);
        if (found == pictures.end()) return nullptr;
        return std::make_unique<Picture>(found->second);
    }
    static Picture Solid(int w, int h, std::uint32_t argb, bool alpha = false) {
        return Picture{w, h, alpha, std::vector<std::uint32_t>(static_cast<std::size_t>(w * h), argb)};
    }
    std::map<std::string, Picture> pictures;
    int decodes = 0;
};

constexpr std::uint32_t kBack = 0xFF101010, kMouseIcon = 0xFF00A000, kDongleIcon = 0xFF0000A0, kBar = 0xFF404040,
                        kStartColour = 0xFF2080F0, kPassColour = 0xFF20C040, kFailColour = 0xFFD02020;

class PaintingTest : public ::testing::Test {
protected:
    void SetUp() override {
        decoder_.pictures["main.png"] = FakeDecoder::Solid(480, 300, kBack);
        decoder_.pictures["mouse.png"] = FakeDecoder::Solid(10, 10, kMouseIcon);
        decoder_.pictures["dongle.png"] = FakeDecoder::Solid(10, 10, kDongleIcon);
        decoder_.pictures["bar.png"] = FakeDecoder::Solid(300, 12, kBar);
        // The filled bar: each column's colour says which column of the picture it is.
        Picture over{400, 12, false, {}};
        for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 400; ++x) over.pixels.push_back(0xFF000000u | static_cast<std::uint32_t>(x));
        }
        decoder_.pictures["over.png"] = over;
        decoder_.pictures["start.png"] = FakeDecoder::Solid(4, 4, kStartColour);
        decoder_.pictures["pass.png"] = FakeDecoder::Solid(4, 4, kPassColour);
        decoder_.pictures["fail.png"] = FakeDecoder::Solid(4, 4, kFailColour);
        // Quadrants: red, green / blue, and a half-transparent white.
        decoder_.pictures["quad.png"] = Picture{2, 2, true, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x80FFFFFF}};
        dialog_.programFolder = u"/skin/";
        dialog_.skinDocument.SetText(
            u"<S><OBJECT><EXIT>E,440,8,20,20,quad.png,X</EXIT><PROGRESS>P,20,250,300,12,bar.png,P</PROGRESS>"
            u"<PROGRESS_OVER>O,0,0,1,1,over.png,P</PROGRESS_OVER><BUTTON_START>S,120,200,90,40,start.png,S</BUTTON_START>"
            u"<BUTTON_PASS>S,120,200,90,40,pass.png,S</BUTTON_PASS><BUTTON_FAIL>S,120,200,90,40,fail.png,S</BUTTON_FAIL>"
            u"</OBJECT><MOUSE><ICON>I,30,40,120,120,mouse.png,I</ICON></MOUSE>"
            u"<DONGLE><ICON>I,30,40,120,120,dongle.png,I</ICON></DONGLE></S>");
        ASSERT_TRUE(dialog_.skinDocument.Parse());
        dialog_.progressArea = {20, 250, 320, 262};
        background_ = LoadSkinBitmap(decoder_, u"/skin/Image/main.png", nullptr, nullptr);
    }
    void Paint() { PaintFace(canvas_, cache_, background_.get(), dialog_); }

    FakeDecoder decoder_;
    PictureCache cache_{decoder_};
    SoftwareCanvas canvas_{480, 300};
    test::TestDialogHost host_;
    ota::UpdateEngine engine_{{u"Test\\paint-p", u"Test\\paint-f"}};
    CCustomMainDlg dialog_{host_, engine_, u"/skin/"};
    std::unique_ptr<Picture> background_;
};

TEST_F(PaintingTest, ProgressBarAtZeroThirtySevenAndHundred) {
    EXPECT_EQ(FilledRight({20, 0, 320, 0}, 37), 131);
    struct Case {
        int percent;
        int filledRight;
    } cases[] = {{0, 20}, {37, 131}, {100, 320}};
    for (const Case& c : cases) {
        dialog_.shownPercent = c.percent;
        Paint();
        EXPECT_EQ(canvas_.At(19, 255), kBack) << c.percent;
        if (c.filledRight > 20) {
            // The over picture's own columns, unscaled: column k at x = 20 + k.
            EXPECT_EQ(canvas_.At(20, 255), 0xFF000000u) << c.percent;
            EXPECT_EQ(canvas_.At(c.filledRight - 1, 255), 0xFF000000u | static_cast<std::uint32_t>(c.filledRight - 21));
        } else {
            EXPECT_EQ(canvas_.At(20, 255), kBar);
        }
        if (c.filledRight < 320) {
            EXPECT_EQ(canvas_.At(c.filledRight, 255), kBar) << c.percent;
        }
    }
    dialog_.shownPercent = 101;  // reduced modulo 101 before the bar is drawn
    Paint();
    EXPECT_EQ(dialog_.shownPercent, 0);
    EXPECT_EQ(canvas_.At(20, 255), kBar);
}

TEST_F(PaintingTest, ItemsAreScaledAndBlended) {
    Paint();
    // The 2x2 exit picture scaled into 20x20 at (440, 8): quadrants of 10x10.
    EXPECT_EQ(canvas_.At(440, 8), 0xFFFF0000u);
    EXPECT_EQ(canvas_.At(459, 8), 0xFF00FF00u);
    EXPECT_EQ(canvas_.At(440, 27), 0xFF0000FFu);
    // Half-transparent white over the dark background.
    const std::uint32_t blended = canvas_.At(459, 27);
    EXPECT_EQ(blended, 0xFF000000u | 0x888888u) << std::hex << blended;
    EXPECT_EQ(canvas_.At(460, 8), kBack);
    // The mouse icon, 10x10 scaled to 120x120.
    EXPECT_EQ(canvas_.At(30, 40), kMouseIcon);
    EXPECT_EQ(canvas_.At(149, 159), kMouseIcon);
    EXPECT_EQ(canvas_.At(150, 159), kBack);
}

TEST_F(PaintingTest, StartPassFailAndTheDevicePictures) {
    struct Case {
        std::int32_t state;
        std::uint32_t colour;
        bool enables;
    } cases[] = {{Idle, kStartColour, false}, {Pressed, kStartColour, false}, {Passed, kPassColour, true}, {Failed, kFailColour, true}};
    for (const Case& c : cases) {
        dialog_.buttonState = c.state;
        dialog_.startEnabled = false;
        Paint();
        EXPECT_EQ(canvas_.At(150, 220), c.colour) << c.state;
        EXPECT_EQ(dialog_.startEnabled, c.enables) << c.state;
    }
    dialog_.settings.DEVICE = 1;
    Paint();
    EXPECT_EQ(canvas_.At(60, 60), kDongleIcon);
    dialog_.settings.DEVICE = 2;
    Paint();
    EXPECT_EQ(canvas_.At(60, 60), kDongleIcon);
}

TEST_F(PaintingTest, TransparentPartsOfTheMainPictureShowBlack) {
    Picture main = FakeDecoder::Solid(480, 300, 0xFF336699, true);
    main.pixels[0] = 0x00FFFFFF;     // a fully transparent corner
    main.pixels[1] = 0x80FF8000;     // half transparent
    decoder_.pictures["main.png"] = main;
    int width = 0, height = 0;
    background_ = LoadSkinBitmap(decoder_, u"/skin/Image/main.png", &width, &height);
    EXPECT_EQ(width, 480);
    EXPECT_EQ(height, 300);
    Paint();
    EXPECT_EQ(canvas_.At(0, 0), 0xFF000000u);
    EXPECT_EQ(canvas_.At(1, 0), 0xFF804000u);
    EXPECT_EQ(canvas_.At(2, 0), 0xFF336699u);
    EXPECT_EQ(LoadSkinBitmap(decoder_, u"/skin/Image/missing.png", &width, &height), nullptr);
    EXPECT_EQ(width, 0);
}

TEST_F(PaintingTest, PicturesAreDecodedOnceForTheWindowsLife) {
    for (int i = 0; i < 25; ++i) Paint();
    EXPECT_EQ(cache_.decodes(), 5u);  // mouse icon, exit, bar, over, start; items without a value load nothing
}

}  // namespace
}  // namespace kivu::app
