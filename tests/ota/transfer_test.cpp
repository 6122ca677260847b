#include "updater/ota/transfer.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <thread>

#include "emulator/hid/emulated_bus.h"
#include "platform/named_event.h"
#include "platform/text.h"
#include "tests/support/log_reader.h"
#include "tests/support/temp_dir.h"
#include "updater/log/log.h"
#include "updater/ota/protocol.h"
#include "updater/ota/update_engine.h"

namespace kivu::ota {
namespace {

using std::chrono::milliseconds;
using Lines = std::vector<std::string>;

std::u16string UniqueName(const char* what) {
    return platform::Utf8ToUtf16(std::string("Test\\") + what + "-" + std::to_string(std::random_device{}()));
}

// The engine against one emulated mouse, with the recording pacer and the log in a folder.
class TransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        LogTarget.folder = dir_.Folder();
        LogTarget.name = u"Log";
    }
    void TearDown() override {
        engine_.reset();
        platform::SetHidBus(nullptr);
        LogTarget = {};
    }

    void MakeDevice(std::vector<emulator::OtaFault> faults = {}) {
        emulator::EmulatedDeviceConfig device;
        device.vendorId = 0x093A;
        device.productId = 0x822A;
        device.featureLength = 65;
        emulator::OtaConfig ota;
        ota.objectSize = 64;
        ota.chunkSize = 40;
        ota.packetsPerCheck = 4;
        ota.receivedImagePath = (dir_.path() / "received.bin").string();
        ota.faults = std::move(faults);
        device.ota = ota;
        device.tracePath = (dir_.path() / "trace.txt").string();
        bus_ = std::make_unique<emulator::EmulatedBus>(std::vector{device});
        platform::SetHidBus(bus_.get());
        EngineOptions names{UniqueName("progress"), UniqueName("finish")};
        finishName_ = names.finishEventName;
        engine_ = std::make_unique<UpdateEngine>(names);
        engine_->set_pacer(&pacer_);
        engine_->vendorId = 0x093A;
        engine_->productId = 0x822A;
        engine_->callerTag = "-GUI-";
        engine_->upgradeTag = "-GUI-";
        engine_->onProgress = [this](std::int32_t p) { progress_.push_back(p); };
    }

    // Connects and loads an image made of `fileBytes` bytes.
    void ConnectAndLoad(std::size_t fileBytes = 68) {
        ASSERT_TRUE(engine_->Connect());
        std::string file(fileBytes, '\0');
        for (std::size_t i = 0; i < fileBytes; ++i) file[i] = static_cast<char>(i * 13 + 7);
        dir_.Write("fw.bin", file);
        ASSERT_TRUE(engine_->LoadImage(dir_.Folder() + u"fw.bin"));
        pacer_.Clear();
        progress_.clear();
        logStart_ = test::LogLines(dir_.path()).size();
    }

    Lines TransferLog() const {
        Lines all = test::LogLines(dir_.path());
        return Lines(all.begin() + static_cast<std::ptrdiff_t>(logStart_), all.end());
    }

    std::vector<long long> Pauses() const {
        std::vector<long long> out;
        for (milliseconds p : pacer_.Pauses()) out.push_back(p.count());
        return out;
    }

    test::TempDir dir_;
    platform::RecordingPacer pacer_;
    std::unique_ptr<emulator::EmulatedBus> bus_;
    std::unique_ptr<UpdateEngine> engine_;
    std::vector<std::int32_t> progress_;
    std::size_t logStart_ = 0;
    std::u16string finishName_;
};

