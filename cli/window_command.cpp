// Kivu Updata [-BIN FILE]: the skinned window.
#include <cstdio>

#include "cli/cli.h"
#include "cli/commands.h"
#include "platform/file_dialog.h"
#include "platform/sdl/sdl_window_host.h"
#include "platform/text.h"
#include "updater/app/main_dialog.h"
#include "updater/ota/update_engine.h"

namespace kivu::cli {

int RunWindow(std::span<const std::string> args) {
    const std::string commandLine = JoinArguments(args);
    platform::SdlWindowHost host;
    std::string error;
    if (!host.Open(error)) {
        std::fprintf(stderr, "Kivu Updata: cannot open the window (%s); 'Kivu Updata --headless' runs without one\n",
                     error.c_str());
        return kExitUsage;
    }
    platform::SetFileDialogPresenter(&platform::SystemFileDialog());
    ota::UpdateEngine& engine = ota::Engine();
    engine.commandLine = platform::Utf8ToUtf16(commandLine);
    int result = 0;
    {
        app::CCustomMainDlg dialog(host, engine);
        result = host.RunModal(dialog);
        // Closing the window during a run ends the workers cooperatively and promptly.
        engine.StopWorkers();
        dialog.ispLibrary.StopWorker();
    }
    platform::SetFileDialogPresenter(nullptr);
    return result == app::IDOK || result == app::IDCANCEL ? kExitOk : kExitFailure;
}

}  // namespace kivu::cli
