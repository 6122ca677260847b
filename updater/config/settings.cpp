#include "updater/config/settings.h"

#include "platform/text.h"
#include "updater/config/wide_number.h"

namespace kivu::config {

XmlDocument& SettingsDocument() {
    static XmlDocument document;
    return document;
}

bool ReadSettings(const std::u16string& programFolder, UpdateSettings& settings, std::int32_t& repeatLimit,
                  std::int32_t& contentPauseMs) {
    XmlDocument& document = SettingsDocument();
    if (!document.LoadFile(programFolder + u"UpdataSetting.xml")) return false;

    auto number = [&document](const char16_t* key, int base) {
        return ParseWideUnsignedLong(document.LookupValue(u"INFO", key).c_str(), base);
    };
    auto identifier = [&number](const char16_t* key) { return static_cast<std::uint16_t>(number(key, 16) & 0xFFFF); };

    settings.DEVICE = number(u"DEVICE", 10);
    if (settings.DEVICE == 1) contentPauseMs = kReceiverContentPauseMs;
    settings.PID = identifier(u"PID");
    settings.VID = identifier(u"VID");
    settings.BINFILE = platform::Utf16ToUtf8(document.LookupValue(u"INFO", u"BINFILE"));
    settings.PID_BL = identifier(u"PID_BL");
    settings.VID_BL = identifier(u"VID_BL");
    settings.BINFILE_BL = document.LookupValue(u"INFO", u"BINFILE_BL");
    const std::uint32_t limit = number(u"MRWREPEAT_MAX", 16);
    if (limit >= 1 && limit <= 19) repeatLimit = static_cast<std::int32_t>(limit);
    return true;
}

}  // namespace kivu::config
