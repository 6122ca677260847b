// The process-wide object of the OTA update: identifiers, HID list and link, protocol state,
// firmware image, the dialog's two channels, the named events and the two worker threads.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/named_event.h"
#include "platform/pacer.h"
#include "updater/hid/hid_device.h"
#include "updater/ota/channels.h"
#include "updater/ota/firmware_image.h"

namespace kivu::ota {

inline constexpr std::int32_t kDefaultRetryLimit = 1000;
inline constexpr const char16_t* kProgressEventName = u"Global\\EVENT_UPDATA_PROGRESS";
inline constexpr const char16_t* kFinishEventName = u"Global\\EVENT_UPDATA_FINISH";
inline constexpr std::int32_t kTransportHid = 1;

struct EngineOptions {
    std::u16string progressEventName = kProgressEventName;
    std::u16string finishEventName = kFinishEventName;
};

class UpdateEngine {
public:
    explicit UpdateEngine(EngineOptions options = {});
    // Test engines end their workers cooperatively; the process's engine is never destroyed.
    ~UpdateEngine();
    UpdateEngine(const UpdateEngine&) = delete;
    UpdateEngine& operator=(const UpdateEngine&) = delete;

    // FindDevice, then the handshake; keeps the device's info and pauses 100 ms on success.
    bool Connect();
    // Records the executable's folder and selects the collection of feature report 3.
    bool FindDevice();
    // Loads the image for the device's geometry; a refusal is written to the log.
    bool LoadImage(const std::u16string& path);
    // Starts the progress relay and then the OTA worker, after ending earlier ones.
    bool StartWorkers();
    // Stores the percentage and announces it to the relay and to other processes.
    void ReportProgress(std::int32_t percent);

    // Asks running workers to end, and waits for them.
    void StopWorkers();
    // Waits for the OTA worker of the last StartWorkers to end (for tests and headless runs).
    void JoinOtaWorker();
    bool stopRequested() const { return stop_.load(); }
    platform::Pacer& pacer() const { return *pacer_; }
    void set_pacer(platform::Pacer* pacer) { pacer_ = pacer != nullptr ? pacer : &platform::RealPacer(); }

    // The record's fields.
    hid::HidInterfaceList interfaces;
    hid::HidLink link;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::int32_t transferSequence = 0;
    std::int32_t runningSequence = 0;
    std::u16string exeFolder;
    FirmwareImage image;
    std::uint32_t objectSize = 0;
    std::uint16_t chunkSize = 0;
    std::uint16_t packetsPerCheck = 0;
    std::int32_t retryLimit = kDefaultRetryLimit;
    std::string upgradeTag = "-TEST";
    ProgressChannel* progressControl = nullptr;
    ResultChannel* resultControl = nullptr;
    std::string deviceInfoText;
    std::string callerTag;
    std::uint16_t deviceInfoNumber = 0;

    std::atomic<std::int32_t> progressPercent{0};
    std::int32_t transportKind = 0;
    std::atomic<std::int32_t> contentPause{10};  // milliseconds
    std::u16string commandLine;                  // the program's arguments, for "-BIN"
    // Called on the OTA worker with every percentage, before the relay and the events hear of it.
    std::function<void(std::int32_t)> onProgress;

private:
    void OtaWorker();
    void RelayWorker(std::uint64_t seen);

    platform::Pacer* pacer_;
    std::unique_ptr<platform::NamedEvent> progressEvent_;
    std::unique_ptr<platform::NamedEvent> finishEvent_;
    std::thread otaThread_;
    std::thread relayThread_;
    std::atomic<bool> stop_{false};
    // The relay's own wake-up: a count of reports that cannot be missed, unlike a pulse.
    std::mutex relayMutex_;
    std::condition_variable relayWake_;
    std::uint64_t reports_ = 0;
    bool relayStop_ = false;
};

// The process's engine, built before main runs and never torn down.
UpdateEngine& Engine();

}  // namespace kivu::ota
