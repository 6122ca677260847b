// Puts the emulated devices in place of the system's when the environment asks for them.
#pragma once

#include <string>

namespace kivu::emulator {

// With KIVU_HID_EMULATION set, installs the emulated bus of that scenario for the rest of the
// process. False, with `error` set, when the scenario cannot be used.
bool InstallHidEmulationFromEnvironment(std::string& error);

}  // namespace kivu::emulator
