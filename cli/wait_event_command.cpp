// Kivu Updata wait-event progress|finish [--timeout SECONDS]: waits for one pulse of the
// updater's named event, so that other processes can follow a transfer.
#include <cstdio>
#include <cstdlib>

#include "cli/cli.h"
#include "cli/commands.h"
#include "platform/named_event.h"
#include "updater/ota/update_engine.h"

namespace kivu::cli {

int RunWaitEventCommand(std::span<const std::string> args) {
    const char* usage = "Usage: Kivu Updata wait-event progress|finish [--timeout SECONDS]\n";
    std::u16string name;
    std::optional<std::chrono::milliseconds> timeout;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "progress" && name.empty()) {
            name = ota::kProgressEventName;
        } else if (args[i] == "finish" && name.empty()) {
            name = ota::kFinishEventName;
        } else if (args[i] == "--timeout" && i + 1 < args.size()) {
            char* end = nullptr;
            const double seconds = std::strtod(args[++i].c_str(), &end);
            if (*end != '\0' || !(seconds >= 0) || seconds > 1e9) {
                std::fputs(usage, stderr);
                return kExitUsage;
            }
            timeout = std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
        } else {
            std::fputs(usage, stderr);
            return kExitUsage;
        }
    }
    if (name.empty()) {
        std::fputs(usage, stderr);
        return kExitUsage;
    }
    std::unique_ptr<platform::NamedEvent> event = platform::CreateNamedEvent(name);
    if (!event) {
        std::fprintf(stderr, "Kivu Updata wait-event: the event cannot be opened\n");
        return kExitFailure;
    }
    return event->Wait(timeout) ? kExitOk : kExitFailure;
}

}  // namespace kivu::cli
