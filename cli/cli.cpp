#include "cli/cli.h"

#include "cli/commands.h"
#include "emulator/install.h"

#include <algorithm>
#include <cstdio>

namespace kivu::cli {

namespace {

void PrintHelp() {
    std::printf(
        "Kivu Updata %.*s: firmware updater for the wireless mouse and its USB receiver.\n"
        "\n"
        "Usage:\n"
        "  Kivu Updata [-BIN <file>]    open the updater's window\n"
        "  Kivu Updata --headless [-BIN <file>]\n"
        "                               run the update without a window: exit code 0 PASS,\n"
        "                               1 FAIL, 2 when no run could start\n"
        "  Kivu Updata --help          show this text\n"
        "  Kivu Updata --version       show the version\n",
        static_cast<int>(kVersion.size()), kVersion.data());
    for (const Subcommand& command : Subcommands()) {
        std::printf("  Kivu Updata %.*s\n", static_cast<int>(command.usage.size()),
                    command.usage.data());
    }
    std::printf(
        "\nEverything is found in the program's own folder: UpdataSetting.xml, Image/Skin.xml,\n"
        "the firmware files, Bin/MRW5160HIDISPSDK.so, and the daily log file YYYYMMDD_Log.log.\n");
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "Kivu Updata: %s\nTry 'Kivu Updata --help'.\n", message.c_str());
    return kExitUsage;
}

}  // namespace

std::string JoinArguments(std::span<const std::string> args, const std::string& skip) {
    std::string line;
    for (const std::string& arg : args) {
        if (!skip.empty() && arg == skip) continue;
        if (!line.empty()) line += ' ';
        line += arg;
    }
    return line;
}

std::span<const Subcommand> Subcommands() {
    // Diagnostic subcommands join this table as their subsystems arrive.
    static const Subcommand table[] = {
        {"check", "check [--json]                 what the updater makes of its settings and skin", RunCheckCommand},
        {"devices", "devices [--json]               the present HID interfaces, one per collection", RunDevicesCommand},
        {"image", "image FILE [--chunk N] [--object M] [--report-length L] [--json]   the chunks the updater would send", RunImageCommand},
        {"wait-event", "wait-event progress|finish [--timeout SECONDS]   wait for one pulse of the updater's event", RunWaitEventCommand},
        {"xml", "xml FILE SECTION KEY [--json]   look a value up as the updater would", RunXmlCommand},
    };
    return table;
}

int Main(std::span<const std::string> args) {
    const std::string first = args.empty() ? std::string() : args[0];
    if (first == "--help" || first == "-h") {
        PrintHelp();
        return kExitOk;
    }
    if (first == "--version") {
        std::printf("%.*s\n", static_cast<int>(kVersion.size()), kVersion.data());
        return kExitOk;
    }
    std::string error;
    if (!emulator::InstallHidEmulationFromEnvironment(error)) {
        std::fprintf(stderr, "Kivu Updata: KIVU_HID_EMULATION: %s\n", error.c_str());
        return kExitUsage;
    }
    for (const Subcommand& command : Subcommands()) {
        if (first == command.name) return command.run(args.subspan(1));
    }
    // The update itself: --headless, or the window (with or without "-BIN <file>").
    const bool headless = std::find(args.begin(), args.end(), "--headless") != args.end();
    if (headless) return RunHeadless(args);
    if (args.empty() || first.rfind("-BIN", 0) == 0) return RunWindow(args);
    if (!first.empty() && first[0] == '-') return UsageError("unknown option '" + first + "'");
    return UsageError("unknown command '" + first + "'");
}

}  // namespace kivu::cli
