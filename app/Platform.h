#pragma once
// Services the Windows program took from the system, with what stands in for
// them elsewhere (see each function).
#include <memory>
#include <string>
#include <string_view>

namespace ledgerly {

inline constexpr const char* kNoRegistryValue = "No! Value or Key Doesn't exist";

// True when a top-level window's title, read with room for 127 characters,
// begins with `titleStart` (case-sensitive). Off Windows: the titles of the
// X11 client windows (EWMH _NET_CLIENT_LIST, _NET_WM_NAME, else WM_NAME) of
// $DISPLAY; no display means no window.
bool WindowExists(std::string_view titleStart);

// A string value of HKEY_CURRENT_USER\<key>, cut at its first NUL, or
// kNoRegistryValue. Off Windows: the same key in the Wine prefix's user.reg
// ($WINEPREFIX, else ~/.wine).
std::string RegReadString(std::string_view keyPath, std::string_view valueName);

// Held for the life of the program; a second instance cannot take it.
class InstanceLock {
public:
    virtual ~InstanceLock() = default;
};
// nullptr when another instance holds the lock.
std::unique_ptr<InstanceLock> AcquireInstanceLock(std::string_view name);

}  // namespace ledgerly
