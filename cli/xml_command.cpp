// Kivu Updata xml FILE SECTION KEY [--json]: what the updater's XML reader makes of a file.
#include <cstdio>
#include <vector>

#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/json_output.h"
#include "platform/text.h"
#include "updater/config/xml_document.h"

namespace kivu::cli {

int RunXmlCommand(std::span<const std::string> args) {
    bool json = false;
    std::vector<std::string> positional;
    for (const std::string& arg : args) {
        if (arg == "--json") {
            json = true;
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            std::fprintf(stderr, "Kivu Updata xml: unknown option '%s'\n", arg.c_str());
            return kExitUsage;
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 3) {
        std::fprintf(stderr, "Usage: Kivu Updata xml FILE SECTION KEY [--json]\n");
        return kExitUsage;
    }

    config::XmlDocument document;
    const bool loaded = document.ReadFile(platform::Utf8ToUtf16(positional[0]));
    const bool wellFormed = loaded && document.Parse();
    const std::u16string value =
        document.LookupValue(platform::Utf8ToUtf16(positional[1]), platform::Utf8ToUtf16(positional[2]));

    if (json) {
        PrintJson(nlohmann::ordered_json{{"loaded", loaded},
                   {"well_formed", wellFormed},
                   {"result", Utf8(document.result())},
                   {"value", Utf8(value)}});
    } else {
        if (!wellFormed) std::fprintf(stderr, "%s\n", Utf8(document.result()).c_str());
        std::printf("%s\n", Utf8(value).c_str());
    }
    return loaded ? kExitOk : kExitFailure;
}

}  // namespace kivu::cli
