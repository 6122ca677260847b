// A whole TransferImage of a 131,040-byte file against the emulated device with the real
// pacer, for the DEVICE 0 and DEVICE 1 content pauses. The pauses the procedure asks for are
// the protocol's floor; printed beside them: the wall time, their ratio (goal: within 1.01)
// and the process's CPU time as a share of the wall time (goal: under 2%, no busy waiting).
// Usage: transfer_bench [FILE_BYTES]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>

#include "emulator/hid/emulated_bus.h"
#include "platform/clock.h"
#include "platform/pacer.h"
#include "platform/text.h"
#include "updater/log/log.h"
#include "updater/ota/transfer.h"
#include "updater/ota/update_engine.h"

namespace {

// Sleeps as the real pacer does and adds up what was asked for.
class MeasuringPacer final : public kivu::platform::Pacer {
public:
    void Pause(std::chrono::milliseconds duration) override {
        requested_ += duration;
        kivu::platform::SleepFor(duration);
    }
    std::chrono::milliseconds requested() const { return requested_; }

private:
    std::chrono::milliseconds requested_{0};
};

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

}  // namespace

int main(int argc, char** argv) {
    using namespace kivu;
    const std::size_t fileBytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 131040;
    const auto folder = std::filesystem::temp_directory_path() /
                        ("kivu-transfer-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    LogTarget.folder = platform::Utf8ToUtf16(folder.string() + "/");
    LogTarget.name = u"Log";
    {
        std::ofstream file(folder / "fw.bin", std::ios::binary);
        for (std::size_t i = 0; i < fileBytes; ++i) file.put(static_cast<char>(i * 31 + 7));
    }

    std::printf("%-9s %10s %12s %8s %10s %8s\n", "pauses", "wall s", "requested s", "ratio", "cpu s", "cpu %");
    for (int device : {0, 1}) {
        emulator::EmulatedDeviceConfig mouse;
        mouse.vendorId = 0x093A;
        mouse.productId = 0x822A;
        mouse.ota = emulator::OtaConfig{};
        emulator::EmulatedBus bus({mouse});
        platform::SetHidBus(&bus);
        ota::UpdateEngine engine({u"Bench\\progress", u"Bench\\finish"});
        MeasuringPacer pacer;
        engine.set_pacer(&pacer);
        engine.vendorId = 0x093A;
        engine.productId = 0x822A;
        engine.contentPause = device == 1 ? 40 : 10;
        if (!engine.Connect() || !engine.LoadImage(platform::Utf8ToUtf16((folder / "fw.bin").string()))) {
            std::fprintf(stderr, "the emulated device could not be prepared\n");
            return 1;
        }
        const std::chrono::milliseconds before = pacer.requested();
        const double cpuStart = CpuSeconds();
        const auto wallStart = std::chrono::steady_clock::now();
        const bool passed = ota::TransferImage(engine);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        const double cpu = CpuSeconds() - cpuStart;
        const double requested = static_cast<double>((pacer.requested() - before).count()) / 1000.0;
        std::printf("DEVICE %d  %10.2f %12.2f %8.4f %10.3f %7.2f%%%s\n", device, wall, requested, wall / requested, cpu,
                    100.0 * cpu / wall, passed ? "" : "  (FAIL)");
        platform::SetHidBus(nullptr);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
