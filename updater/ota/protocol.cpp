#include "updater/ota/protocol.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/text.h"
#include "updater/log/log.h"
#include "updater/ota/report_layout.h"

namespace kivu::ota {

namespace {

using std::chrono::milliseconds;

struct CommandInfo {
    std::uint8_t code;
    std::uint8_t byte8;
    const char16_t* attemptLine;  // per-attempt log line, or null
    milliseconds pause;
};

constexpr CommandInfo kWriteInfo{kCmdWrite, 0x06, u"CMD_FW_WRITE(0x27)Times....:", milliseconds(100)};
constexpr CommandInfo kInitInfo{kCmdInitNewCheck, 0x02, u"CMD_FW_INIT_NEW_CHECK(0x42)Times....:", milliseconds(100)};
constexpr CommandInfo kGetInfoInfo{kCmdGetInfo, 0x02, u"CMD_FW_GET_INFO(0x23)Times....:", milliseconds(100)};
constexpr CommandInfo kCreateInfo{kCmdObjectCreate, 0x09, nullptr, milliseconds(30)};
constexpr CommandInfo kCrcInfo{kCmdCrcCheck, 0x03, nullptr, milliseconds(30)};
constexpr CommandInfo kUpgradeInfo{kCmdUpgrade, 0x0C, u"CMD_FW_UPGRADE(0x18)Times....:", milliseconds(100)};

std::u16string Decimal(std::int64_t value) { return platform::Utf8ToUtf16(std::to_string(value)); }

Report Request(UpdateEngine& engine, const CommandInfo& command) {
    return MakeRequest(engine.link.selectedReportLength, command.code, engine.transferSequence,
                       engine.runningSequence, command.byte8, command.code);
}

// One exchange: send, pause, read, accept or retry with the request as it was first built.
bool Exchange(UpdateEngine& engine, const CommandInfo& command, Report request) {
    SealRequest(request);
    const Report original = request;
    const std::uint8_t sequence = original.Get8(kReqTransferSeq);
    const std::size_t length = original.size();
    std::int32_t attemptsLeft = engine.retryLimit;
    for (std::int32_t attempt = 1; !engine.stopRequested(); ++attempt) {
        if (command.attemptLine != nullptr) WriteLog(command.attemptLine + Decimal(attempt));
        Report buffer = original;
        hid::SendData2Dev(engine.link.handle.get(), buffer.data(), length, engine.retryLimit);
        engine.pacer().Pause(command.pause);
        const bool read = hid::ReadReport(engine.link.handle.get(), buffer.data(), length);
        const bool accepted = read && ReplyAccepted(buffer, sequence);
        if (command.code == kCmdCrcCheck && !accepted) {
            WriteLog(u"CMD_FW_CRC_CHECK(0x41)Failed,Times....:" + Decimal(attempt));
        }
        engine.pacer().Pause(milliseconds(10));
        if (accepted) {
            KeepLastReply(engine, buffer.data(), length);
            ++engine.transferSequence;
            ++engine.runningSequence;
            return true;
        }
        if (--attemptsLeft <= 0) return false;
    }
    return false;
}

}  // namespace

void KeepLastReply(UpdateEngine& engine, const std::uint8_t* report, std::size_t length) {
    auto& last = engine.link.lastReply;
    std::fill(last.begin(), last.end(), 0);
    std::memcpy(last.data(), report, std::min(length, last.size()));
}

bool WriteSize(UpdateEngine& engine, std::uint32_t size) {
    Report r = Request(engine, kWriteInfo);
    r.PutLe(kReqParams, size, 4);
    return Exchange(engine, kWriteInfo, std::move(r));
}

bool InitNewCheck(UpdateEngine& engine) { return Exchange(engine, kInitInfo, Request(engine, kInitInfo)); }

bool GetInfo(UpdateEngine& engine) { return Exchange(engine, kGetInfoInfo, Request(engine, kGetInfoInfo)); }

bool CreateObject(UpdateEngine& engine, std::uint32_t offset) {
    Report r = Request(engine, kCreateInfo);
    r.PutLe(kReqParams, offset, 4);
    r.PutLe(kReqParams + 4, engine.objectSize, 4);
    return Exchange(engine, kCreateInfo, std::move(r));
}

bool CheckCrc(UpdateEngine& engine, std::uint16_t sum) {
    Report r = Request(engine, kCrcInfo);
    r.PutLe(kReqParams, sum, 2);
    return Exchange(engine, kCrcInfo, std::move(r));
}

bool Upgrade(UpdateEngine& engine, std::uint32_t length, std::uint16_t sum, const std::string& upgradeTag) {
    Report r = Request(engine, kUpgradeInfo);
    r.PutLe(kReqParams, length, 4);
    r.PutLe(kReqParams + 4, sum, 2);
    for (std::size_t k = 0; k < 5 && k < upgradeTag.size(); ++k) {
        r.Put8(kReqParams + 6 + k, static_cast<std::uint8_t>(upgradeTag[k]));
    }
    return Exchange(engine, kUpgradeInfo, std::move(r));
}

bool OpenAndIdentify(UpdateEngine& engine, std::string& infoText, std::uint16_t& infoNumber) {
    if (!hid::OpenLink(engine.link)) return false;
    const std::uint16_t length = engine.link.selectedReportLength;
    if (length < kMinReportLength || length > hid::kMaxReportLength) {
        // Such a report cannot carry the protocol's fields, or would not fit lastReply.
        WriteLog(u"Feature report length " + Decimal(length) + u" cannot carry the OTA protocol");
        return false;
    }
    if (!WriteSize(engine, 0)) return false;
    if (!InitNewCheck(engine)) return false;
    const Report init(engine.link.lastReply.data(), engine.link.lastReply.size());
    engine.objectSize = init.GetLe(kRepObjectSize, 4);
    engine.chunkSize = static_cast<std::uint16_t>(init.GetLe(kRepChunkSize, 2));
    engine.packetsPerCheck = static_cast<std::uint16_t>(init.GetLe(kRepPacketsPerCheck, 2));
    GetInfo(engine);
    const Report info(engine.link.lastReply.data(), engine.link.lastReply.size());
    infoText.clear();
    for (std::size_t k = 0; k < 5 && info.Get8(kRepInfoText + k) != 0; ++k) {
        infoText.push_back(static_cast<char>(info.Get8(kRepInfoText + k)));
    }
    infoNumber = static_cast<std::uint16_t>(info.GetLe(kRepInfoNumber, 2));
    return true;
}

}  // namespace kivu::ota
