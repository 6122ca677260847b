#include "ispfacade/facade_app.h"

#include <filesystem>

#include "platform/ini_file.h"
#include "platform/message_box.h"
#include "platform/path.h"
#include "platform/text.h"

namespace kivu::ispfacade {

C_PluginFacadeDelegate& PluginDelegate() {
    static C_PluginFacadeDelegate delegate;
    return delegate;
}

std::u16string ResolveAgainst(const std::u16string& folder, const std::u16string& name) {
    if (name.empty()) return {};
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path base = folder.empty() ? fs::current_path(error) : fs::path(platform::NativePath(folder));
    if (error) return {};
    fs::path target(platform::NativePath(name));
    if (target.is_relative()) target = base / target;
    std::u16string full = platform::Utf8ToUtf16(target.lexically_normal().string());
    if (full.size() > 259) return {};
    return full;
}

std::u16string HostIniName(const std::u16string& executablePath) {
    const std::size_t slash = executablePath.rfind(platform::kPathSeparator);
    std::u16string name = slash == std::u16string::npos ? executablePath : executablePath.substr(slash + 1);
#ifdef _WIN32
    // Windows executables carry an extension: "Kivu Updata.exe" reads "Kivu Updata.ini".
    const std::size_t dot = name.rfind(u'.');
    if (dot != std::u16string::npos) name.resize(dot);
#endif
    if (name.size() > 255) name.resize(255);
    return name + u".ini";
}

bool CMRW5160HIDISPSDKApp::InitInstance() {
    const std::optional<std::u16string> host = platform::ExecutablePath();
    std::u16string folder;
    std::u16string ini;
    if (host) {
        ini = HostIniName(*host);
        const std::size_t slash = host->rfind(platform::kPathSeparator);
        if (slash != std::u16string::npos) folder = host->substr(0, slash + 1);
    }
    const std::u16string iniPath = ResolveAgainst(folder, ini);
    const std::u16string module = platform::ReadProfileString(u"Plugin", u"Module", u"", iniPath);
    if (module.empty()) return false;
    const std::u16string config = platform::ReadProfileString(u"Plugin", u"Config", u"", iniPath);
    if (config.empty()) return false;
    PluginDelegate().LoadService(ResolveAgainst(folder, module), kFacadeInterfaceId);
    I_PiPluginFacade* facade = PluginDelegate().GetService();
    if (facade == nullptr) return false;
    return facade->Initialize(ResolveAgainst(folder, config).c_str());
}

void CMRW5160HIDISPSDKApp::ExitInstance() { PluginDelegate().UnloadService(); }

}  // namespace kivu::ispfacade
