// A plug-in for testing the facade's edge cases. Its configuration file holds one word:
//   programmer    a working programmer whose OpenDevice gives 5 and Program 3
//   no-programmer GetPlugin gives null
//   wrong-type    GetPlugin gives a plug-in object that is no programmer
// The environment variable KIVU_TEST_PLUGIN_MODE=null-service makes GetServiceInstance return
// nonzero without filling the pointer; KIVU_TEST_PLUGIN_MARKER names a file it creates when
// loaded, so that a test can tell whether the module was loaded at all.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "ispfacade/plugin/programmer_plugin.h"
#include "platform/text.h"

namespace {

struct MarkOnLoad {
    MarkOnLoad() {
        if (const char* marker = std::getenv("KIVU_TEST_PLUGIN_MARKER")) std::ofstream(marker) << "loaded\n";
    }
} markOnLoad;

class TestProgrammer final : public I_PbMRW5160Programer {
public:
    bool ReservedOperation1() override { return false; }
    bool ReservedOperation2() override { return false; }
    bool ReservedOperation3() override { return false; }
    bool ReservedOperation4() override { return false; }
    bool ReservedOperation5() override { return false; }
    bool ReservedOperation6() override { return false; }
    bool ReservedOperation7() override { return false; }
    bool SetMainWnd(KivuWindowHandle) override { return true; }
    int32_t OpenDevice(int32_t, int32_t, int32_t* scratch) override {
        *scratch = 99;
        return 5;
    }
    int32_t Program(uint32_t, const uint8_t*, uint32_t) override { return 3; }
};

class NotAProgrammer final : public I_PiPlugin {};

class TestFacade final : public I_PiPluginFacade {
public:
    bool Initialize(const char16_t* configPath) override {
        std::ifstream in(kivu::platform::Utf16ToUtf8(configPath));
        return static_cast<bool>(in >> mode_);
    }
    bool ReservedOperation1() override { return false; }
    bool ReservedOperation2() override { return false; }
    bool ReservedOperation3() override { return false; }
    I_PiPlugin* GetPlugin(const char16_t*, const char16_t*) override {
        if (mode_ == "programmer") return &programmer_;
        if (mode_ == "wrong-type") return &other_;
        return nullptr;
    }

private:
    std::string mode_;
    TestProgrammer programmer_;
    NotAProgrammer other_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) int GetServiceInstance(const char16_t*, I_PiPluginFacade** service) {
    static TestFacade facade;
    const char* mode = std::getenv("KIVU_TEST_PLUGIN_MODE");
    if (mode != nullptr && std::strcmp(mode, "null-service") == 0) return 1;
    *service = &facade;
    return 1;
}
