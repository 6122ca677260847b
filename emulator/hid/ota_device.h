// The device side of the OTA command protocol, written from the report layouts as a strict and
// independent check on the updater: it validates every request, keeps the protocol's state,
// answers as the device does, and counts every violation.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kivu::emulator {

struct OtaFault {
    enum class Kind { kDropReply, kStatus, kStaleEcho, kUnplugAfterContent };
    Kind kind = Kind::kDropReply;
    int command = -1;        // the command code it applies to; -1: any
    std::uint8_t value = 1;  // the status of kStatus
    int times = 1;           // how many matching requests it still applies to
    int packets = 0;         // kUnplugAfterContent: content packets before the unplug
    int skip = 0;            // matching requests to let through before it applies
};

struct OtaConfig {
    std::uint32_t objectSize = 4096;
    std::uint16_t chunkSize = 56;
    std::uint16_t packetsPerCheck = 16;
    std::string infoText = "V0102";
    std::uint16_t infoNumber = 258;
    std::string receivedImagePath;  // written at a good upgrade
    std::vector<OtaFault> faults;
};

class OtaDevice {
public:
    OtaDevice(OtaConfig config, std::size_t reportLength);

    // A SET feature report. False when the device is gone (unplugged).
    bool SetFeature(const std::uint8_t* report, std::size_t length);
    // A GET feature report: the reply to the last request. False when there is none to give.
    bool GetFeature(std::uint8_t* report, std::size_t length);

    bool unplugged() const { return unplugged_; }
    int violations() const { return static_cast<int>(violationLog_.size()); }
    const std::vector<std::string>& violationLog() const { return violationLog_; }
    const std::vector<std::uint8_t>& received() const { return received_; }
    bool upgraded() const { return upgradedImages_ > 0; }
    int resets() const { return resets_; }
    // Called with each violation's text, for the trace.
    void set_violation_observer(std::function<void(const std::string&)> observer) { observer_ = std::move(observer); }

private:
    enum class Phase { kIdle, kSizeAnnounced, kChecking, kUpgraded };

    std::uint8_t Process(const std::vector<std::uint8_t>& request, std::vector<std::uint8_t>& reply);
    void Violation(const std::string& text);
    OtaFault* MatchFault(OtaFault::Kind kind, int command);

    OtaConfig config_;
    std::size_t reportLength_;
    Phase phase_ = Phase::kIdle;
    std::uint32_t announcedLength_ = 0;
    std::vector<std::uint8_t> received_;
    std::uint32_t objectEnd_ = 0;     // content may fill received_ up to here
    bool objectOpen_ = false;
    std::uint16_t runningSum_ = 0;
    bool haveSequence_ = false;
    std::uint8_t lastSequence_ = 0;   // byte 4 of the last good request
    std::uint8_t sequenceDelta_ = 0;  // byte 7 - byte 4, fixed by CMD_FW_WRITE
    int contentPackets_ = 0;
    int upgradedImages_ = 0;
    int resets_ = 0;
    bool unplugged_ = false;

    std::vector<std::uint8_t> lastRequest_;
    std::vector<std::uint8_t> cleanReply_;  // the answer as the protocol gives it
    std::vector<std::uint8_t> lastReply_;   // the answer as the next GET returns it, faults applied
    bool lastApplied_ = false;
    bool replyPending_ = false;
    bool dropNextReply_ = false;
    std::vector<std::string> violationLog_;
    std::function<void(const std::string&)> observer_;
};

}  // namespace kivu::emulator
