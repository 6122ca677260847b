// The facade library's start-up and shut-down.
#pragma once

#include <string>

#include "ispfacade/service_delegate.h"

namespace kivu::ispfacade {

inline constexpr const char16_t* kFacadeInterfaceId = u"I_PiPluginFacade@MRW5160HIDISPSDK";
inline constexpr const char16_t* kProgrammerInterface = u"I_PbMRW5160Programer";
inline constexpr const char16_t* kProgrammerName = u"MRW5160Programer";

class CMRW5160HIDISPSDKApp {
public:
    // Reads the host's INI file, loads the plug-in it names and initialises it.
    bool InitInstance();
    // Frees the plug-in module.
    void ExitInstance();
};

// The process-wide delegate; it holds the plug-in for the library's life.
C_PluginFacadeDelegate& PluginDelegate();

// The full path `name` has when `folder` is the current directory ("." and ".." resolved);
// empty for an empty name or one longer than 259 characters.
std::u16string ResolveAgainst(const std::u16string& folder, const std::u16string& name);

// The host executable's settings file name: its base name and ".ini".
std::u16string HostIniName(const std::u16string& executablePath);

}  // namespace kivu::ispfacade
