// Every pause of the device protocol, the transfer, the workers and the update sequence goes
// through a pacer, so that tests assert the schedule of pauses instead of waiting for it.
#pragma once

#include <chrono>
#include <mutex>
#include <vector>

namespace kivu::platform {

class Pacer {
public:
    virtual ~Pacer() = default;
    virtual void Pause(std::chrono::milliseconds duration) = 0;
};

// Sleeps for real.
class SleepingPacer final : public Pacer {
public:
    void Pause(std::chrono::milliseconds duration) override;
};

// Returns at once and keeps the requested pauses in order. Safe to share between threads.
class RecordingPacer final : public Pacer {
public:
    void Pause(std::chrono::milliseconds duration) override;
    std::vector<std::chrono::milliseconds> Pauses() const;
    std::chrono::milliseconds Total() const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::vector<std::chrono::milliseconds> pauses_;
};

// The process's sleeping pacer.
Pacer& RealPacer();

}  // namespace kivu::platform
