// The diagnostic subcommands, one file each.
#pragma once

#include <span>
#include <string>

namespace kivu::cli {

// The program's arguments as one line, as LoadImage looks for "-BIN" in it; `skip` is left out.
std::string JoinArguments(std::span<const std::string> args, const std::string& skip = "");

int RunXmlCommand(std::span<const std::string> args);
int RunCheckCommand(std::span<const std::string> args);
int RunDevicesCommand(std::span<const std::string> args);
int RunImageCommand(std::span<const std::string> args);
int RunWaitEventCommand(std::span<const std::string> args);
// The update run without a window; `args` are the program's arguments.
int RunHeadless(std::span<const std::string> args);
// The skinned window; `args` are the program's arguments ("-BIN <file>").
int RunWindow(std::span<const std::string> args);

}  // namespace kivu::cli
