// The transfer of a loaded image into the device, from the size announcement to the reset.
#pragma once

#include "updater/ota/update_engine.h"

namespace kivu::ota {

// True when the device accepted the reset at the end; every failed step writes its line.
bool TransferImage(UpdateEngine& engine);

}  // namespace kivu::ota
