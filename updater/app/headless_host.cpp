#include "updater/app/headless_host.h"

#include "platform/clock.h"

namespace kivu::app {

void HeadlessHost::SetTimer(int id, std::chrono::milliseconds period) {
    timers_[id] = {period, platform::MonotonicMilliseconds() + period.count()};
}

HiddenControls HeadlessHost::CreateHiddenControls(const config::Rect&) {
    return {&progressBar_, &outcomeDisplay_, &resultControl_};
}

void HeadlessHost::Run(const std::function<bool()>& done, const std::function<void()>& tick) {
    while (endedWith_ == 0 && !timers_.empty() && !done()) {
        auto next = timers_.begin();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->second.second < next->second.second) next = it;
        }
        const int id = next->first;
        const std::int64_t wait = next->second.second - platform::MonotonicMilliseconds();
        if (wait > 0) platform::SleepFor(std::chrono::milliseconds(wait));
        next->second.second += next->second.first.count();
        if (dialog_ != nullptr) dialog_->OnTimer(id);
        tick();
    }
}

}  // namespace kivu::app
