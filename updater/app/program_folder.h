#pragma once

#include <string>

namespace kivu {

// Fills `folder` with the folder of the running executable, ending in the path separator.
// Returns false and leaves `folder` unchanged when the executable's path cannot be obtained.
bool GetProgramFolder(std::u16string& folder);

}  // namespace kivu
