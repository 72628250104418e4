#include "app/Platform.h"

#include <cstdlib>

namespace ledgerly {

// Minimal stand-ins; the X11 window walk, the Wine registry and the lock
// follow in this file.
bool WindowExists(std::string_view titleStart) {
    (void)titleStart;
    return false;
}

std::string RegReadString(std::string_view keyPath, std::string_view valueName) {
    (void)keyPath;
    (void)valueName;
    return kNoRegistryValue;
}

std::unique_ptr<InstanceLock> AcquireInstanceLock(std::string_view) { return std::make_unique<InstanceLock>(); }

}  // namespace ledgerly
