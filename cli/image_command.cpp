// Kivu Updata image FILE [--chunk N] [--object M] [--report-length L] [--json]: the image and
// chunk list that the updater would send for a firmware file.
#include <cstdio>
#include <cstdlib>

#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/json_output.h"
#include "platform/text.h"
#include "updater/hid/hid_device.h"
#include "updater/ota/firmware_image.h"

namespace kivu::cli {

namespace {

bool ParseNumber(const std::string& text, unsigned long maximum, unsigned long& value) {
    char* end = nullptr;
    value = std::strtoul(text.c_str(), &end, 0);
    return !text.empty() && *end == '\0' && value <= maximum;
}

}  // namespace

int RunImageCommand(std::span<const std::string> args) {
    bool json = false;
    std::string file;
    unsigned long chunk = 56, object = 4096, reportLength = hid::kMaxReportLength;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto number = [&](unsigned long maximum, unsigned long& value) {
            return i + 1 < args.size() && ParseNumber(args[++i], maximum, value);
        };
        bool ok = true;
        if (arg == "--json") {
            json = true;
        } else if (arg == "--chunk") {
            ok = number(0xFFFF, chunk);
        } else if (arg == "--object") {
            ok = number(0xFFFFFFFF, object);
        } else if (arg == "--report-length") {
            ok = number(0xFFFF, reportLength);
        } else if (file.empty() && (arg.empty() || arg[0] != '-')) {
            file = arg;
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr,
                         "Usage: Kivu Updata image FILE [--chunk N] [--object M] [--report-length L] [--json]\n");
            return kExitUsage;
        }
    }
    if (file.empty()) {
        std::fprintf(stderr, "Usage: Kivu Updata image FILE [--chunk N] [--object M] [--report-length L] [--json]\n");
        return kExitUsage;
    }

    ota::ImageSource source;
    source.path = platform::Utf8ToUtf16(file);
    source.chunkSize = static_cast<std::uint16_t>(chunk);
    source.objectSize = static_cast<std::uint32_t>(object);
    source.reportLength = static_cast<std::uint16_t>(reportLength);
    ota::FirmwareImage image;
    std::u16string refusal;
    if (!ota::LoadImage(image, source, &refusal)) {
        std::fprintf(stderr, "Kivu Updata image: %s\n",
                     refusal.empty() ? ("cannot open " + file).c_str() : Utf8(refusal).c_str());
        return kExitFailure;
    }
    const bool appended = image.trailerAppended;
    if (json) {
        nlohmann::ordered_json chunks = nlohmann::ordered_json::array();
        for (const ota::FirmwareChunk& c : image.chunks) chunks.push_back(c.length);
        PrintJson(nlohmann::ordered_json{{"length", image.length},
                                         {"sum16", image.sum16},
                                         {"trailer_appended", appended},
                                         {"chunks", chunks}});
    } else {
        std::printf("%s: %d bytes%s, sum16 0x%04X, %zu chunks\n", file.c_str(), image.length,
                    appended ? " with the trailer appended" : "", image.sum16, image.chunks.size());
        std::size_t offset = 0;
        for (std::size_t k = 0; k < image.chunks.size(); ++k) {
            std::printf("  chunk %zu at %zu: %u bytes, sum16 0x%04X\n", k, offset, image.chunks[k].length,
                        image.chunks[k].sum16);
            offset += image.chunks[k].length;
        }
    }
    return kExitOk;
}

}  // namespace kivu::cli