TEST_F(TransferTest, HandshakeLinesAndSequenceCounters) {
    MakeDevice();
    ASSERT_TRUE(engine_->Connect());
    EXPECT_EQ(test::LogLines(dir_.path()),
              (Lines{"CMD_FW_WRITE(0x27)Times....:1", "CMD_FW_INIT_NEW_CHECK(0x42)Times....:1",
                     "CMD_FW_GET_INFO(0x23)Times....:1"}));
    EXPECT_EQ(engine_->transferSequence, 3);
    EXPECT_EQ(engine_->runningSequence, 3);
    EXPECT_EQ(engine_->objectSize, 64u);
    EXPECT_EQ(engine_->chunkSize, 40);
    EXPECT_EQ(engine_->packetsPerCheck, 4);
    EXPECT_EQ(engine_->deviceInfoText, "V0102");
    EXPECT_EQ(engine_->deviceInfoNumber, 258);
    EXPECT_EQ(Pauses(), (std::vector<long long>{100, 10, 100, 10, 100, 10, 100}));

    std::string text;
    std::uint16_t number = 0;
    ASSERT_TRUE(OpenAndIdentify(*engine_, text, number));
    EXPECT_EQ(engine_->transferSequence, 6);
    EXPECT_EQ(engine_->runningSequence, 6);
}

TEST_F(TransferTest, ExactScheduleOfASmallTransfer) {
    MakeDevice();
    ConnectAndLoad(68);  // 100 bytes with the trailer: chunks of 40, 24 (closing the object), 40
    ASSERT_EQ(engine_->image.chunks.size(), 3u);
    ASSERT_TRUE(TransferImage(*engine_));
    EXPECT_EQ(progress_, (std::vector<std::int32_t>{0, 10, 20, 30, 30, 46, 63, 80, 85, 90, 100}));
    EXPECT_EQ(Pauses(), (std::vector<long long>{50, 100, 10, 50, 100, 10, 50, 30, 10, 50,  // size, check, object
                                                10,                                        // chunk 0
                                                50, 30, 10, 50, 30, 10, 50, 10,            // chunk 1 closes the object
                                                10,                                        // chunk 2
                                                50, 30, 10, 50, 100, 10, 50,               // check, upgrade
                                                50, 1, 1, 50}));                           // reset
    EXPECT_EQ(TransferLog(), (Lines{"CMD_FW_WRITE(0x27)Times....:1", "CMD_FW_INIT_NEW_CHECK(0x42)Times....:1",
                                    "CMD_FW_UPGRADE(0x18)Times....:1", "MCU_RESET(0x22)Times....:1"}));
    EXPECT_EQ(bus_->ota(0)->violations(), 0);
    EXPECT_EQ(bus_->ota(0)->resets(), 1);
    EXPECT_EQ(engine_->retryLimit, 1000);
    const std::string received = test::ReadFileBytes(dir_.path() / "received.bin");
    EXPECT_EQ(received, std::string(engine_->image.data.begin(), engine_->image.data.begin() + 100));

    // The DEVICE 1 pause goes after every content packet.
    engine_->contentPause = 40;
    pacer_.Clear();
    ASSERT_TRUE(TransferImage(*engine_));
    const std::vector<milliseconds> pauses = pacer_.Pauses();
    EXPECT_EQ(std::count(pauses.begin(), pauses.end(), milliseconds(40)), 3);
}

TEST_F(TransferTest, SequenceBytesOfATransferAfterTwoHandshakes) {
    MakeDevice();
    ConnectAndLoad();
    std::string text;
    std::uint16_t number = 0;
    ASSERT_TRUE(OpenAndIdentify(*engine_, text, number));
    ASSERT_TRUE(TransferImage(*engine_));
    // The trace: the seventh SET is the transfer's CMD_FW_WRITE, with byte 4 = 1 and byte 7 = 6.
    std::istringstream trace(test::ReadFileBytes(dir_.path() / "trace.txt"));
    std::string line;
    int sets = 0;
    while (std::getline(trace, line)) {
        if (line.find(" SET ") == std::string::npos || ++sets < 7) continue;
        std::istringstream fields(line.substr(line.find(" SET ") + 5));
        std::vector<int> bytes;
        std::string hex;
        while (fields >> hex) bytes.push_back(std::stoi(hex, nullptr, 16));
        ASSERT_GE(bytes.size(), 10u);
        EXPECT_EQ(bytes[6], 0x27);
        EXPECT_EQ(bytes[4], 1);
        EXPECT_EQ(bytes[7], 6);
        break;
    }
    EXPECT_EQ(sets, 7);
}

