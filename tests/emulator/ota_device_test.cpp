#include "emulator/hid/ota_device.h"

#include <gtest/gtest.h>

#include <functional>
#include <numeric>

#include "tests/support/temp_dir.h"

namespace kivu::emulator {
namespace {

constexpr std::size_t kLength = 64;

// Builds requests as the protocol lays them out, independently of the updater's code.
class Host {
public:
    explicit Host(OtaDevice& device) : device_(device) {}

    std::vector<std::uint8_t> Build(std::uint8_t command, std::uint8_t b8, std::uint8_t b9,
                                    std::vector<std::uint8_t> params = {}, bool createObject = false) {
        std::vector<std::uint8_t> r(kLength, 0);
        r[0] = 3;
        r[2] = 0x65;
        r[3] = 0x3A;
        r[4] = static_cast<std::uint8_t>(transfer);
        r[6] = command;
        r[7] = static_cast<std::uint8_t>(createObject ? transfer : running);
        r[8] = b8;
        r[9] = b9;
        std::copy(params.begin(), params.end(), r.begin() + 10);
        Seal(r);
        return r;
    }
    static void Seal(std::vector<std::uint8_t>& r) {
        r[1] = 0;
        r[1] = static_cast<std::uint8_t>(std::accumulate(r.begin() + 2, r.end(), 0u));
    }
    // Sends and reads back; returns the reply's status, or -1 when no reply could be read.
    int Exchange(const std::vector<std::uint8_t>& request, std::vector<std::uint8_t>* replyOut = nullptr) {
        EXPECT_TRUE(device_.SetFeature(request.data(), request.size()));
        std::vector<std::uint8_t> reply(kLength, 0);
        reply[0] = 3;
        if (!device_.GetFeature(reply.data(), reply.size())) return -1;
        if (replyOut != nullptr) *replyOut = reply;
        EXPECT_EQ(reply[1], 0x65);
        if (reply[2] == 0 && reply[4] == request[4]) Advance();
        return reply[2];
    }
    void Advance() {
        ++transfer;
        ++running;
    }
    static std::vector<std::uint8_t> Le32(std::uint32_t v) {
        return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
                static_cast<std::uint8_t>(v >> 24)};
    }

    int transfer = 0;
    int running = 0;

private:
    OtaDevice& device_;
};

std::vector<std::uint8_t> Content(Host& host, const std::vector<std::uint8_t>& chunk) {
    std::vector<std::uint8_t> r = host.Build(0x40, static_cast<std::uint8_t>(chunk.size()), 0);
    std::copy(chunk.begin(), chunk.end(), r.begin() + 9);
    Host::Seal(r);
    return r;
}

OtaConfig SmallDevice() {
    OtaConfig config;
    config.objectSize = 64;
    config.chunkSize = 40;
    config.packetsPerCheck = 4;
    return config;
}

// The handshake and a transfer of a 100-byte image in chunks of 40, 24 (closing the first
// object), 36 (+4 padding).
void RunGoodTransfer(OtaDevice& device, Host& host, const std::vector<std::uint8_t>& image) {
    std::vector<std::uint8_t> reply;
    ASSERT_EQ(host.Exchange(host.Build(0x27, 0x06, 0x27, Host::Le32(0))), 0);
    ASSERT_EQ(host.Exchange(host.Build(0x42, 0x02, 0x42), &reply), 0);
    EXPECT_EQ(reply[15] | reply[16] << 8, 64);
    EXPECT_EQ(reply[19], 40);
    EXPECT_EQ(reply[21], 4);
    ASSERT_EQ(host.Exchange(host.Build(0x23, 0x02, 0x23), &reply), 0);
    EXPECT_EQ(std::string(reply.begin() + 10, reply.begin() + 15), "V0102");
    EXPECT_EQ(reply[15] | reply[16] << 8, 258);

    host.transfer = 1;
    ASSERT_EQ(host.Exchange(host.Build(0x27, 0x06, 0x27, Host::Le32(100))), 0);
    ASSERT_EQ(host.Exchange(host.Build(0x42, 0x02, 0x42)), 0);
    ASSERT_EQ(host.Exchange(host.Build(0x25, 0x09, 0x25, {0, 0, 0, 0, 64, 0, 0, 0}, true)), 0);
    std::uint16_t sum = 0;
    std::size_t offset = 0;
    for (std::size_t length : {40u, 24u, 40u}) {
        std::vector<std::uint8_t> chunk(length, 0);
        for (std::size_t k = 0; k < length && offset + k < image.size(); ++k) chunk[k] = image[offset + k];
        for (std::uint8_t b : chunk) sum = static_cast<std::uint16_t>(sum + b);
        std::vector<std::uint8_t> content = Content(host, chunk);
        ASSERT_TRUE(device.SetFeature(content.data(), content.size()));
        host.Advance();
        offset += length;
        if (offset == 64) {
            ASSERT_EQ(host.Exchange(host.Build(0x41, 0x03, 0x41, {static_cast<std::uint8_t>(sum), static_cast<std::uint8_t>(sum >> 8)})), 0);
            ASSERT_EQ(host.Exchange(host.Build(0x25, 0x09, 0x25, {64, 0, 0, 0, 64, 0, 0, 0}, true)), 0);
        }
    }
    ASSERT_EQ(host.Exchange(host.Build(0x41, 0x03, 0x41, {static_cast<std::uint8_t>(sum), static_cast<std::uint8_t>(sum >> 8)})), 0);
    std::vector<std::uint8_t> upgrade = Host::Le32(100);
    upgrade.push_back(static_cast<std::uint8_t>(sum));
    upgrade.push_back(static_cast<std::uint8_t>(sum >> 8));
    for (char c : std::string("-GUI-")) upgrade.push_back(static_cast<std::uint8_t>(c));
    ASSERT_EQ(host.Exchange(host.Build(0x18, 0x0C, 0x18, upgrade)), 0);
    ASSERT_EQ(host.Exchange(host.Build(0x22, 0x02, 0x22)), 0);
}

std::vector<std::uint8_t> Image() {
    std::vector<std::uint8_t> image(100);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7 + 1);
    return image;
}

