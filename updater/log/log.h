// The program's one logging operation: a time-stamped line in the log file of the current day.
#pragma once

#include <string>

namespace kivu::platform {
class LocalClock;
}

namespace kivu {

// Where log files go. Set by the dialog's initialisation before any worker exists.
struct LogTargetRecord {
    std::u16string folder;  // with its trailing separator; empty means the current folder
    std::u16string name;    // name part of the file, "Log"
};

extern LogTargetRecord LogTarget;

// Writes "hh:mm:ss:mmm ::  " + message + CR LF to <folder>YYYYMMDD_<name>.log as UTF-8.
// Lines from several threads never interleave; a file that cannot be opened drops the line.
void WriteLog(std::u16string message);

// For tests: the clock that stamps the lines and names the files (nullptr: the system's).
void SetLogClock(platform::LocalClock* clock);

// For hosts that show what went wrong: called with every message as it is written (under the
// log's lock, so keep it short). nullptr removes it.
void SetLogObserver(void (*observer)(const std::u16string& message));

// The day's file name for a given date, as WriteLog builds it.
std::u16string LogFilePath(int year, int month, int day);

}  // namespace kivu