struct FailureCase {
    const char* label;
    emulator::OtaFault fault;
    Lines tail;          // the last lines of the transfer's log
    std::int32_t lastPercent;
};

TEST_F(TransferTest, EachFailingStepEndsWithItsLine) {
    using K = emulator::OtaFault::Kind;
    const FailureCase cases[] = {
        {"size", {K::kStatus, 0x27, 1, 1000, 0, 1},
         {"CMD_FW_WRITE(0x27)Times....:2", "CMD_FW_WRITE(0x27)Times....:3", "CMD_FW_WRITE(0x27)....:Failed"}, 0},
        {"new check", {K::kStatus, 0x42, 1, 1000, 0, 1},
         {"CMD_FW_INIT_NEW_CHECK(0x42)Times....:3", "CMD_FW_INIT_NEW_CHECK(0x42)....:Failed"}, 10},
        {"first object", {K::kStatus, 0x25, 1, 1000, 0, 0},
         {"CMD_FW_INIT_NEW_CHECK(0x42)Times....:1", "CMD_FW_OBJECT_CREATE(0x25)....:Failed"}, 20},
        {"second object", {K::kStatus, 0x25, 1, 1000, 0, 1},
         {"CMD_FW_INIT_NEW_CHECK(0x42)Times....:1", "CMD_FW_OBJECT_CREATE(0x25)....:Failed"}, 30},
        {"check in the loop", {K::kStatus, 0x41, 1, 1000, 0, 0},
         {"CMD_FW_CRC_CHECK(0x41)Failed,Times....:1", "CMD_FW_CRC_CHECK(0x41)Failed,Times....:2",
          "CMD_FW_CRC_CHECK(0x41)Failed,Times....:3", "CMD_FW_CRC_CHECK(0x41)....:Failed"}, 30},
        {"final check", {K::kStatus, 0x41, 1, 1000, 0, 1},
         {"CMD_FW_CRC_CHECK(0x41)Failed,Times....:3", "CMD_FW_CRC_CHECK(0x41)....:Failed"}, 80},
        {"upgrade", {K::kStatus, 0x18, 1, 1000, 0, 0},
         {"CMD_FW_UPGRADE(0x18)Times....:3", "CMD_FW_UPGRADE_(0x18)....:Failed"}, 85},
        {"reset never answered", {K::kDropReply, 0x22, 1, 1000, 0, 0},
         {"MCU_RESET(0x22)Times....:9", "MCU_RESET(0x22)Times....:10"}, 90},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.label);
        TearDown();
        SetUp();
        MakeDevice({c.fault});
        ConnectAndLoad();
        engine_->retryLimit = 3;
        EXPECT_FALSE(TransferImage(*engine_));
        const Lines log = TransferLog();
        ASSERT_GE(log.size(), c.tail.size());
        EXPECT_EQ(Lines(log.end() - static_cast<std::ptrdiff_t>(c.tail.size()), log.end()), c.tail);
        EXPECT_EQ(progress_.back(), c.lastPercent);
        EXPECT_EQ(bus_->ota(0)->violations(), 0);
    }
    // The reset loop made ten attempts of its own and put the retry limit back.
    const Lines log = TransferLog();
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& l) { return l.rfind("MCU_RESET(0x22)Times", 0) == 0; }),
              10);
    EXPECT_EQ(engine_->retryLimit, 1000);
}

