// Local time with milliseconds, a monotonic clock and sleeping.
#pragma once

#include <chrono>
#include <cstdint>

namespace kivu::platform {

struct LocalTime {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// A source of local time, so that tests can put the clock at midnight.
class LocalClock {
public:
    virtual ~LocalClock() = default;
    virtual LocalTime Now() = 0;
};

LocalTime NowLocal();
LocalClock& SystemLocalClock();

// Milliseconds on a clock that never goes back; its zero is arbitrary.
std::int64_t MonotonicMilliseconds();

void SleepFor(std::chrono::milliseconds duration);

}  // namespace kivu::platform
