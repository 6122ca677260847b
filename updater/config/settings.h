// UpdataSetting.xml: which device to update, its identifiers and its firmware files.
#pragma once

#include <cstdint>
#include <string>

#include "updater/config/xml_document.h"

namespace kivu::config {

// The dialog's settings record, fields named after their keys, with the constructor's defaults.
struct UpdateSettings {
    std::uint32_t DEVICE = 0;  // 0 the mouse, 1 the receiver
    std::uint16_t VID = 0x093A;
    std::uint16_t PID = 0x822A;
    std::string BINFILE;       // 8-bit (UTF-8 here), relative to the program folder
    std::string callerTag = "-GUI-";  // a constant that no file changes
    std::uint16_t VID_BL = 0;
    std::uint16_t PID_BL = 0;
    std::u16string BINFILE_BL;
};

inline constexpr std::int32_t kDefaultRepeatLimit = 20;
inline constexpr std::int32_t kDefaultContentPauseMs = 10;
inline constexpr std::int32_t kReceiverContentPauseMs = 40;

// The process-wide settings document; it lives until the program ends.
XmlDocument& SettingsDocument();

// Loads <programFolder>UpdataSetting.xml into the settings document and, only when it was read
// and is well-formed, reads its keys into `settings`, `repeatLimit` (kept unless 1 to 19) and
// `contentPauseMs` (40 when DEVICE is 1). Returns whether the keys were read.
bool ReadSettings(const std::u16string& programFolder, UpdateSettings& settings, std::int32_t& repeatLimit,
                  std::int32_t& contentPauseMs);

}  // namespace kivu::config
