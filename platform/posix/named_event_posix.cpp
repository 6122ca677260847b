#include <fcntl.h>
#include <linux/futex.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <ctime>

#include "platform/clock.h"
#include "platform/named_event.h"
#include "platform/text.h"

namespace kivu::platform {

namespace {

// The shared state of one event. Only 32-bit atomics, which are lock-free and have the same
// layout in every process.
struct SharedEvent {
    std::atomic<std::uint32_t> pulses;
    std::atomic<std::uint32_t> waiters;
};
static_assert(std::atomic<std::uint32_t>::is_always_lock_free);

long Futex(std::atomic<std::uint32_t>* word, int op, std::uint32_t value, const timespec* timeout) {
    // Not FUTEX_PRIVATE_FLAG: waiters in other processes share the word through the mapping.
    return syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(word), op, value, timeout, nullptr, 0);
}

class PosixNamedEvent final : public NamedEvent {
public:
    explicit PosixNamedEvent(SharedEvent* shared) : shared_(shared) {}
    ~PosixNamedEvent() override { munmap(shared_, sizeof(SharedEvent)); }

    void Pulse() override {
        shared_->pulses.fetch_add(1, std::memory_order_acq_rel);
        Futex(&shared_->pulses, FUTEX_WAKE, INT_MAX, nullptr);
    }

    bool Wait(std::optional<std::chrono::milliseconds> timeout) override {
        const std::uint32_t seen = shared_->pulses.load(std::memory_order_acquire);
        shared_->waiters.fetch_add(1, std::memory_order_acq_rel);
        const std::int64_t deadline = timeout ? MonotonicMilliseconds() + timeout->count() : 0;
        bool pulsed = false;
        for (;;) {
            if (shared_->pulses.load(std::memory_order_acquire) != seen) {
                pulsed = true;
                break;
            }
            timespec relative{};
            const timespec* wait = nullptr;
            if (timeout) {
                const std::int64_t left = deadline - MonotonicMilliseconds();
                if (left <= 0) break;
                relative.tv_sec = static_cast<time_t>(left / 1000);
                relative.tv_nsec = static_cast<long>((left % 1000) * 1000000);
                wait = &relative;
            }
            Futex(&shared_->pulses, FUTEX_WAIT, seen, wait);  // EAGAIN, EINTR, ETIMEDOUT: look again
        }
        shared_->waiters.fetch_sub(1, std::memory_order_acq_rel);
        return pulsed;
    }

    std::uint32_t Waiters() const override { return shared_->waiters.load(std::memory_order_acquire); }

private:
    SharedEvent* shared_;
};

}  // namespace

std::string NamedEventObjectName(const std::u16string& name) {
    std::string object = "/kivu-";
    for (char16_t c : name) {
        const bool plain = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
                           c == u'_' || c == u'.' || c == u'-';
        object.push_back(plain ? static_cast<char>(c) : '-');
    }
    return object;
}

std::unique_ptr<NamedEvent> CreateNamedEvent(const std::u16string& name) {
    const std::string object = NamedEventObjectName(name);
    int fd = shm_open(object.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    // Open to every local user whatever the umask, as the Windows event with a null access list.
    fchmod(fd, 0666);
    struct stat info {};
    if (fstat(fd, &info) != 0 || (info.st_size < static_cast<off_t>(sizeof(SharedEvent)) &&
                                  ftruncate(fd, sizeof(SharedEvent)) != 0)) {
        close(fd);
        return nullptr;
    }
    void* memory = mmap(nullptr, sizeof(SharedEvent), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (memory == MAP_FAILED) return nullptr;
    // A fresh object is zero-filled, which is a valid state for both counters.
    return std::make_unique<PosixNamedEvent>(static_cast<SharedEvent*>(memory));
}

}  // namespace kivu::platform
