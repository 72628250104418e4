#pragma once
// Services the Windows program took from the system, with what stands in for
// them elsewhere (see each function).
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ledgerly {

inline constexpr const char* kNoRegistryValue = "No! Value or Key Doesn't exist";

// True when a top-level window's title, read with room for 127 characters,
// begins with `titleStart` (case-sensitive). On Windows every top-level
// window (EnumWindows), its title read as UTF-16. Off Windows: the titles of the
// X11 client windows (EWMH _NET_CLIENT_LIST, _NET_WM_NAME, else WM_NAME) of
// $DISPLAY; no display means no window.
bool WindowExists(std::string_view titleStart);

// A string value of HKEY_CURRENT_USER\<key>, cut at its first NUL, or
// kNoRegistryValue. The text is UTF-8. On Windows: RegGetValue, REG_SZ values
// only. Off Windows: the same key in the Wine prefix's user.reg
// ($WINEPREFIX, else ~/.wine); the text is then UTF-8, like the local paths
// it is mapped to.
std::string RegReadString(std::string_view keyPath, std::string_view valueName);

// The Wine prefix whose user.reg stands in for the registry: $WINEPREFIX,
// else ~/.wine. Empty on Windows (and without a home folder).
std::string DefaultWinePrefix();

// The reading of a Wine registry file (user.reg) behind RegReadString: the
// key is compared without regard to case, the value name likewise ("" or "@"
// for the key's default value). A string value ("..." or str(2):"...") gives
// its text, escapes decoded, cut at its first NUL; a missing file, key or
// value, a value of another type (dword:, hex:...) or an empty text gives
// kNoRegistryValue.
std::string ReadWineRegistryString(const std::string& regFilePath, std::string_view keyPath, std::string_view valueName);

#ifdef _WIN32
// The system's text for an error code of GetLastError, as one sentence
// ("Access is denied."); the number when the system has no text for it.
std::string SystemMessage(unsigned long code);
#endif

// The program's arguments as UTF-8, argv[0] first. On Windows they are read
// from the UTF-16 command line (argv holds them in the ANSI code page, which
// loses what it cannot hold); elsewhere they are argv's bytes.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Held for the life of the program; a second instance cannot take it.
class InstanceLock {
public:
    virtual ~InstanceLock() = default;
};
// nullptr when another instance holds the lock. On Windows: a named mutex of
// the session (Local\<name>.instance). Off Windows: flock() on
// $XDG_RUNTIME_DIR/<name>.lock, else /tmp/<name>-<uid>.lock; when no lock file
// can be made at all the program is not kept from running (a lock that
// locks nothing is returned).
std::unique_ptr<InstanceLock> AcquireInstanceLock(std::string_view name);

}  // namespace ledgerly
