// The updater's run-time binding to the ISP facade library and the worker that programs the
// receiver's USB MCU through it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "ispfacade/plugin/programmer_plugin.h"
#include "platform/dynamic_module.h"
#include "platform/pacer.h"
#include "updater/config/settings.h"
#include "updater/ota/channels.h"

namespace kivu::isp {

inline constexpr std::uint32_t FirmwareLoadAddress = 0x60040000;
inline constexpr int kMaxSwitchRounds = 10;

// The message for a result code of Program; empty for codes outside 0 to 10.
std::u16string ResultMessage(std::int32_t code);

// The library's file, relative to the program folder ("Bin/MRW5160HIDISPSDK.so").
std::u16string LibraryRelativePath();

// The binding: an object that is never a window; only its data is used.
class CMRW5160HIDISPSDKTestDlg {
public:
    CMRW5160HIDISPSDKTestDlg() = default;
    ~CMRW5160HIDISPSDKTestDlg();  // ends a running worker cooperatively
    CMRW5160HIDISPSDKTestDlg(const CMRW5160HIDISPSDKTestDlg&) = delete;
    CMRW5160HIDISPSDKTestDlg& operator=(const CMRW5160HIDISPSDKTestDlg&) = delete;

    // Loads <programFolder>Bin/MRW5160HIDISPSDK.so, hands it `window` and finds its exports; a
    // failing step shows its message box and leaves the binding incomplete.
    void Bind(const std::u16string& programFolder, KivuWindowHandle window);
    // Whether every entry point was found (tests may set them without a library).
    bool bound() const { return setMainWnd && openDevice && program; }

    // Logs "Dongle MRW5160_FWUpdate....", clears the result, copies the identifiers and the file
    // name, ends an earlier worker and starts a new one.
    void StartIspWorker(const config::UpdateSettings& settings);
    // Waits for the running worker to end (for tests and headless runs).
    void JoinWorker();
    void StopWorker();

    platform::Pacer& pacer() const { return *pacer_; }
    void set_pacer(platform::Pacer* pacer) { pacer_ = pacer != nullptr ? pacer : &platform::RealPacer(); }

    SetMainWndFunction setMainWnd = nullptr;
    OpenDeviceFunction openDevice = nullptr;
    ProgramFunction program = nullptr;
    ota::ResultChannel* resultControl = nullptr;
    std::int32_t repeatLimit = config::kDefaultRepeatLimit;
    std::uint16_t vid = 0, pid = 0, vidBoot = 0, pidBoot = 0;
    std::u16string firmwareFile;
    std::u16string programFolder;

private:
    void IspWorker();
    void SetResult(const char16_t* text);

    std::unique_ptr<platform::DynamicModule> library_;
    std::thread worker_;
    std::atomic<bool> stop_{false};
    platform::Pacer* pacer_ = &platform::RealPacer();
};

}  // namespace kivu::isp