TEST_F(TransferTest, RetriedFaultsStillPassWithTheImageByteForByte) {
    using K = emulator::OtaFault::Kind;
    MakeDevice({{K::kDropReply, 0x42, 1, 3, 0, 0}, {K::kStaleEcho, 0x27, 1, 2, 0, 0}, {K::kStatus, 0x41, 9, 1, 0, 0}});
    ASSERT_TRUE(engine_->Connect());
    const Lines handshake = test::LogLines(dir_.path());
    EXPECT_EQ(std::count(handshake.begin(), handshake.end(), "CMD_FW_WRITE(0x27)Times....:3"), 1);
    EXPECT_EQ(std::count(handshake.begin(), handshake.end(), "CMD_FW_INIT_NEW_CHECK(0x42)Times....:4"), 1);
    dir_.Write("fw.bin", std::string(1000, '\x5A'));
    ASSERT_TRUE(engine_->LoadImage(dir_.Folder() + u"fw.bin"));
    ASSERT_TRUE(TransferImage(*engine_));
    EXPECT_EQ(bus_->ota(0)->violations(), 0);
    EXPECT_EQ(test::ReadFileBytes(dir_.path() / "received.bin"),
              std::string(engine_->image.data.begin(), engine_->image.data.begin() + engine_->image.length));
    EXPECT_EQ(engine_->image.length, 1032);
}

TEST_F(TransferTest, UnplugMidTransferFailsWithoutHanging) {
    MakeDevice({{emulator::OtaFault::Kind::kUnplugAfterContent, -1, 1, 1, 2, 0}});
    ConnectAndLoad(1000);
    EXPECT_FALSE(TransferImage(*engine_));
    EXPECT_EQ(TransferLog().back(), "CMD_FW_CRC_CHECK(0x41)....:Failed");
    EXPECT_TRUE(bus_->ota(0)->unplugged());
}

TEST_F(TransferTest, AReportTooShortForTheProtocolIsRefused) {
    emulator::EmulatedDeviceConfig device;
    device.vendorId = 0x093A;
    device.productId = 0x822A;
    device.featureLength = 16;
    device.ota = emulator::OtaConfig{};
    bus_ = std::make_unique<emulator::EmulatedBus>(std::vector{device});
    platform::SetHidBus(bus_.get());
    engine_ = std::make_unique<UpdateEngine>(EngineOptions{UniqueName("progress"), UniqueName("finish")});
    engine_->set_pacer(&pacer_);
    engine_->vendorId = 0x093A;
    engine_->productId = 0x822A;
    EXPECT_FALSE(engine_->Connect());
    EXPECT_EQ(test::LogLines(dir_.path()), (Lines{"Feature report length 16 cannot carry the OTA protocol"}));
}

TEST_F(TransferTest, WorkersReportToTheChannelsAndPulseFinishOnce) {
    MakeDevice({{emulator::OtaFault::Kind::kStatus, 0x18, 1, 1000, 0, 0}});
    MemoryProgressChannel progress;
    MemoryResultChannel result;
    engine_->progressControl = &progress;
    engine_->resultControl = &result;
    ConnectAndLoad();
    engine_->retryLimit = 2;

    std::unique_ptr<platform::NamedEvent> finish = platform::CreateNamedEvent(finishName_);
    ASSERT_NE(finish, nullptr);
    std::atomic<int> released{0};
    std::thread waiter([&] {
        while (released < 2 && finish->Wait(milliseconds(5000))) ++released;
    });
    for (int i = 0; i < 3000 && finish->Waiters() == 0; ++i) std::this_thread::sleep_for(milliseconds(1));

    result.SetText(u"");
    ASSERT_TRUE(engine_->StartWorkers());
    engine_->JoinOtaWorker();
    EXPECT_EQ(result.Text(), u"FAIL");

    // A second start after FAIL ends the waiting relay and runs again; the upgrade passes now.
    engine_->retryLimit = 1000;
    result.SetText(u"");
    ASSERT_TRUE(engine_->StartWorkers());
    engine_->JoinOtaWorker();
    EXPECT_EQ(result.Text(), u"PASS");
    for (int i = 0; i < 3000 && progress.Position() != 100; ++i) std::this_thread::sleep_for(milliseconds(1));
    EXPECT_EQ(progress.Position(), 100);
    engine_->StopWorkers();
    waiter.join();
    EXPECT_EQ(released.load(), 2);
}

}  // namespace
}  // namespace kivu::ota
