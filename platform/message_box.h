// Modal message boxes with an OK button. A window host installs its presenter; without one,
// and whenever KIVU_UNATTENDED=1 is set, the text goes to standard error and the call returns.
#pragma once

#include <string_view>

namespace kivu::platform {

class MessageBoxPresenter {
public:
    virtual ~MessageBoxPresenter() = default;
    // Shows the box and returns once the user has closed it.
    virtual void ShowOk(std::u16string_view text, std::u16string_view caption) = 0;
};

// The presenter is not owned; pass nullptr to go back to standard error.
void SetMessageBoxPresenter(MessageBoxPresenter* presenter);

void ShowMessageBox(std::u16string_view text, std::u16string_view caption = u"Kivu Updata");

}  // namespace kivu::platform
