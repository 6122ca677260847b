// Stand-ins for the facade library: built once per missing export, so that each failing step
// of the binding can be seen; and one whose start-up fails.
#include <cstdint>
#include <cstdlib>
#include <fstream>

#include "ispfacade/plugin/programmer_plugin.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

#ifndef WITHOUT_SETMAINWND
EXPORT void SetMainWnd(KivuWindowHandle) {}
#endif
#ifndef WITHOUT_OPENDEVICE
EXPORT int32_t OpenDevice(int32_t, int32_t) { return 1; }
#endif
#ifndef WITHOUT_PROGRAM
EXPORT int32_t Program(uint32_t, const uint8_t*, uint32_t) { return 0; }
#endif
#ifdef FAILING_STARTUP
EXPORT int KivuModuleStartup() { return 0; }
EXPORT void KivuModuleShutdown() {
    if (const char* marker = std::getenv("KIVU_TEST_SHUTDOWN_MARKER")) std::ofstream(marker) << "shut down\n";
}
#endif
