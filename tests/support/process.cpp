#include "tests/support/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

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

namespace {

int Spawn(const std::string& program, const std::vector<std::string>& args, const std::vector<std::string>& environment,
          std::string& outName, std::string& errName) {
    // Output goes through files, so that a chatty child can never block on a full pipe.
    char outTemplate[] = "/tmp/kivu-out-XXXXXX";
    char errTemplate[] = "/tmp/kivu-err-XXXXXX";
    int outFd = mkstemp(outTemplate);
    int errFd = mkstemp(errTemplate);
    outName = outTemplate;
    errName = errTemplate;

    std::vector<std::string> envStrings;
    for (char** e = environ; *e != nullptr; ++e) envStrings.emplace_back(*e);
    // "NAME=value" sets a variable; a bare "NAME" removes it.
    for (const std::string& extra : environment) {
        const bool unset = extra.find('=') == std::string::npos;
        const std::string key = unset ? extra + "=" : extra.substr(0, extra.find('=') + 1);
        std::erase_if(envStrings, [&](const std::string& s) { return s.rfind(key, 0) == 0; });
        if (!unset) envStrings.push_back(extra);
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
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(outFd);
    close(errFd);
    return pid;
}

ProcessResult Collect(int pid, const std::string& outName, const std::string& errName) {
    ProcessResult result;
    if (pid > 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    result.out = Slurp(outName);
    result.err = Slurp(errName);
    std::remove(outName.c_str());
    std::remove(errName.c_str());
    return result;
}

}  // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& environment) {
    std::string outName, errName;
    const int pid = Spawn(program, args, environment, outName, errName);
    return Collect(pid, outName, errName);
}

StartedProcess::StartedProcess(const std::string& program, const std::vector<std::string>& args,
                               const std::vector<std::string>& environment)
    : pid_(Spawn(program, args, environment, outName_, errName_)) {}

StartedProcess::~StartedProcess() {
    if (!waited_) {
        if (pid_ > 0) kill(pid_, SIGKILL);
        Wait();
    }
}

ProcessResult StartedProcess::Stop() {
    if (pid_ > 0 && !waited_) kill(pid_, SIGKILL);
    return Wait();
}

ProcessResult StartedProcess::Wait() {
    waited_ = true;
    return Collect(pid_, outName_, errName_);
}

std::string StagedProgram() { return std::string(KIVU_STAGE_DIR) + "/Kivu Updata"; }

}  // namespace kivu::test
