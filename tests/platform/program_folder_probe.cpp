// Prints what GetProgramFolder reports, for a test that runs a copy of this program elsewhere.
#include <cstdio>
#include <string>

#include "platform/text.h"
#include "updater/app/program_folder.h"

int main() {
    std::u16string folder = u"unchanged";
    bool ok = kivu::GetProgramFolder(folder);
    std::string text = kivu::platform::Utf16ToUtf8(folder);
    std::printf("%d|%s\n", ok ? 1 : 0, text.c_str());
    return 0;
}
