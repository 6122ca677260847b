#include "tests/support/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace kivu::test {

namespace {
std::string Slurp(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}
}  // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& environment) {
    // Output goes through files, so that a chatty child can never block on a full pipe.
    char outName[] = "/tmp/kivu-out-XXXXXX";
    char errName[] = "/tmp/kivu-err-XXXXXX";
    int outFd = mkstemp(outName);
    int errFd = mkstemp(errName);

    std::vector<std::string> envStrings;
    for (char** e = environ; *e != nullptr; ++e) envStrings.emplace_back(*e);
    for (const std::string& extra : environment) {
        std::string key = extra.substr(0, extra.find('=') + 1);
        std::erase_if(envStrings, [&](const std::string& s) { return s.rfind(key, 0) == 0; });
        envStrings.push_back(extra);
    }
    std::vector<char*> envp;
    for (std::string& s : envStrings) envp.push_back(s.data());
    envp.push_back(nullptr);

    std::vector<std::string> argStrings{program};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : argStrings) argv.push_back(s.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);

    ProcessResult result;
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    close(outFd);
    close(errFd);
    result.out = Slurp(outName);
    result.err = Slurp(errName);
    std::remove(outName);
    std::remove(errName);
    return result;
}

std::string StagedProgram() { return std::string(KIVU_STAGE_DIR) + "/Kivu Updata"; }

}  // namespace kivu::test
