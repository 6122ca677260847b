// The library's exports: the module hooks and the three functions forwarded to the programmer.
#include "ispfacade/facade_app.h"
#include "platform/message_box.h"

namespace {

using kivu::ispfacade::PluginDelegate;

kivu::ispfacade::CMRW5160HIDISPSDKApp theApp;

// Looked up afresh on every call: the library keeps no programmer between calls.
I_PbMRW5160Programer* Programmer() {
    I_PiPluginFacade* facade = PluginDelegate().GetService();
    if (facade == nullptr) return nullptr;
    I_PiPlugin* plugin = facade->GetPlugin(kivu::ispfacade::kProgrammerInterface, kivu::ispfacade::kProgrammerName);
    return dynamic_cast<I_PbMRW5160Programer*>(plugin);
}

}  // namespace

#define KIVU_EXPORT extern "C" __attribute__((visibility("default")))

KIVU_EXPORT int KivuModuleStartup() {
    if (theApp.InitInstance()) return 1;
    kivu::platform::ShowMessageBox(u"Failed to load plugin.dll", u"MRW5160HIDISPSDK");
    return 0;
}

KIVU_EXPORT void KivuModuleShutdown() { theApp.ExitInstance(); }

KIVU_EXPORT void SetMainWnd(KivuWindowHandle window) {
    if (I_PbMRW5160Programer* programmer = Programmer()) programmer->SetMainWnd(window);
}

KIVU_EXPORT int32_t OpenDevice(int32_t vendorId, int32_t productId) {
    I_PbMRW5160Programer* programmer = Programmer();
    if (programmer == nullptr) return 0;
    int32_t scratch = 0;
    return programmer->OpenDevice(vendorId, productId, &scratch);
}

KIVU_EXPORT int32_t Program(uint32_t loadAddress, const uint8_t* image, uint32_t count) {
    I_PbMRW5160Programer* programmer = Programmer();
    if (programmer == nullptr) return 7;
    return programmer->Program(loadAddress, image, count);
}
