// The ISP library's entry points played by an in-process emulated programmer, for tests of the
// binding's users that do not load the real library.
#pragma once

#include "emulator/programmer/emulated_programmer.h"
#include "updater/isp/isp_library.h"

namespace kivu::test {

// Points the binding's entry points at `programmer` (null: clears them).
void UseEmulatedProgrammer(isp::CMRW5160HIDISPSDKTestDlg& binding, emulator::EmulatedProgrammer* programmer);

}  // namespace kivu::test
