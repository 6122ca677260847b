#include "updater/log/log.h"

#include <atomic>
#include <cstdio>
#include <mutex>

#include "platform/clock.h"
#include "platform/file.h"
#include "platform/text.h"

namespace kivu {

LogTargetRecord LogTarget;

namespace {

std::atomic<platform::LocalClock*> g_clock{nullptr};
std::atomic<void (*)(const std::u16string&)> g_observer{nullptr};

platform::LocalClock& Clock() {
    platform::LocalClock* clock = g_clock.load();
    return clock != nullptr ? *clock : platform::SystemLocalClock();
}

// Formats a non-negative number with at least `width` digits, as "%0.<width>d" does (the 0 flag is void with a precision).
void AppendNumber(std::u16string& out, int value, int width) {
    char buffer[16];
    int length = std::snprintf(buffer, sizeof buffer, "%.*d", width, value);
    for (int i = 0; i < length; ++i) out.push_back(static_cast<char16_t>(buffer[i]));
}

}  // namespace

void SetLogClock(platform::LocalClock* clock) { g_clock.store(clock); }

void SetLogObserver(void (*observer)(const std::u16string& message)) { g_observer.store(observer); }

std::u16string LogFilePath(int year, int month, int day) {
    std::u16string path = LogTarget.folder;
    AppendNumber(path, year, 4);
    AppendNumber(path, month, 2);
    AppendNumber(path, day, 2);
    path += u'_';
    path += LogTarget.name;
    path += u".log";
    return path;
}

void WriteLog(std::u16string message) {
    // One lock around the whole step keeps lines whole and in the order their times say.
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    if (auto observer = g_observer.load()) observer(message);

    platform::LocalTime stamp = Clock().Now();
    std::u16string line;
    line.reserve(17 + message.size());
    AppendNumber(line, stamp.hour, 2);
    line += u':';
    AppendNumber(line, stamp.minute, 2);
    line += u':';
    AppendNumber(line, stamp.second, 2);
    line += u':';
    AppendNumber(line, stamp.millisecond, 3);
    line += u" ::  ";
    line += message;
    // The message is written whole, however long: outside status texts have no bound.
    std::string bytes = platform::Utf16ToUtf8(line);
    bytes += "\r\n";

    platform::LocalTime day = Clock().Now();
    platform::File file = platform::OpenFile(LogFilePath(day.year, day.month, day.day), "ab");
    if (!file) return;  // a log that cannot be written never stops the program
    std::fwrite(bytes.data(), 1, bytes.size(), file.get());
}

}  // namespace kivu
