#include "tests/support/programmer_thunks.h"

namespace kivu::test {

namespace {

emulator::EmulatedProgrammer* g_programmer = nullptr;

void SetMainWndThunk(KivuWindowHandle window) { g_programmer->SetMainWnd(window); }
int32_t OpenDeviceThunk(int32_t vid, int32_t pid) {
    int32_t scratch = 0;
    return g_programmer->OpenDevice(vid, pid, &scratch);
}
int32_t ProgramThunk(uint32_t address, const uint8_t* image, uint32_t count) {
    return g_programmer->Program(address, image, count);
}

}  // namespace

void UseEmulatedProgrammer(isp::CMRW5160HIDISPSDKTestDlg& binding, emulator::EmulatedProgrammer* programmer) {
    g_programmer = programmer;
    binding.setMainWnd = programmer != nullptr ? &SetMainWndThunk : nullptr;
    binding.openDevice = programmer != nullptr ? &OpenDeviceThunk : nullptr;
    binding.program = programmer != nullptr ? &ProgramThunk : nullptr;
}

}  // namespace kivu::test
