// The emulated programmer plug-in: plays the receiver's MCU behind the facade library, as a
// real plug-in module loaded through the host's INI file. Its configuration file (JSON, see
// docs/emulation.md) sets the scenario.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "ispfacade/plugin/programmer_plugin.h"

namespace kivu::emulator {

struct ProgrammerScenario {
    std::uint16_t normalVid = 0x093A, normalPid = 0x822A;
    std::uint16_t bootVid = 0x093A, bootPid = 0x8230;
    enum class Identity { kNormal, kBootLoader, kAbsent } startsIn = Identity::kNormal;
    int switchRounds = 1;                // Program calls in the normal identity before the switch
    std::vector<std::int32_t> results{0};  // one per Program call in the boot loader; the last repeats
    std::vector<std::uint32_t> progress{0, 25, 50, 75, 100};  // WM_ISP_PROGRESS during each such call
    int progressIntervalMs = 0;          // the pause between two progress messages
    std::string callLog;                 // one line per call
    std::string receivedImage;           // the image of the last Program call in the boot loader
};

// Reads a scenario; false with `error` set when it is not valid.
bool ReadProgrammerScenario(const std::string& path, ProgrammerScenario& scenario, std::string& error);

class EmulatedProgrammer final : public I_PbMRW5160Programer {
public:
    bool ReservedOperation1() override { return false; }
    bool ReservedOperation2() override { return false; }
    bool ReservedOperation3() override { return false; }
    bool ReservedOperation4() override { return false; }
    bool ReservedOperation5() override { return false; }
    bool ReservedOperation6() override { return false; }
    bool ReservedOperation7() override { return false; }
    bool SetMainWnd(KivuWindowHandle window) override;
    int32_t OpenDevice(int32_t vendorId, int32_t productId, int32_t* scratch) override;
    int32_t Program(uint32_t loadAddress, const uint8_t* image, uint32_t count) override;

    void Configure(ProgrammerScenario scenario);
    void Log(const std::string& line);

private:
    std::mutex mutex_;
    ProgrammerScenario scenario_;
    ProgrammerScenario::Identity identity_ = ProgrammerScenario::Identity::kNormal;
    int normalPrograms_ = 0;
    std::size_t bootPrograms_ = 0;
    KivuWindowHandle window_ = nullptr;
};

class EmulatedProgrammerFacade final : public I_PiPluginFacade {
public:
    bool Initialize(const char16_t* configPath) override;
    bool ReservedOperation1() override { return false; }
    bool ReservedOperation2() override { return false; }
    bool ReservedOperation3() override { return false; }
    I_PiPlugin* GetPlugin(const char16_t* interfaceName, const char16_t* pluginName) override;

private:
    EmulatedProgrammer programmer_;
    bool initialized_ = false;
};

}  // namespace kivu::emulator
