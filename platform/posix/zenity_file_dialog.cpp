// The open-file dialog through zenity, when it is installed; otherwise the dialog answers as
// cancelled.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/file_dialog.h"
#include "platform/text.h"

extern char** environ;

namespace kivu::platform {

namespace {

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string candidate = folders.substr(start, end - start) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

class ZenityFileDialog final : public FileDialogPresenter {
public:
    std::u16string ChooseFileToOpen(const OpenFileRequest& request) override {
        if (!OnPath("zenity")) return {};
        // "Bin File(*.Bin)|*.Bin|" becomes zenity's "Bin File(*.Bin) | *.Bin".
        std::string filter = Utf16ToUtf8(request.filter);
        const std::size_t bar = filter.find('|');
        std::string name = bar == std::string::npos ? filter : filter.substr(0, bar);
        std::string pattern = bar == std::string::npos ? "*" : filter.substr(bar + 1);
        if (!pattern.empty() && pattern.back() == '|') pattern.pop_back();
        std::vector<std::string> args = {"zenity", "--file-selection", "--title=Kivu Updata",
                                         "--file-filter=" + name + " | " + pattern,
                                         "--filename=" + Utf16ToUtf8(request.startFolder) + Utf16ToUtf8(request.initialName)};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);

        int pipeFds[2];
        if (pipe(pipeFds) != 0) return {};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        pid_t pid = -1;
        const bool started = posix_spawnp(&pid, "zenity", &actions, nullptr, argv.data(), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        close(pipeFds[1]);
        std::string chosen;
        char buffer[4096];
        ssize_t got = 0;
        while (started && (got = read(pipeFds[0], buffer, sizeof buffer)) > 0) chosen.append(buffer, static_cast<std::size_t>(got));
        close(pipeFds[0]);
        int status = 0;
        if (started) waitpid(pid, &status, 0);
        if (!started || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};  // cancelled
        while (!chosen.empty() && (chosen.back() == '\n' || chosen.back() == '\r')) chosen.pop_back();
        return Utf8ToUtf16(chosen);
    }
};

}  // namespace

FileDialogPresenter& SystemFileDialog() {
    static ZenityFileDialog dialog;
    return dialog;
}

}  // namespace kivu::platform
