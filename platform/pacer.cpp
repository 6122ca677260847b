#include "platform/pacer.h"

#include "platform/clock.h"

namespace kivu::platform {

void SleepingPacer::Pause(std::chrono::milliseconds duration) { SleepFor(duration); }

void RecordingPacer::Pause(std::chrono::milliseconds duration) {
    std::lock_guard lock(mutex_);
    pauses_.push_back(duration);
}

std::vector<std::chrono::milliseconds> RecordingPacer::Pauses() const {
    std::lock_guard lock(mutex_);
    return pauses_;
}

std::chrono::milliseconds RecordingPacer::Total() const {
    std::lock_guard lock(mutex_);
    std::chrono::milliseconds total{0};
    for (auto pause : pauses_) total += pause;
    return total;
}

void RecordingPacer::Clear() {
    std::lock_guard lock(mutex_);
    pauses_.clear();
}

Pacer& RealPacer() {
    static SleepingPacer pacer;
    return pacer;
}

}  // namespace kivu::platform
