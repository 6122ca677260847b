#include "updater/ota/update_engine.h"

#include <chrono>

#include "updater/app/program_folder.h"
#include "updater/log/log.h"
#include "updater/ota/protocol.h"
#include "updater/ota/report_layout.h"
#include "updater/ota/transfer.h"

namespace kivu::ota {

UpdateEngine::UpdateEngine(EngineOptions options) : pacer_(&platform::RealPacer()) {
    // Events that cannot be created stay empty: progress and results still reach the dialog.
    progressEvent_ = platform::CreateNamedEvent(options.progressEventName);
    finishEvent_ = platform::CreateNamedEvent(options.finishEventName);
}

UpdateEngine::~UpdateEngine() { StopWorkers(); }

bool UpdateEngine::FindDevice() {
    GetProgramFolder(exeFolder);
    link.featureValueReportId = 3;
    return hid::EnumerateInterfaces(interfaces, vendorId, productId) && hid::SelectCollection(interfaces, link);
}

bool UpdateEngine::Connect() {
    if (!FindDevice()) return false;
    if (!OpenAndIdentify(*this, deviceInfoText, deviceInfoNumber)) return false;
    pacer().Pause(std::chrono::milliseconds(100));
    return true;
}

bool UpdateEngine::LoadImage(const std::u16string& path) {
    ImageSource source;
    source.path = path;
    source.commandLine = commandLine;
    source.exeFolder = exeFolder;
    source.chunkSize = chunkSize;
    source.objectSize = objectSize;
    source.reportLength = link.selectedReportLength;
    std::u16string refusal;
    const bool loaded = ota::LoadImage(image, source, &refusal);
    if (!refusal.empty()) WriteLog(refusal);
    return loaded;
}

void UpdateEngine::ReportProgress(std::int32_t percent) {
    progressPercent.store(percent);
    if (onProgress) onProgress(percent);
    {
        std::lock_guard lock(relayMutex_);
        ++reports_;
    }
    relayWake_.notify_all();
    if (progressEvent_) progressEvent_->Pulse();
}

void UpdateEngine::StopWorkers() {
    stop_.store(true);
    {
        std::lock_guard lock(relayMutex_);
        relayStop_ = true;
    }
    relayWake_.notify_all();
    if (relayThread_.joinable()) relayThread_.join();
    if (otaThread_.joinable()) otaThread_.join();
    stop_.store(false);
    std::lock_guard lock(relayMutex_);
    relayStop_ = false;
}

void UpdateEngine::JoinOtaWorker() {
    if (otaThread_.joinable()) otaThread_.join();
}

bool UpdateEngine::StartWorkers() {
    // A relay still waiting from a failed run, or a worker still running, ends cooperatively
    // before the new ones start.
    StopWorkers();
    std::uint64_t seen = 0;
    {
        std::lock_guard lock(relayMutex_);
        seen = reports_;
    }
    try {
        relayThread_ = std::thread(&UpdateEngine::RelayWorker, this, seen);
    } catch (const std::system_error&) {
        return false;
    }
    try {
        otaThread_ = std::thread(&UpdateEngine::OtaWorker, this);
    } catch (const std::system_error&) {
        // As with the original, a worker that could not start is not reported here; the
        // result channel says FAIL so that the run does not hang.
        if (resultControl != nullptr) resultControl->SetText(u"FAIL");
    }
    return true;
}

void UpdateEngine::OtaWorker() {
    progressPercent.store(0);
    upgradeTag = callerTag;
    const bool passed = TransferImage(*this);
    if (resultControl != nullptr) resultControl->SetText(passed ? u"PASS" : u"FAIL");
    if (finishEvent_) finishEvent_->Pulse();
}

void UpdateEngine::RelayWorker(std::uint64_t seen) {
    std::unique_lock lock(relayMutex_);
    for (;;) {
        relayWake_.wait(lock, [&] { return relayStop_ || reports_ != seen; });
        if (relayStop_) return;
        seen = reports_;
        lock.unlock();
        const std::int32_t percent = progressPercent.load();
        if (progressControl != nullptr) progressControl->SetPosition(percent);
        if (percent >= 100) return;
        pacer().Pause(std::chrono::milliseconds(30));
        lock.lock();
    }
}

UpdateEngine& Engine() {
    // Allocated once and never freed: its threads and handles end with the process.
    static UpdateEngine* const engine = new UpdateEngine();
    return *engine;
}

namespace {
// Builds the engine (and creates its named events) before main runs.
[[maybe_unused]] const bool g_engineBuilt = (Engine(), true);
}  // namespace

}  // namespace kivu::ota
