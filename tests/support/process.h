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

// Runs `program` with `args` (no shell), with extra environment entries "NAME=value".
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& environment = {});

// The staged program of this build.
std::string StagedProgram();

}  // namespace kivu::test
