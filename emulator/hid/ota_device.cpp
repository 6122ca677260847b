#include "emulator/hid/ota_device.h"

#include <cstdio>
#include <fstream>

namespace kivu::emulator {

namespace {

constexpr std::uint8_t kWrite = 0x27, kInitNewCheck = 0x42, kGetInfo = 0x23, kObjectCreate = 0x25,
                       kContent = 0x40, kCrcCheck = 0x41, kUpgrade = 0x18, kReset = 0x22;

// A reply status for each kind of protocol violation, so that a trace tells them apart.
constexpr std::uint8_t kBadHeader = 1, kBadSequence = 2, kBadCommand = 3, kBadState = 4, kBadChecksum = 5;

std::uint32_t Le32(const std::vector<std::uint8_t>& r, std::size_t at) {
    return r[at] | r[at + 1] << 8 | r[at + 2] << 16 | static_cast<std::uint32_t>(r[at + 3]) << 24;
}
std::uint16_t Le16(const std::vector<std::uint8_t>& r, std::size_t at) {
    return static_cast<std::uint16_t>(r[at] | r[at + 1] << 8);
}
void Put32(std::vector<std::uint8_t>& r, std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) r[at + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(v >> (8 * k));
}
void Put16(std::vector<std::uint8_t>& r, std::size_t at, std::uint16_t v) {
    r[at] = static_cast<std::uint8_t>(v);
    r[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
std::uint16_t Sum16(const std::uint8_t* bytes, std::size_t count) {
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum = static_cast<std::uint16_t>(sum + bytes[i]);
    return sum;
}
std::string Hex(int value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "0x%02X", value & 0xFF);
    return buffer;
}

}  // namespace

OtaDevice::OtaDevice(OtaConfig config, std::size_t reportLength)
    : config_(std::move(config)), reportLength_(reportLength) {}

void OtaDevice::Violation(const std::string& text) {
    violationLog_.push_back(text);
    if (observer_) observer_(text);
}

OtaFault* OtaDevice::MatchFault(OtaFault::Kind kind, int command) {
    for (OtaFault& fault : config_.faults) {
        if (fault.kind != kind || fault.times <= 0 || (fault.command >= 0 && fault.command != command)) continue;
        if (fault.skip > 0) {
            --fault.skip;
            continue;
        }
        return &fault;
    }
    return nullptr;
}

bool OtaDevice::SetFeature(const std::uint8_t* report, std::size_t length) {
    if (unplugged_) return false;
    std::vector<std::uint8_t> request(report, report + length);
    if (length != reportLength_ || length < 23 || request[0] != 3) {
        Violation("request of " + std::to_string(length) + " bytes or report id " +
                  (length > 0 ? Hex(request[0]) : std::string("none")) + " where report 3 of " +
                  std::to_string(reportLength_) + " bytes is expected");
        lastReply_.assign(reportLength_, 0);
        lastReply_[0] = 3;
        lastReply_[1] = 0x65;
        lastReply_[2] = kBadHeader;
        replyPending_ = true;
        lastApplied_ = false;
        return true;
    }
    const int command = request[6];

    std::vector<std::uint8_t> reply;
    if (lastApplied_ && request == lastRequest_) {
        // The same request again: the host retries after a reply it did not accept. The
        // device answers as before without doing the work twice.
        reply = cleanReply_;
    } else {
        OtaFault* statusFault = command == kContent ? nullptr : MatchFault(OtaFault::Kind::kStatus, command);
        if (statusFault != nullptr) {
            --statusFault->times;
            reply.assign(reportLength_, 0);
            reply[0] = 3;
            reply[1] = 0x65;
            reply[2] = statusFault->value;
            reply[4] = request[4];
            lastApplied_ = false;
        } else {
            const std::uint8_t status = Process(request, reply);
            reply[2] = status;
            lastApplied_ = status == 0;
        }
        lastRequest_ = request;
    }
    if (command == kContent) {
        // Content packets have no reply; the previous one stays readable.
        if (const OtaFault* unplug = MatchFault(OtaFault::Kind::kUnplugAfterContent, -1);
            unplug != nullptr && contentPackets_ >= unplug->packets) {
            unplugged_ = true;
        }
        return true;
    }
    cleanReply_ = reply;
    lastReply_ = reply;
    replyPending_ = true;
    dropNextReply_ = false;
    if (OtaFault* drop = MatchFault(OtaFault::Kind::kDropReply, command)) {
        --drop->times;
        dropNextReply_ = true;
    }
    if (OtaFault* stale = MatchFault(OtaFault::Kind::kStaleEcho, command)) {
        --stale->times;
        lastReply_[4] = static_cast<std::uint8_t>(lastReply_[4] + 1);
    }
    return true;
}

bool OtaDevice::GetFeature(std::uint8_t* report, std::size_t length) {
    if (unplugged_ || !replyPending_ || length != reportLength_) return false;
    if (dropNextReply_) {
        dropNextReply_ = false;
        return false;
    }
    std::copy(lastReply_.begin(), lastReply_.end(), report);
    return true;
}

std::uint8_t OtaDevice::Process(const std::vector<std::uint8_t>& r, std::vector<std::uint8_t>& reply) {
    const std::size_t length = r.size();
    reply.assign(length, 0);
    reply[0] = 3;
    reply[1] = 0x65;
    reply[4] = r[4];
    const std::uint8_t command = r[6];
    const std::string name = "command " + Hex(command);

    std::uint8_t checksum = 0;
    for (std::size_t i = 2; i < length; ++i) checksum = static_cast<std::uint8_t>(checksum + r[i]);
    if (r[1] != checksum) {
        Violation(name + ": checksum " + Hex(r[1]) + ", expected " + Hex(checksum));
        return kBadChecksum;
    }
    if (r[2] != 0x65 || r[3] != 0x3A || r[5] != 0) {
        Violation(name + ": bytes 2, 3 and 5 must be 0x65, 0x3A and 0x00");
        return kBadHeader;
    }

    // Sequence bytes: byte 4 counts every request; byte 7 keeps a fixed distance from it,
    // except in CMD_FW_OBJECT_CREATE, which repeats byte 4.
    if (command == kWrite) {
        sequenceDelta_ = static_cast<std::uint8_t>(r[7] - r[4]);
    } else {
        if (haveSequence_ && r[4] != static_cast<std::uint8_t>(lastSequence_ + 1)) {
            Violation(name + ": sequence byte 4 is " + std::to_string(r[4]) + ", expected " +
                      std::to_string(static_cast<std::uint8_t>(lastSequence_ + 1)));
            return kBadSequence;
        }
        const std::uint8_t expected7 = command == kObjectCreate ? r[4] : static_cast<std::uint8_t>(r[4] + sequenceDelta_);
        if (r[7] != expected7) {
            Violation(name + ": sequence byte 7 is " + std::to_string(r[7]) + ", expected " + std::to_string(expected7));
            return kBadSequence;
        }
    }
    auto expectBytes89 = [&](std::uint8_t b8) {
        if (r[8] == b8 && r[9] == command) return true;
        Violation(name + ": bytes 8 and 9 must be " + Hex(b8) + " and " + Hex(command));
        return false;
    };
    auto accept = [&] {
        haveSequence_ = true;
        lastSequence_ = r[4];
        return std::uint8_t{0};
    };

    switch (command) {
        case kWrite: {
            if (!expectBytes89(0x06)) return kBadCommand;
            const std::uint32_t size = Le32(r, 10);
            if (size == 0) {
                phase_ = Phase::kIdle;
            } else {
                phase_ = Phase::kSizeAnnounced;
                announcedLength_ = size;
            }
            return accept();
        }
        case kInitNewCheck:
            if (!expectBytes89(0x02)) return kBadCommand;
            if (phase_ == Phase::kSizeAnnounced) {
                phase_ = Phase::kChecking;
                received_.clear();
                runningSum_ = 0;
                objectOpen_ = false;
                objectEnd_ = 0;
            }
            Put32(reply, 15, config_.objectSize);
            Put16(reply, 19, config_.chunkSize);
            Put16(reply, 21, config_.packetsPerCheck);
            return accept();
        case kGetInfo:
            if (!expectBytes89(0x02)) return kBadCommand;
            for (std::size_t k = 0; k < 5 && k < config_.infoText.size(); ++k) {
                reply[10 + k] = static_cast<std::uint8_t>(config_.infoText[k]);
            }
            Put16(reply, 15, config_.infoNumber);
            return accept();
        case kObjectCreate: {
            if (!expectBytes89(0x09)) return kBadCommand;
            const std::uint32_t offset = Le32(r, 10);
            const std::uint32_t size = Le32(r, 14);
            if (phase_ != Phase::kChecking) {
                Violation(name + ": no transfer in progress");
                return kBadState;
            }
            if (size != config_.objectSize || offset != received_.size() || offset % config_.objectSize != 0) {
                Violation(name + ": object at " + std::to_string(offset) + " of " + std::to_string(size) +
                          " bytes, expected one at " + std::to_string(received_.size()) + " of " +
                          std::to_string(config_.objectSize));
                return kBadState;
            }
            objectOpen_ = true;
            objectEnd_ = offset + size;
            return accept();
        }
        case kContent: {
            const std::size_t chunk = r[8];
            ++contentPackets_;
            if (phase_ != Phase::kChecking || !objectOpen_) {
                Violation(name + ": content without an object");
                return kBadState;
            }
            if (chunk == 0 || chunk > length - 9 || chunk > config_.chunkSize ||
                received_.size() + chunk > objectEnd_) {
                Violation(name + ": chunk of " + std::to_string(chunk) + " bytes at " + std::to_string(received_.size()) +
                          " does not fit the object ending at " + std::to_string(objectEnd_));
                return kBadState;
            }
            received_.insert(received_.end(), r.begin() + 9, r.begin() + 9 + static_cast<std::ptrdiff_t>(chunk));
            runningSum_ = static_cast<std::uint16_t>(runningSum_ + Sum16(r.data() + 9, chunk));
            return accept();
        }
        case kCrcCheck:
            if (!expectBytes89(0x03)) return kBadCommand;
            if (phase_ != Phase::kChecking) {
                Violation(name + ": no transfer in progress");
                return kBadState;
            }
            if (Le16(r, 10) != runningSum_) {
                Violation(name + ": checksum " + std::to_string(Le16(r, 10)) + ", expected " + std::to_string(runningSum_));
                return kBadChecksum;
            }
            return accept();
        case kUpgrade: {
            if (!expectBytes89(0x0C)) return kBadCommand;
            const std::uint32_t imageLength = Le32(r, 10);
            const std::uint16_t sum = Le16(r, 14);
            if (phase_ != Phase::kChecking) {
                Violation(name + ": no transfer in progress");
                return kBadState;
            }
            if (imageLength != announcedLength_ || imageLength > received_.size()) {
                Violation(name + ": length " + std::to_string(imageLength) + ", announced " +
                          std::to_string(announcedLength_) + ", received " + std::to_string(received_.size()));
                return kBadState;
            }
            if (Sum16(received_.data(), imageLength) != sum) {
                Violation(name + ": image sum " + std::to_string(sum) + " does not match the received bytes");
                return kBadChecksum;
            }
            phase_ = Phase::kUpgraded;
            ++upgradedImages_;
            if (!config_.receivedImagePath.empty()) {
                std::ofstream out(config_.receivedImagePath, std::ios::binary | std::ios::trunc);
                out.write(reinterpret_cast<const char*>(received_.data()), static_cast<std::streamsize>(imageLength));
            }
            return accept();
        }
        case kReset:
            if (!expectBytes89(0x02)) return kBadCommand;
            if (phase_ != Phase::kUpgraded) {
                Violation(name + ": reset before an upgrade");
                return kBadState;
            }
            ++resets_;
            phase_ = Phase::kIdle;
            return accept();
        default:
            Violation(name + ": unknown command");
            return kBadCommand;
    }
}

}  // namespace kivu::emulator
