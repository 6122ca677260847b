#include <unistd.h>

#include "platform/terminal.h"

namespace kivu::platform {

bool StandardOutputIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

}  // namespace kivu::platform