TEST(OtaDevice, AcceptsACorrectExchangeAndKeepsTheImage) {
    test::TempDir dir;
    OtaConfig config = SmallDevice();
    config.receivedImagePath = (dir.path() / "received.bin").string();
    OtaDevice device(config, kLength);
    Host host(device);
    RunGoodTransfer(device, host, Image());
    EXPECT_EQ(device.violations(), 0) << (device.violationLog().empty() ? "" : device.violationLog()[0]);
    EXPECT_TRUE(device.upgraded());
    EXPECT_EQ(device.resets(), 1);
    const std::vector<std::uint8_t> image = Image();
    EXPECT_EQ(test::ReadFileBytes(dir.path() / "received.bin"), std::string(image.begin(), image.end()));
}

TEST(OtaDevice, RejectsEachKindOfBadRequest) {
    struct Case {
        const char* label;
        std::function<std::vector<std::uint8_t>(Host&)> request;
    } cases[] = {
        {"wrong checksum", [](Host& h) { auto r = h.Build(0x42, 0x02, 0x42); r[1] ^= 1; return r; }},
        {"wrong report id", [](Host& h) { auto r = h.Build(0x42, 0x02, 0x42); r[0] = 2; return r; }},
        {"wrong byte 3", [](Host& h) { auto r = h.Build(0x42, 0x02, 0x42); r[3] = 0x3B; Host::Seal(r); return r; }},
        {"wrong bytes 8 and 9", [](Host& h) { return h.Build(0x42, 0x03, 0x42); }},
        {"skipped sequence", [](Host& h) { ++h.transfer; ++h.running; return h.Build(0x42, 0x02, 0x42); }},
        {"byte 7 off", [](Host& h) { ++h.running; return h.Build(0x42, 0x02, 0x42); }},
        {"unknown command", [](Host& h) { return h.Build(0x55, 0x02, 0x55); }},
        {"object before a transfer", [](Host& h) { return h.Build(0x25, 0x09, 0x25, {0, 0, 0, 0, 64, 0, 0, 0}, true); }},
        {"check before a transfer", [](Host& h) { return h.Build(0x41, 0x03, 0x41, {0, 0}); }},
        {"reset before an upgrade", [](Host& h) { return h.Build(0x22, 0x02, 0x22); }},
    };
    for (const Case& c : cases) {
        OtaDevice device(SmallDevice(), kLength);
        Host host(device);
        ASSERT_EQ(host.Exchange(host.Build(0x27, 0x06, 0x27, Host::Le32(0))), 0) << c.label;
        std::vector<std::uint8_t> reply;
        EXPECT_NE(host.Exchange(c.request(host), &reply), 0) << c.label;
        EXPECT_EQ(device.violations(), 1) << c.label;
    }
}

