#include "updater/ota/firmware_image.h"

#include <gtest/gtest.h>

#include "platform/path.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"
#include "updater/ota/checksum.h"

namespace kivu::ota {
namespace {

const std::uint8_t kMagic[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};

std::vector<std::uint8_t> Trailer() {
    std::vector<std::uint8_t> t(32, 0);
    t[1] = 0x2E;
    t[3] = 0x2E;
    std::copy(kMagic, kMagic + 8, t.begin() + 17);
    return t;
}

ImageSource Source(const std::u16string& path, std::uint16_t chunk = 56, std::uint32_t object = 4096) {
    ImageSource source;
    source.path = path;
    source.chunkSize = chunk;
    source.objectSize = object;
    source.reportLength = 65;  // 64 bytes and the report id: room for a 56-byte chunk
    return source;
}

TEST(Checksum, ByteSums) {
    const std::uint8_t abc[] = {0x61, 0x62, 0x63};
    EXPECT_EQ(ByteSum16(abc), 294);
    EXPECT_EQ(ByteSum32(abc), 294u);
    EXPECT_EQ(ByteSum16({}), 0);
    std::vector<std::uint8_t> many(1000, 0xFF);
    EXPECT_EQ(ByteSum32(many), 255000u);
    EXPECT_EQ(ByteSum16(many), static_cast<std::uint16_t>(255000 % 65536));
}

TEST(LoadImage, TrailerRules) {
    test::TempDir dir;
    std::string plain(1000, '\x11');
    std::string withMagic(100, '\x22');
    withMagic.replace(68, 8, std::string(reinterpret_cast<const char*>(kMagic), 8));
    const std::vector<std::uint8_t> trailer = Trailer();
    std::string withOwnTrailer(50, '\x33');
    withOwnTrailer += std::string(trailer.begin(), trailer.end());
    struct Case {
        const char* name;
        std::string bytes;
        std::int32_t length;
        bool appended;
    } cases[] = {
        {"plain.bin", plain, 1032, true},
        {"magic.bin", withMagic, 100, false},
        {"own-trailer.bin", withOwnTrailer, 114, true},  // the magic is at offset 17, not 0
        {"empty.bin", "", 32, true},
    };
    for (const Case& c : cases) {
        dir.Write(c.name, c.bytes);
        FirmwareImage image;
        ASSERT_TRUE(LoadImage(image, Source(dir.Folder() + platform::Utf8ToUtf16(c.name)))) << c.name;
        EXPECT_EQ(image.length, c.length) << c.name;
        EXPECT_TRUE(std::equal(c.bytes.begin(), c.bytes.end(), image.data.begin(),
                               [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }));
        if (c.appended) {
            EXPECT_TRUE(std::equal(trailer.begin(), trailer.end(), image.data.begin() + image.length - 32)) << c.name;
        }
        EXPECT_EQ(image.sum16, ByteSum16({image.data.data(), static_cast<std::size_t>(image.length)})) << c.name;
        EXPECT_EQ(image.data[static_cast<std::size_t>(image.length)], 0) << c.name;
    }
    FirmwareImage plainImage;
    LoadImage(plainImage, Source(dir.Folder() + u"plain.bin"));
    EXPECT_EQ(plainImage.sum16, static_cast<std::uint16_t>(1000 * 0x11 + 2 * 0x2E + 4 * (0x55 + 0xAA)));
}

TEST(LoadImage, ChunkLists) {
    test::TempDir dir;
    dir.Write("big.bin", std::string(10000, '\x01'));
    FirmwareImage image;
    ASSERT_TRUE(LoadImage(image, Source(dir.Folder() + u"big.bin", 56, 4096)));
    ASSERT_GT(image.chunks.size(), 75u);
    for (std::size_t i = 0; i < 73; ++i) EXPECT_EQ(image.chunks[i].length, 56) << i;
    EXPECT_EQ(image.chunks[73].length, 8);
    EXPECT_EQ(image.chunks[74].length, 56);
    std::size_t total = 0;
    for (const FirmwareChunk& chunk : image.chunks) total += chunk.length;
    EXPECT_GE(total, 10032u);
    EXPECT_LT(total - 10032u, 56u);
    // The last chunk is padded with zeros, which leave its sum unchanged.
    const FirmwareChunk& last = image.chunks.back();
    EXPECT_EQ(last.sum16, ByteSum16({last.data.data(), last.length}));
    EXPECT_EQ(last.data[last.length - 1], 0);

    FirmwareImage wide;
    ASSERT_TRUE(LoadImage(wide, Source(dir.Folder() + u"big.bin", 50, 40)));  // chunks larger than objects
    for (const FirmwareChunk& chunk : wide.chunks) EXPECT_EQ(chunk.length, 50);

    dir.Write("empty.bin", "");
    FirmwareImage empty;
    ASSERT_TRUE(LoadImage(empty, Source(dir.Folder() + u"empty.bin", 20, 4096)));
    ASSERT_EQ(empty.chunks.size(), 2u);
    EXPECT_EQ(empty.chunks[1].length, 20);
}

TEST(LoadImage, RefusesWhatCannotBeSentSafely) {
    test::TempDir dir;
    dir.Write("max.bin", std::string(131040, '\x01'));
    dir.Write("over.bin", std::string(131041, '\x01'));
    std::string fullWithMagic(131072, '\x02');
    fullWithMagic.replace(131040, 8, std::string(reinterpret_cast<const char*>(kMagic), 8));
    dir.Write("full-magic.bin", fullWithMagic);
    dir.Write("small.bin", "abc");

    FirmwareImage image;
    std::u16string why;
    EXPECT_TRUE(LoadImage(image, Source(dir.Folder() + u"max.bin"), &why));
    EXPECT_EQ(image.length, 131072);
    EXPECT_TRUE(LoadImage(image, Source(dir.Folder() + u"full-magic.bin"), &why));
    EXPECT_EQ(image.length, 131072);

    struct Case {
        const char16_t* file;
        std::uint16_t chunk;
        std::uint32_t object;
        const char16_t* reason;
    } cases[] = {
        {u"over.bin", 56, 4096, u"Firmware file of 131041 bytes is too large: with its trailer at most 131072 bytes fit"},
        {u"small.bin", 0, 4096, u"Device chunk size 0 or object size 4096 cannot be used with reports of 65 bytes"},
        {u"small.bin", 1025, 4096, u"Device chunk size 1025 or object size 4096 cannot be used with reports of 65 bytes"},
        {u"small.bin", 56, 4096, nullptr},
        {u"small.bin", 56, 0, u"Device chunk size 56 or object size 0 cannot be used with reports of 65 bytes"},
    };
    for (const Case& c : cases) {
        ImageSource source = Source(dir.Folder() + c.file, c.chunk, c.object);
        FirmwareImage before;
        before.length = 7;
        why.clear();
        const bool loaded = LoadImage(before, source, &why);
        EXPECT_EQ(loaded, c.reason == nullptr);
        EXPECT_EQ(why, c.reason == nullptr ? u"" : c.reason);
        if (!loaded) {
            EXPECT_EQ(before.length, 7) << "the image keeps its previous content";
        }
    }
    ImageSource tooWide = Source(dir.Folder() + u"small.bin", 56, 4096);
    tooWide.reportLength = 64;
    tooWide.chunkSize = 55;
    EXPECT_TRUE(LoadImage(image, tooWide));
    tooWide.chunkSize = 56;  // 9 header bytes and 56 data bytes do not fit 64
    EXPECT_FALSE(LoadImage(image, tooWide));

    EXPECT_FALSE(LoadImage(image, Source(dir.Folder() + u"missing.bin")));
    EXPECT_FALSE(LoadImage(image, Source(dir.Folder())));  // a folder
    EXPECT_FALSE(LoadImage(image, Source(u"")));            // the dialog answers as cancelled
}

TEST(LoadImage, BinArgumentRules) {
    EXPECT_EQ(BinArgument(u"-BIN fw.bin"), u"fw.bin");
    EXPECT_EQ(BinArgument(u"x -BIN  spaced name.bin "), u" spaced name.bin ");
    EXPECT_EQ(BinArgument(u"-BIN"), u"");
    EXPECT_EQ(BinArgument(u"firmware.bin"), u"");  // no "-BIN": ignored, not cut at its fifth character
    EXPECT_EQ(BinArgument(u"-bin fw.bin"), u"");

    test::TempDir dir;
    dir.Write("fw.bin", std::string(10, '\x05'));
    dir.Write("given.bin", std::string(20, '\x05'));
    platform::ScopedCurrentDirectory inDir(dir.Folder());
    ASSERT_TRUE(inDir.changed());
    FirmwareImage image;
    ImageSource source = Source(dir.Folder() + u"given.bin");
    source.commandLine = u"-BIN fw.bin";
    ASSERT_TRUE(LoadImage(image, source));
    EXPECT_EQ(image.path, u"fw.bin");
    EXPECT_EQ(image.length, 42);
    source.commandLine = u"fw.bin";
    ASSERT_TRUE(LoadImage(image, source));
    EXPECT_EQ(image.length, 52);
}

}  // namespace
}  // namespace kivu::ota
