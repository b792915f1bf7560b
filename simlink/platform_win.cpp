// Windows: the simulation is found by its top-level windows and publishes
// named file mappings under the bare block names.
#include "simlink/platform_native.h"

#include <windows.h>

namespace native {

bool windowClassExists(const char *className)
{
    return FindWindowExA(nullptr, nullptr, className, nullptr) != nullptr;
}

std::string blockKey(const char *blockName)
{
    return std::string(blockName);
}

bool blockOwnerTrusted(const std::string &)
{
    return true;
}

int capsLockState()
{
    return GetKeyState(VK_CAPITAL) != 0 ? 1 : 0;
}

} // namespace native
