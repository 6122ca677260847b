// Whether standard output goes to a terminal (a redrawn progress bar) or elsewhere (lines).
#pragma once

namespace kivu::platform {

bool StandardOutputIsTerminal();

}  // namespace kivu::platform
