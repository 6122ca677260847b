#include "emulator/programmer/emulated_programmer.h"

#include <chrono>
#include <cstdio>
#include <thread>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "platform/text.h"

namespace kivu::emulator {

namespace {

using nlohmann::json;

std::uint16_t Id(const json& value) {
    if (value.is_string()) return static_cast<std::uint16_t>(std::stoul(value.get<std::string>(), nullptr, 0));
    return value.get<std::uint16_t>();
}

std::string Hex(std::uint32_t v, int width) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%0*X", width, v);
    return buffer;
}

std::string Narrow(const char16_t* text) { return text == nullptr ? std::string("(null)") : platform::Utf16ToUtf8(text); }

}  // namespace

bool ReadProgrammerScenario(const std::string& path, ProgrammerScenario& s, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    try {
        const json config = json::parse(in);
        const std::filesystem::path folder = std::filesystem::absolute(path).parent_path();
        auto beside = [&](const std::string& name) {
            const std::filesystem::path p(name);
            return (p.is_absolute() ? p : folder / p).string();
        };
        if (config.contains("normal")) {
            s.normalVid = Id(config["normal"].at("vid"));
            s.normalPid = Id(config["normal"].at("pid"));
        }
        if (config.contains("bootloader")) {
            s.bootVid = Id(config["bootloader"].at("vid"));
            s.bootPid = Id(config["bootloader"].at("pid"));
        }
        if (config.contains("starts_in")) {
            const std::string where = config["starts_in"].get<std::string>();
            if (where == "normal") {
                s.startsIn = ProgrammerScenario::Identity::kNormal;
            } else if (where == "bootloader") {
                s.startsIn = ProgrammerScenario::Identity::kBootLoader;
            } else if (where == "absent") {
                s.startsIn = ProgrammerScenario::Identity::kAbsent;
            } else {
                throw std::runtime_error("starts_in must be normal, bootloader or absent");
            }
        }
        if (config.contains("switch_rounds")) s.switchRounds = config["switch_rounds"].get<int>();
        if (config.contains("results")) {
            s.results = config["results"].get<std::vector<std::int32_t>>();
            if (s.results.empty()) throw std::runtime_error("results must not be empty");
        }
        if (config.contains("progress")) s.progress = config["progress"].get<std::vector<std::uint32_t>>();
        if (config.contains("progress_interval_ms")) s.progressIntervalMs = config["progress_interval_ms"].get<int>();
        if (config.contains("call_log")) s.callLog = beside(config["call_log"].get<std::string>());
        if (config.contains("received_image")) s.receivedImage = beside(config["received_image"].get<std::string>());
    } catch (const std::exception& e) {
        error = path + ": " + e.what();
        return false;
    }
    return true;
}

void EmulatedProgrammer::Configure(ProgrammerScenario scenario) {
    std::lock_guard lock(mutex_);
    scenario_ = std::move(scenario);
    identity_ = scenario_.startsIn;
    normalPrograms_ = 0;
    bootPrograms_ = 0;
    if (!scenario_.callLog.empty()) std::ofstream(scenario_.callLog, std::ios::trunc);
}

void EmulatedProgrammer::Log(const std::string& line) {
    if (scenario_.callLog.empty()) return;
    std::ofstream(scenario_.callLog, std::ios::app) << line << '\n';
}

bool EmulatedProgrammer::SetMainWnd(KivuWindowHandle window) {
    std::lock_guard lock(mutex_);
    window_ = window;
    Log(std::string("SetMainWnd(") + (window != nullptr ? "window" : "null") + ") = true");
    return true;
}

int32_t EmulatedProgrammer::OpenDevice(int32_t vendorId, int32_t productId, int32_t* scratch) {
    std::lock_guard lock(mutex_);
    const auto vid = static_cast<std::uint16_t>(vendorId);
    const auto pid = static_cast<std::uint16_t>(productId);
    int32_t result = 0;
    if (identity_ == ProgrammerScenario::Identity::kNormal && vid == scenario_.normalVid && pid == scenario_.normalPid) result = 1;
    if (identity_ == ProgrammerScenario::Identity::kBootLoader && vid == scenario_.bootVid && pid == scenario_.bootPid) result = 1;
    if (scratch != nullptr) *scratch = result;
    Log("OpenDevice(" + Hex(vid, 4) + ", " + Hex(pid, 4) + ") = " + std::to_string(result));
    return result;
}

int32_t EmulatedProgrammer::Program(uint32_t loadAddress, const uint8_t* image, uint32_t count) {
    std::unique_lock lock(mutex_);
    const std::string call = "Program(" + Hex(loadAddress, 8) + ", " + std::to_string(count) + " bytes)";
    if (identity_ == ProgrammerScenario::Identity::kNormal) {
        // In its normal firmware the MCU takes the call as the request to enter its boot loader.
        if (++normalPrograms_ >= scenario_.switchRounds) identity_ = ProgrammerScenario::Identity::kBootLoader;
        Log(call + " = 0 (switch request " + std::to_string(normalPrograms_) + ")");
        return 0;
    }
    if (identity_ == ProgrammerScenario::Identity::kAbsent) {
        Log(call + " = 1");
        return 1;
    }
    const std::int32_t result = scenario_.results[std::min(bootPrograms_, scenario_.results.size() - 1)];
    ++bootPrograms_;
    if (!scenario_.receivedImage.empty() && image != nullptr) {
        std::ofstream(scenario_.receivedImage, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(image), static_cast<std::streamsize>(count));
    }
    const std::vector<std::uint32_t> progress = scenario_.progress;
    KivuWindowHandle window = window_;
    const int interval = scenario_.progressIntervalMs;
    Log(call + " = " + std::to_string(result));
    lock.unlock();
    // Progress goes to the window outside the lock: the window's thread may call back in.
    if (window != nullptr && window->sendMessage != nullptr) {
        for (std::uint32_t percent : progress) {
            window->sendMessage(window, WM_ISP_PROGRESS, percent, 0);
            if (interval > 0) std::this_thread::sleep_for(std::chrono::milliseconds(interval));
        }
    }
    return result;
}

bool EmulatedProgrammerFacade::Initialize(const char16_t* configPath) {
    ProgrammerScenario scenario;
    std::string error;
    const std::string path = Narrow(configPath);
    if (!ReadProgrammerScenario(path, scenario, error)) {
        std::fprintf(stderr, "emulated programmer: %s\n", error.c_str());
        return false;
    }
    programmer_.Configure(std::move(scenario));
    programmer_.Log("Initialize(" + path + ") = true");
    initialized_ = true;
    return true;
}

I_PiPlugin* EmulatedProgrammerFacade::GetPlugin(const char16_t* interfaceName, const char16_t* pluginName) {
    if (!initialized_) return nullptr;
    if (Narrow(interfaceName) != "I_PbMRW5160Programer" || Narrow(pluginName) != "MRW5160Programer") return nullptr;
    return &programmer_;
}

}  // namespace kivu::emulator