TEST(OtaDevice, RejectsBadTransferContent) {
    OtaDevice device(SmallDevice(), kLength);
    Host host(device);
    host.transfer = 1;
    ASSERT_EQ(host.Exchange(host.Build(0x27, 0x06, 0x27, Host::Le32(100))), 0);
    ASSERT_EQ(host.Exchange(host.Build(0x42, 0x02, 0x42)), 0);
    // An object that does not start where the content stands.
    EXPECT_NE(host.Exchange(host.Build(0x25, 0x09, 0x25, {64, 0, 0, 0, 64, 0, 0, 0}, true)), 0);
    ASSERT_EQ(host.Exchange(host.Build(0x25, 0x09, 0x25, {0, 0, 0, 0, 64, 0, 0, 0}, true)), 0);
    // A chunk longer than the device's chunk size.
    std::vector<std::uint8_t> tooLong = Content(host, std::vector<std::uint8_t>(41, 1));
    device.SetFeature(tooLong.data(), tooLong.size());
    // A wrong running sum.
    EXPECT_NE(host.Exchange(host.Build(0x41, 0x03, 0x41, {9, 0})), 0);
    // An upgrade with the wrong length.
    EXPECT_NE(host.Exchange(host.Build(0x18, 0x0C, 0x18, Host::Le32(99))), 0);
    EXPECT_EQ(device.violations(), 4);
    EXPECT_FALSE(device.upgraded());
}

TEST(OtaDevice, FaultsApplyToTheFirstMatchingRequests) {
    OtaConfig config = SmallDevice();
    config.faults = {{OtaFault::Kind::kDropReply, 0x42, 1, 2, 0},
                     {OtaFault::Kind::kStatus, 0x23, 7, 1, 0},
                     {OtaFault::Kind::kStaleEcho, 0x27, 1, 1, 0}};
    OtaDevice device(config, kLength);
    Host host(device);
    std::vector<std::uint8_t> write = host.Build(0x27, 0x06, 0x27, Host::Le32(0));
    std::vector<std::uint8_t> reply;
    host.Exchange(write, &reply);
    EXPECT_EQ(reply[4], static_cast<std::uint8_t>(write[4] + 1)) << "stale echo";
    EXPECT_EQ(host.Exchange(write), 0) << "the resent request is answered properly";

    std::vector<std::uint8_t> init = host.Build(0x42, 0x02, 0x42);
    EXPECT_EQ(host.Exchange(init), -1);
    EXPECT_EQ(host.Exchange(init), -1);
    EXPECT_EQ(host.Exchange(init), 0);

    std::vector<std::uint8_t> info = host.Build(0x23, 0x02, 0x23);
    EXPECT_EQ(host.Exchange(info), 7);
    EXPECT_EQ(host.Exchange(info), 0);
    EXPECT_EQ(device.violations(), 0);
}

TEST(OtaDevice, UnplugAfterContentPackets) {
    OtaConfig config = SmallDevice();
    config.faults = {{OtaFault::Kind::kUnplugAfterContent, -1, 1, 1, 1}};
    OtaDevice device(config, kLength);
    Host host(device);
    host.transfer = 1;
    ASSERT_EQ(host.Exchange(host.Build(0x27, 0x06, 0x27, Host::Le32(100))), 0);
    ASSERT_EQ(host.Exchange(host.Build(0x42, 0x02, 0x42)), 0);
    ASSERT_EQ(host.Exchange(host.Build(0x25, 0x09, 0x25, {0, 0, 0, 0, 64, 0, 0, 0}, true)), 0);
    std::vector<std::uint8_t> content = Content(host, std::vector<std::uint8_t>(40, 1));
    EXPECT_TRUE(device.SetFeature(content.data(), content.size()));
    EXPECT_TRUE(device.unplugged());
    std::vector<std::uint8_t> check = host.Build(0x41, 0x03, 0x41, {40, 0});
    EXPECT_FALSE(device.SetFeature(check.data(), check.size()));
    EXPECT_FALSE(device.GetFeature(check.data(), check.size()));
}

}  // namespace
}  // namespace kivu::emulator
