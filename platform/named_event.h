// Named events that every local process may open, wait on and pulse. A pulse releases exactly
// the threads waiting at that moment, in this process or any other, and leaves the event
// non-signalled.
//
// On Linux a name maps to a shared-memory object: "Global\EVENT_UPDATA_FINISH" becomes
// /dev/shm/kivu-Global-EVENT_UPDATA_FINISH (every character outside [A-Za-z0-9_.-] becomes
// '-'), created with mode 0666. It holds a pulse counter on which waiters sleep with a futex.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace kivu::platform {

class NamedEvent {
public:
    virtual ~NamedEvent() = default;
    // Releases every thread waiting at this moment.
    virtual void Pulse() = 0;
    // Waits for the next pulse; false when the time-out (if any) passed first.
    virtual bool Wait(std::optional<std::chrono::milliseconds> timeout) = 0;
    // How many threads wait at this moment, across processes.
    virtual std::uint32_t Waiters() const = 0;
};

// Creates the event, or opens it when it exists. Null when the system refuses.
std::unique_ptr<NamedEvent> CreateNamedEvent(const std::u16string& name);

// The name of the shared-memory object that stands for the event (for the documentation and
// for tests that clean up).
std::string NamedEventObjectName(const std::u16string& name);

}  // namespace kivu::platform
