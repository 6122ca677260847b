#include <sys/prctl.h>
#include <time.h>

#include <thread>

#include "platform/clock.h"

namespace kivu::platform {

LocalTime NowLocal() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    LocalTime result;
    result.year = local.tm_year + 1900;
    result.month = local.tm_mon + 1;
    result.day = local.tm_mday;
    result.hour = local.tm_hour;
    result.minute = local.tm_min;
    result.second = local.tm_sec;
    result.millisecond = static_cast<int>(now.tv_nsec / 1000000);
    return result;
}

namespace {
class SystemClock final : public LocalClock {
public:
    LocalTime Now() override { return NowLocal(); }
};
}  // namespace

LocalClock& SystemLocalClock() {
    static SystemClock clock;
    return clock;
}

std::int64_t MonotonicMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void SleepFor(std::chrono::milliseconds duration) {
    if (duration.count() <= 0) return;
    // The kernel may add up to its timer slack (50 us by default) to every sleep; over the
    // thousands of short pauses of a transfer that adds up, so each sleeping thread asks for
    // the smallest slack once.
    thread_local const bool tightened = prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) == 0;
    static_cast<void>(tightened);
    std::this_thread::sleep_for(duration);
}

}  // namespace kivu::platform
