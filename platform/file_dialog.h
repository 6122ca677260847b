// The open-file dialog. A window host installs its presenter; without one the dialog answers
// as if the user had cancelled it.
#pragma once

#include <string>

namespace kivu::platform {

struct OpenFileRequest {
    std::u16string filter;            // "Bin File(*.Bin)|*.Bin|"
    std::u16string defaultExtension;  // ".Bin"
    std::u16string initialName;       // "*.Bin"
    std::u16string startFolder;
};

class FileDialogPresenter {
public:
    virtual ~FileDialogPresenter() = default;
    // The chosen full path, or empty when cancelled.
    virtual std::u16string ChooseFileToOpen(const OpenFileRequest& request) = 0;
};

void SetFileDialogPresenter(FileDialogPresenter* presenter);

// The system's dialog (zenity on Linux, when it is installed), for window hosts to install.
FileDialogPresenter& SystemFileDialog();
std::u16string ChooseFileToOpen(const OpenFileRequest& request);

}  // namespace kivu::platform
