// Runs a program of the build and captures what it prints.
#pragma once

#include <string>
#include <vector>

namespace kivu::test {

struct ProcessResult {
    int exitCode = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs `program` with `args` (no shell); environment entries "NAME=value" set a variable and a
// bare "NAME" removes one.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& environment = {});

// A child started without waiting for it; Wait() collects its result.
class StartedProcess {
public:
    StartedProcess(const std::string& program, const std::vector<std::string>& args,
                   const std::vector<std::string>& environment = {});
    ~StartedProcess();
    StartedProcess(const StartedProcess&) = delete;
    StartedProcess& operator=(const StartedProcess&) = delete;
    ProcessResult Wait();
    // Ends the child (if it still runs) and collects what it printed.
    ProcessResult Stop();
    bool started() const { return pid_ > 0; }

private:
    std::string outName_, errName_;  // before pid_: the constructor's Spawn fills them
    int pid_ = -1;
    bool waited_ = false;
};

// The staged program of this build.
std::string StagedProgram();

}  // namespace kivu::test
