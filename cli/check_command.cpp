// Kivu Updata check [--json]: what the updater would use of the program folder's settings and
// skin, and which files they name that are missing.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/json_output.h"
#include "platform/path.h"
#include "platform/text.h"
#include "updater/app/program_folder.h"
#include "updater/config/settings.h"
#include "updater/config/skin.h"

namespace kivu::cli {

namespace {

struct CheckedItem {
    std::string section;
    std::string item;
    std::string value;
    config::Rect rect;
    std::string picture;
    bool pictureFound = false;
};

std::string Hex(std::uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%04X", value);
    return buffer;
}

}  // namespace

int RunCheckCommand(std::span<const std::string> args) {
    bool json = false;
    if (!ParseJsonOnly(args, "check", json)) return kExitUsage;

    std::u16string folder;
    GetProgramFolder(folder);
    std::vector<std::string> problems;

    config::UpdateSettings settings;
    std::int32_t repeatLimit = config::kDefaultRepeatLimit;
    std::int32_t contentPause = config::kDefaultContentPauseMs;
    const bool settingsRead = config::ReadSettings(folder, settings, repeatLimit, contentPause);
    const std::string settingsResult = Utf8(config::SettingsDocument().result());
    if (!settingsRead) problems.push_back("settings file UpdataSetting.xml not read: " + settingsResult);

    const std::u16string imageFolder = folder + u"Image" + platform::kPathSeparator;
    config::XmlDocument skin;
    const bool skinRead = skin.LoadFile(imageFolder + u"Skin.xml");
    if (!skinRead) problems.push_back("skin file Image/Skin.xml not read: " + Utf8(skin.result()));

    std::vector<CheckedItem> items;
    bool allFound = true;
    for (const config::SkinLayout::Entry& entry : config::SkinLayout::Vocabulary()) {
        CheckedItem checked;
        checked.section = Utf8(entry.section);
        checked.item = Utf8(entry.item);
        const std::u16string value = skin.LookupValue(entry.section, entry.item);
        checked.value = Utf8(value);
        std::u16string picture = value;
        if (std::u16string_view(entry.section) != config::SkinLayout::kMainScreen) {
            config::SkinItem item = config::ParseSkinItem(value);
            checked.rect = item.rect;
            picture = item.picture;
        }
        checked.picture = Utf8(picture);
        checked.pictureFound = !picture.empty() && platform::FileExists(imageFolder + picture);
        const std::string name = checked.section + "/" + checked.item;
        if (value.empty()) {
            if (skinRead) problems.push_back("skin item " + name + " missing");
        } else if (!checked.pictureFound) {
            problems.push_back("picture of " + name + " not found: Image/" + checked.picture);
            allFound = false;
        }
        items.push_back(std::move(checked));
    }

    auto firmwareMissing = [&](const std::u16string& name, const char* key) {
        if (name.empty() || platform::FileExists(folder + name)) return false;
        problems.push_back(std::string("firmware file of ") + key + " not found: " + Utf8(name));
        return true;
    };
    bool firmwareOk = !firmwareMissing(platform::Utf8ToUtf16(settings.BINFILE), "BINFILE");
    firmwareOk = !firmwareMissing(settings.BINFILE_BL, "BINFILE_BL") && firmwareOk;

    if (json) {
        nlohmann::ordered_json skinItems = nlohmann::ordered_json::array();
        for (const CheckedItem& item : items) {
            skinItems.push_back({{"section", item.section},
                                 {"item", item.item},
                                 {"value", item.value},
                                 {"rect", {item.rect.left, item.rect.top, item.rect.right, item.rect.bottom}},
                                 {"picture", item.picture},
                                 {"pictureFound", item.pictureFound}});
        }
        PrintJson(nlohmann::ordered_json{
            {"settings",
             {{"read", settingsRead},
              {"result", settingsResult},
              {"DEVICE", settings.DEVICE},
              {"VID", settings.VID},
              {"PID", settings.PID},
              {"BINFILE", settings.BINFILE},
              {"VID_BL", settings.VID_BL},
              {"PID_BL", settings.PID_BL},
              {"BINFILE_BL", Utf8(settings.BINFILE_BL)},
              {"callerTag", settings.callerTag},
              {"repeatLimit", repeatLimit},
              {"contentPause", contentPause}}},
            {"skin", {{"read", skinRead}, {"result", Utf8(skin.result())}, {"items", skinItems}}}});
    } else {
        std::printf("Program folder: %s\n", Utf8(folder).c_str());
        std::printf("Settings (UpdataSetting.xml): %s; %s\n", settingsRead ? "read" : "not read", settingsResult.c_str());
        std::printf("  DEVICE %u (%s), VID %s, PID %s, BINFILE \"%s\"\n", settings.DEVICE,
                    settings.DEVICE == 0 ? "the mouse" : "the receiver", Hex(settings.VID).c_str(),
                    Hex(settings.PID).c_str(), settings.BINFILE.c_str());
        std::printf("  VID_BL %s, PID_BL %s, BINFILE_BL \"%s\"\n", Hex(settings.VID_BL).c_str(),
                    Hex(settings.PID_BL).c_str(), Utf8(settings.BINFILE_BL).c_str());
        std::printf("  repeat limit %d, content pause %d ms\n", repeatLimit, contentPause);
        std::printf("Skin (Image/Skin.xml): %s; %s\n", skinRead ? "read" : "not read", Utf8(skin.result()).c_str());
        for (const CheckedItem& item : items) {
            std::printf("  %-13s %-13s (%d, %d, %d, %d) %s%s\n", item.section.c_str(), item.item.c_str(), item.rect.left,
                        item.rect.top, item.rect.right, item.rect.bottom, item.picture.c_str(),
                        item.picture.empty() ? "" : (item.pictureFound ? "" : "  [not found]"));
        }
        if (problems.empty()) {
            std::printf("No problems found.\n");
        } else {
            std::printf("Problems:\n");
            for (const std::string& problem : problems) std::printf("  %s\n", problem.c_str());
        }
    }
    return settingsRead && skinRead && allFound && firmwareOk ? kExitOk : kExitFailure;
}

}  // namespace kivu::cli
