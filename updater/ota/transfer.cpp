#include "updater/ota/transfer.h"

#include <chrono>

#include "platform/text.h"
#include "updater/hid/hid_device.h"
#include "updater/log/log.h"
#include "updater/ota/protocol.h"
#include "updater/ota/report_layout.h"

namespace kivu::ota {

namespace {

using std::chrono::milliseconds;

bool Fail(const char16_t* line) {
    WriteLog(line);
    return false;
}

// The content request of one chunk; no reply is read for it.
void SendContent(UpdateEngine& engine, const FirmwareChunk& chunk) {
    const std::size_t length = engine.link.selectedReportLength;
    Report r = MakeRequest(length, kCmdContent, engine.transferSequence, engine.runningSequence,
                           static_cast<std::uint8_t>(chunk.length), 0);
    r.PutBytes(kReqContent, {chunk.data.data(), chunk.length});
    SealRequest(r);
    hid::SendData2Dev(engine.link.handle.get(), r.data(), length, engine.retryLimit);
    KeepLastReply(engine, r.data(), length);
    ++engine.transferSequence;
    ++engine.runningSequence;
}

bool Reset(UpdateEngine& engine) {
    const std::size_t length = engine.link.selectedReportLength;
    engine.retryLimit = 1;
    bool accepted = false;
    for (int attempt = 1; attempt <= 10 && !accepted && !engine.stopRequested(); ++attempt) {
        WriteLog(u"MCU_RESET(0x22)Times....:" + platform::Utf8ToUtf16(std::to_string(attempt)));
        engine.pacer().Pause(milliseconds(50));
        Report r = MakeRequest(length, kCmdReset, engine.transferSequence, engine.runningSequence, 0x02, kCmdReset);
        SealRequest(r);
        const std::uint8_t sequence = r.Get8(kReqTransferSeq);
        hid::SendData2Dev(engine.link.handle.get(), r.data(), length, engine.retryLimit);
        engine.pacer().Pause(milliseconds(1));
        if (hid::ReadReport(engine.link.handle.get(), r.data(), length) && ReplyAccepted(r, sequence)) {
            engine.pacer().Pause(milliseconds(1));
            KeepLastReply(engine, r.data(), length);
            ++engine.transferSequence;
            ++engine.runningSequence;
            accepted = true;
        }
    }
    engine.retryLimit = kDefaultRetryLimit;
    return accepted;
}

}  // namespace

bool TransferImage(UpdateEngine& engine) {
    const FirmwareImage& image = engine.image;
    const auto imageLength = static_cast<std::uint32_t>(image.length);
    platform::Pacer& pacer = engine.pacer();

    engine.transferSequence = 1;
    engine.ReportProgress(0);
    pacer.Pause(milliseconds(50));
    if (!WriteSize(engine, imageLength)) return Fail(u"CMD_FW_WRITE(0x27)....:Failed");
    engine.ReportProgress(10);
    pacer.Pause(milliseconds(50));
    if (!InitNewCheck(engine)) return Fail(u"CMD_FW_INIT_NEW_CHECK(0x42)....:Failed");
    engine.ReportProgress(20);
    pacer.Pause(milliseconds(50));
    if (!CreateObject(engine, 0)) return Fail(u"CMD_FW_OBJECT_CREATE(0x25)....:Failed");
    engine.ReportProgress(30);
    pacer.Pause(milliseconds(50));

    std::uint32_t packetsSinceCheck = 0;
    std::uint32_t bytesSent = 0;
    std::uint16_t runningSum = 0;
    const std::size_t n = image.chunks.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (engine.stopRequested()) return false;
        const FirmwareChunk& chunk = image.chunks[i];
        ++packetsSinceCheck;
        bytesSent += chunk.length;
        runningSum = static_cast<std::uint16_t>(runningSum + chunk.sum16);
        SendContent(engine, chunk);
        const bool objectFilled = engine.objectSize != 0 && bytesSent % engine.objectSize == 0;
        if (packetsSinceCheck >= engine.packetsPerCheck || objectFilled) {
            pacer.Pause(milliseconds(50));
            if (!CheckCrc(engine, runningSum)) return Fail(u"CMD_FW_CRC_CHECK(0x41)....:Failed");
            pacer.Pause(milliseconds(50));
            if (objectFilled) {
                if (!CreateObject(engine, bytesSent)) return Fail(u"CMD_FW_OBJECT_CREATE(0x25)....:Failed");
                pacer.Pause(milliseconds(50));
            }
            packetsSinceCheck = 0;
        }
        pacer.Pause(milliseconds(engine.contentPause.load()));
        engine.ReportProgress(static_cast<std::int32_t>(30.0f + 50.0f * static_cast<float>(i) / static_cast<float>(n)));
    }

    engine.ReportProgress(80);
    pacer.Pause(milliseconds(50));
    if (!CheckCrc(engine, runningSum)) return Fail(u"CMD_FW_CRC_CHECK(0x41)....:Failed");
    engine.ReportProgress(85);
    pacer.Pause(milliseconds(50));
    if (!Upgrade(engine, imageLength, image.sum16, engine.upgradeTag)) return Fail(u"CMD_FW_UPGRADE_(0x18)....:Failed");
    engine.ReportProgress(90);
    pacer.Pause(milliseconds(50));
    if (!Reset(engine)) return false;
    engine.ReportProgress(100);
    pacer.Pause(milliseconds(50));
    return true;
}

}  // namespace kivu::ota
