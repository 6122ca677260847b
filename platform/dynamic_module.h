// Dynamic modules: loading one runs its start-up, and a start-up that fails makes the load
// fail, as a DLL's entry point does. On Linux a module's start-up is the exported function
// KivuModuleStartup (returning nonzero on success) and its shut-down KivuModuleShutdown; both
// are optional.
#pragma once

#include <memory>
#include <string>

namespace kivu::platform {

inline constexpr const char* kModuleStartupSymbol = "KivuModuleStartup";
inline constexpr const char* kModuleShutdownSymbol = "KivuModuleShutdown";

#ifdef _WIN32
inline constexpr const char16_t* kModuleSuffix = u".dll";
#else
inline constexpr const char16_t* kModuleSuffix = u".so";
#endif

// A loaded module; freeing the object runs the module's shut-down and unloads it.
class DynamicModule {
public:
    virtual ~DynamicModule() = default;
    // The address of an exported function or object, or null.
    virtual void* FindSymbol(const char* name) const = 0;
};

// Null when the module cannot be loaded or its start-up fails (its shut-down has then run);
// `error` (when given) receives the system's reason.
std::unique_ptr<DynamicModule> LoadDynamicModule(const std::u16string& path, std::string* error = nullptr);

// Typed lookup.
template <typename Function>
Function FindFunction(const DynamicModule& module, const char* name) {
    return reinterpret_cast<Function>(module.FindSymbol(name));
}

}  // namespace kivu::platform
