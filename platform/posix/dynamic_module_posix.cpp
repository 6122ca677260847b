#include <dlfcn.h>

#include "platform/dynamic_module.h"
#include "platform/text.h"

namespace kivu::platform {

namespace {

using Hook = int (*)();

class PosixModule final : public DynamicModule {
public:
    explicit PosixModule(void* handle) : handle_(handle) {}
    ~PosixModule() override {
        if (auto shutdown = reinterpret_cast<void (*)()>(dlsym(handle_, kModuleShutdownSymbol))) shutdown();
        dlclose(handle_);
    }
    void* FindSymbol(const char* name) const override { return dlsym(handle_, name); }

private:
    void* handle_;
};

}  // namespace

std::unique_ptr<DynamicModule> LoadDynamicModule(const std::u16string& path, std::string* error) {
    if (path.empty()) {
        if (error != nullptr) *error = "empty module path";
        return nullptr;
    }
    // RTLD_LOCAL keeps each module's symbols to itself, as separate DLLs are.
    void* handle = dlopen(Utf16ToUtf8(path).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        if (error != nullptr) *error = dlerror();
        return nullptr;
    }
    auto module = std::make_unique<PosixModule>(handle);
    if (auto startup = reinterpret_cast<Hook>(dlsym(handle, kModuleStartupSymbol)); startup != nullptr && !startup()) {
        if (error != nullptr) *error = "the module's start-up failed";
        return nullptr;  // the module's destructor runs its shut-down and unloads it
    }
    return module;
}

}  // namespace kivu::platform
