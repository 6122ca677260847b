// The updater's command line: the window (no arguments), --headless and the diagnostics.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace kivu::cli {

inline constexpr std::string_view kVersion = "1.0.1.7";

// Exit codes shared by every command.
enum ExitCode : int { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

// A diagnostic subcommand: the first argument names it, the rest are its own.
struct Subcommand {
    std::string_view name;
    std::string_view usage;    // one line for --help
    int (*run)(std::span<const std::string> args);
};

std::span<const Subcommand> Subcommands();

// Runs the program for argv[1..]; returns the process's exit code.
int Main(std::span<const std::string> args);

}  // namespace kivu::cli
