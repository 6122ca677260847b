// Kivu Updata --headless [-BIN FILE]: the real start-up and initialisation in the program
// folder, a click on the centre of the Start area, and the run followed through the poll timer,
// with the progress on the terminal. Exit codes: 0 PASS, 1 FAIL, 2 no run could start.
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/json_output.h"
#include "platform/terminal.h"
#include "platform/text.h"
#include "updater/app/headless_host.h"
#include "updater/app/main_dialog.h"
#include "updater/log/log.h"
#include "updater/ota/update_engine.h"

namespace kivu::cli {

namespace {

std::u16string g_lastLogLine;
void RememberLogLine(const std::u16string& message) { g_lastLogLine = message; }

class ProgressPrinter {
public:
    ProgressPrinter() : terminal_(platform::StandardOutputIsTerminal()) {}
    void Show(int percent) {
        if (percent == last_) return;
        last_ = percent;
        if (terminal_) {
            const int filled = percent * 40 / 100;
            std::printf("\r[%s%s] %3d%%", std::string(static_cast<std::size_t>(filled), '#').c_str(),
                        std::string(static_cast<std::size_t>(40 - filled), '.').c_str(), percent);
        } else {
            std::printf("%d%%\n", percent);
        }
        std::fflush(stdout);
    }
    void Finish(const char* outcome) {
        if (terminal_ && last_ >= 0) std::printf("\n");
        std::printf("%s\n", outcome);
        std::fflush(stdout);
    }

private:
    bool terminal_;
    int last_ = -1;
};

}  // namespace

int RunHeadless(std::span<const std::string> args) {
    const std::string commandLine = JoinArguments(args, "--headless");
    ota::UpdateEngine& engine = ota::Engine();
    engine.commandLine = platform::Utf8ToUtf16(commandLine);

    app::HeadlessHost host;
    app::CCustomMainDlg dialog(host, engine);
    host.Attach(&dialog);
    dialog.OnInitDialog();
    if (!dialog.skinRead || dialog.startArea.Empty()) {
        std::fprintf(stderr, "Kivu Updata: no run could start: %s\n",
                     dialog.skinRead ? "the skin has no Start area" : "Cannot Read Skin File!");
        return kExitUsage;
    }

    SetLogObserver(&RememberLogLine);
    const config::Rect& start = dialog.startArea;
    dialog.OnLButtonDown((start.left + start.right) / 2, (start.top + start.bottom) / 2);
    SetLogObserver(nullptr);
    if (!dialog.pollTimerRunning()) {
        std::fprintf(stderr, "Kivu Updata: no run could start: %s\n", Utf8(g_lastLogLine).c_str());
        return kExitUsage;
    }

    ProgressPrinter printer;
    printer.Show(dialog.shownPercent);
    host.Run([&] { return dialog.buttonState == app::Passed || dialog.buttonState == app::Failed; },
             [&] { printer.Show(dialog.shownPercent); });
    // The workers have ended or wait for a pulse that will not come: end them before leaving.
    engine.StopWorkers();
    dialog.ispLibrary.StopWorker();
    if (dialog.buttonState == app::Passed) {
        printer.Show(100);
        printer.Finish("PASS");
        return kExitOk;
    }
    printer.Finish("FAIL");
    return kExitFailure;
}

}  // namespace kivu::cli
