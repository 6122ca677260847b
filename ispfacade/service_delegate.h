// Holds the plug-in module and the service interface it handed out.
#pragma once

#include <memory>
#include <string>

#include "ispfacade/plugin/programmer_plugin.h"
#include "platform/dynamic_module.h"

namespace kivu::ispfacade {

template <typename Service>
class T_ServiceDelegate {
public:
    virtual ~T_ServiceDelegate() { UnloadService(); }

    // Loads the module and asks its GetServiceInstance for the interface.
    virtual bool LoadService(const std::u16string& modulePath, const std::u16string& interfaceId) {
        UnloadService();
        if (modulePath.empty() || interfaceId.empty()) return false;
        module_ = platform::LoadDynamicModule(modulePath);
        if (!module_) return false;
        auto getService = platform::FindFunction<int (*)(const char16_t*, Service**)>(*module_, "GetServiceInstance");
        if (getService == nullptr) return false;  // the module stays loaded until UnloadService
        return getService(interfaceId.c_str(), &service_) != 0;
    }

    // Frees the module without calling into the service.
    virtual void UnloadService() {
        if (!module_) return;
        service_ = nullptr;
        module_.reset();
    }

    virtual Service* GetService() { return service_; }

private:
    std::unique_ptr<platform::DynamicModule> module_;
    Service* service_ = nullptr;
};

class C_PluginFacadeDelegate : public T_ServiceDelegate<I_PiPluginFacade> {};

}  // namespace kivu::ispfacade
