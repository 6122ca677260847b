// The programmer plug-in interface, shared by the MRW5160HIDISPSDK facade library and every
// programmer plug-in.
//
// For plug-in authors. A plug-in is a shared module that exports one function,
//
//     extern "C" int GetServiceInstance(const char16_t* interfaceId, I_PiPluginFacade** service);
//
// The facade calls it once, while it loads, with the interface id
// "I_PiPluginFacade@MRW5160HIDISPSDK"; the plug-in stores its facade object in *service and
// returns nonzero. Only the pointer counts: a null pointer means the plug-in did not load. The
// facade then calls Initialize with the full path of the configuration file named in the host's
// INI file, and, for every call it forwards, GetPlugin(u"I_PbMRW5160Programer",
// u"MRW5160Programer"), converting the result to I_PbMRW5160Programer with dynamic_cast. Nothing
// is ever released: the objects belong to the plug-in, which the facade unloads only when it is
// itself unloaded, without calling into it first.
//
// While Program runs, the plug-in reports progress to the window given to SetMainWnd with the
// message WM_ISP_PROGRESS: wParam is the percentage done (0 to 100), lParam is unused, and the
// window answers 0. On Linux that window is a KivuWindow (below): call
//     window->sendMessage(window, WM_ISP_PROGRESS, percent, 0);
// The call is synchronous, may be made from any thread, and returns at once after the window has
// closed.
//
// The interfaces are at namespace scope, with all-inline virtual functions, so that the run-time
// type information of each compares equal across modules by name: keep them that way (never
// in an anonymous namespace), or the facade's dynamic_cast fails.
#pragma once

#include <cstdint>

#define WM_ISP_PROGRESS 0x0401u

extern "C" {

// A window as seen by a plug-in. Hosts embed it as the first member of their own structure.
struct KivuWindow {
    intptr_t (*sendMessage)(struct KivuWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
};
typedef struct KivuWindow* KivuWindowHandle;

}  // extern "C"

// Any plug-in object; the facade asks for one by interface and plug-in name.
class I_PiPlugin {
protected:
    // Plug-in objects are owned by their module; nobody deletes them through this interface.
    virtual ~I_PiPlugin() = default;
};

class I_PiPluginFacade {
public:
    // Reads the plug-in's configuration file; false makes the facade's own load fail.
    virtual bool Initialize(const char16_t* configPath) = 0;
    // Three operations of the facade's interface that this system never calls.
    virtual bool ReservedOperation1() = 0;
    virtual bool ReservedOperation2() = 0;
    virtual bool ReservedOperation3() = 0;
    // The plug-in object of that interface and name, or null.
    virtual I_PiPlugin* GetPlugin(const char16_t* interfaceName, const char16_t* pluginName) = 0;

protected:
    virtual ~I_PiPluginFacade() = default;
};

class I_PbMRW5160Programer : public I_PiPlugin {
public:
    // Seven operations of the programmer's interface that this system never calls.
    virtual bool ReservedOperation1() = 0;
    virtual bool ReservedOperation2() = 0;
    virtual bool ReservedOperation3() = 0;
    virtual bool ReservedOperation4() = 0;
    virtual bool ReservedOperation5() = 0;
    virtual bool ReservedOperation6() = 0;
    virtual bool ReservedOperation7() = 0;
    // The window that receives WM_ISP_PROGRESS; the result is ignored.
    virtual bool SetMainWnd(KivuWindowHandle window) = 0;
    // Above 0 when the device with these ids (16-bit USB ids) was opened, 0 when it was not.
    // `scratch` is the plug-in's to use; the facade never reads it.
    virtual int32_t OpenDevice(int32_t vendorId, int32_t productId, int32_t* scratch) = 0;
    // Programs `count` bytes at `image` to `loadAddress`: 0 success, 1 to 10 a failure code.
    virtual int32_t Program(uint32_t loadAddress, const uint8_t* image, uint32_t count) = 0;
};

// The signature of the plug-in's export.
typedef int (*GetServiceInstanceFunction)(const char16_t* interfaceId, I_PiPluginFacade** service);

// The facade library's own exports, as the updater finds them by name.
typedef void (*SetMainWndFunction)(KivuWindowHandle window);
typedef int32_t (*OpenDeviceFunction)(int32_t vendorId, int32_t productId);
typedef int32_t (*ProgramFunction)(uint32_t loadAddress, const uint8_t* image, uint32_t count);
