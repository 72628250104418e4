#include "app/Platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <iterator>

#include "app/Encoding.h"
#else
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include "app/FileHelpers.h"
#include "app/TextHelpers.h"

namespace ledgerly {
namespace {

constexpr std::size_t kTitleRoom = 127;  // characters of a window title that are looked at

bool TitleStartsWith(std::string_view title, std::string_view start) {
    return !title.empty() && title.size() >= start.size() && title.substr(0, start.size()) == start;
}

}  // namespace

// ---------------------------------------------------------------------------
// WindowExists

#ifdef _WIN32

namespace {

struct TitleSearch {
    std::string_view start;
    bool found = false;
};

BOOL CALLBACK CheckTitle(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<TitleSearch*>(param);
    wchar_t title[kTitleRoom + 1] = {};
    const int len = ::GetWindowTextW(window, title, static_cast<int>(std::size(title)));
    if (len <= 0) return TRUE;
    if (TitleStartsWith(FromWide(std::wstring_view(title, static_cast<std::size_t>(len))), search->start)) {
        search->found = true;
        return FALSE;  // the walk stops here
    }
    return TRUE;
}

}  // namespace

bool WindowExists(std::string_view titleStart) {
    TitleSearch search{titleStart};
    ::EnumWindows(&CheckTitle, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

#else

namespace {

// The few Xlib entry points the walk needs, bound at run time so that the
// core does not link against libX11 (a machine without X still runs the tools).
using XDisplay = void;
using XWindow = unsigned long;
using XAtom = unsigned long;
using XErrorHandlerFn = int (*)(XDisplay*, void*);

struct XApi {
    XDisplay* (*OpenDisplay)(const char*) = nullptr;
    int (*CloseDisplay)(XDisplay*) = nullptr;
    XWindow (*DefaultRootWindow)(XDisplay*) = nullptr;
    XAtom (*InternAtom)(XDisplay*, const char*, int) = nullptr;
    int (*GetWindowProperty)(XDisplay*, XWindow, XAtom, long, long, int, XAtom, XAtom*, int*, unsigned long*, unsigned long*,
                             unsigned char**) = nullptr;
    int (*QueryTree)(XDisplay*, XWindow, XWindow*, XWindow*, XWindow**, unsigned int*) = nullptr;
    int (*Free)(void*) = nullptr;
    XErrorHandlerFn (*SetErrorHandler)(XErrorHandlerFn) = nullptr;
    int (*Sync)(XDisplay*, int) = nullptr;
    bool ok = false;
};

template <class Fn>
bool Bind(void* lib, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(::dlsym(lib, name));
    return fn != nullptr;
}

const XApi& X11() {
    static const XApi api = [] {
        XApi a;
        void* lib = ::dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        if (!lib) return a;
        a.ok = Bind(lib, "XOpenDisplay", a.OpenDisplay) && Bind(lib, "XCloseDisplay", a.CloseDisplay) &&
               Bind(lib, "XDefaultRootWindow", a.DefaultRootWindow) && Bind(lib, "XInternAtom", a.InternAtom) &&
               Bind(lib, "XGetWindowProperty", a.GetWindowProperty) && Bind(lib, "XQueryTree", a.QueryTree) &&
               Bind(lib, "XFree", a.Free) && Bind(lib, "XSetErrorHandler", a.SetErrorHandler) && Bind(lib, "XSync", a.Sync);
        // The library stays loaded for the life of the program.
        return a;
    }();
    return api;
}

// A window that disappears between the list and the read of its title makes
// the server answer BadWindow; Xlib's default handler would end the program.
int IgnoreXError(XDisplay*, void*) { return 0; }

constexpr XAtom kAnyPropertyType = 0;
constexpr XAtom kXaWindow = 33;

class XSession {
public:
    XSession() : api_(X11()) {
        if (!api_.ok) return;
        const char* name = std::getenv("DISPLAY");
        if (!name || !*name) return;
        display_ = api_.OpenDisplay(name);
        if (!display_) return;
        previous_ = api_.SetErrorHandler(&IgnoreXError);
        netWmName_ = api_.InternAtom(display_, "_NET_WM_NAME", 0);
        wmName_ = api_.InternAtom(display_, "WM_NAME", 0);
        clientList_ = api_.InternAtom(display_, "_NET_CLIENT_LIST", 1);
    }
    ~XSession() {
        if (!display_) return;
        api_.Sync(display_, 0);
        api_.CloseDisplay(display_);
        api_.SetErrorHandler(previous_);
    }
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    bool open() const { return display_ != nullptr; }

    // The top-level client windows: the window manager's list, else (no
    // window manager) the root window's children.
    std::vector<XWindow> TopLevelWindows() const {
        std::vector<XWindow> windows;
        const XWindow root = api_.DefaultRootWindow(display_);
        if (clientList_ != 0) {
            XAtom type = 0;
            int format = 0;
            unsigned long count = 0, after = 0;
            unsigned char* data = nullptr;
            const int rc = api_.GetWindowProperty(display_, root, clientList_, 0, 1L << 20, 0, kXaWindow, &type, &format, &count,
                                                  &after, &data);
            if (rc == 0 && type == kXaWindow && format == 32) {
                // Format-32 data comes back as an array of long.
                const auto* ids = reinterpret_cast<const unsigned long*>(data);
                windows.assign(ids, ids + count);
                api_.Free(data);
                return windows;
            }
            if (data) api_.Free(data);
        }
        XWindow rootReturn = 0, parent = 0;
        XWindow* children = nullptr;
        unsigned int n = 0;
        if (api_.QueryTree(display_, root, &rootReturn, &parent, &children, &n) != 0 && children) {
            windows.assign(children, children + n);
            api_.Free(children);
        }
        return windows;
    }

    // The title of a window, with room for kTitleRoom characters: _NET_WM_NAME
    // (UTF-8), else WM_NAME.
    std::string Title(XWindow w) const {
        if (auto t = ReadText(w, netWmName_); t && !t->empty()) return CutUtf8(*t);
        if (auto t = ReadText(w, wmName_)) return t->substr(0, std::min(t->size(), kTitleRoom));
        return {};
    }

private:
    std::optional<std::string> ReadText(XWindow w, XAtom property) const {
        if (property == 0) return std::nullopt;
        XAtom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        // The length is counted in 4-byte units: 128 units hold 127 characters
        // even of a UTF-8 title; the title is cut to 127 characters afterwards.
        const int rc = api_.GetWindowProperty(display_, w, property, 0, 128, 0, kAnyPropertyType, &type, &format, &count, &after, &data);
        if (rc != 0 || type == 0 || !data) {
            if (data) api_.Free(data);
            return std::nullopt;
        }
        std::string text;
        if (format == 8) text.assign(reinterpret_cast<const char*>(data), count);
        api_.Free(data);
        return text;
    }

    static std::string CutUtf8(const std::string& s) {
        std::size_t chars = 0, i = 0;
        while (i < s.size()) {
            if (chars == kTitleRoom) break;
            ++i;
            while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
            ++chars;
        }
        return s.substr(0, i);
    }

    const XApi& api_;
    XDisplay* display_ = nullptr;
    XErrorHandlerFn previous_ = nullptr;
    XAtom netWmName_ = 0, wmName_ = 0, clientList_ = 0;
};

}  // namespace

bool WindowExists(std::string_view titleStart) {
    XSession x;
    if (!x.open()) return false;
    for (XWindow w : x.TopLevelWindows())
        if (TitleStartsWith(x.Title(w), titleStart)) return true;
    return false;
}

#endif

// ---------------------------------------------------------------------------
// Registry

#ifdef _WIN32

std::string DefaultWinePrefix() { return {}; }

std::string RegReadString(std::string_view keyPath, std::string_view valueName) {
    const std::wstring key = Wide(keyPath), name = Wide(valueName);
    // Asked first for the size, then read; a value that grows in between is read again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD size = 0;
        if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr, nullptr, &size) != ERROR_SUCCESS)
            return kNoRegistryValue;
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        DWORD got = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        const LSTATUS rc = ::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr, text.data(), &got);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) return kNoRegistryValue;
        text.resize(std::wcslen(text.c_str()));  // cut at the first NUL
        return text.empty() ? std::string(kNoRegistryValue) : FromWide(text);
    }
    return kNoRegistryValue;
}

#else

std::string DefaultWinePrefix() {
    if (const char* p = std::getenv("WINEPREFIX"); p && *p) return p;
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.wine";
    return {};
}

std::string RegReadString(std::string_view keyPath, std::string_view valueName) {
    const std::string prefix = DefaultWinePrefix();
    if (prefix.empty()) return kNoRegistryValue;
    return ReadWineRegistryString(prefix + "/user.reg", keyPath, valueName);
}

#endif

namespace {

void AppendCodePoint(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes the escaped text of a registry file from `pos` up to the unescaped
// `quote`, leaving `pos` after it; nullopt when the line ends first. Escapes
// as Wine writes them: \\ \" \a \b \e \f \n \r \t \v, \xH to \xHHHH (a UTF-16
// unit), \O to \OOO (octal); other bytes are taken as they stand (UTF-8).
std::optional<std::string> Unescape(std::string_view line, std::size_t& pos, char quote) {
    std::string out;
    std::uint32_t pendingHigh = 0;  // a high surrogate waiting for its partner
    auto emit = [&](std::uint32_t unit) {
        if (unit >= 0xD800 && unit <= 0xDBFF) { pendingHigh = unit; return; }
        if (unit >= 0xDC00 && unit <= 0xDFFF && pendingHigh) {
            AppendCodePoint(out, 0x10000 + ((pendingHigh - 0xD800) << 10) + (unit - 0xDC00));
            pendingHigh = 0;
            return;
        }
        if (pendingHigh) { AppendCodePoint(out, 0xFFFD); pendingHigh = 0; }
        AppendCodePoint(out, unit);
    };
    while (pos < line.size()) {
        const char c = line[pos++];
        if (c == quote) {
            if (pendingHigh) AppendCodePoint(out, 0xFFFD);
            return out;
        }
        if (c != '\\') {
            if (pendingHigh) { AppendCodePoint(out, 0xFFFD); pendingHigh = 0; }
            out.push_back(c);
            continue;
        }
        if (pos >= line.size()) break;
        const char e = line[pos++];
        switch (e) {
            case 'a': emit(7); break;
            case 'b': emit(8); break;
            case 'e': emit(27); break;
            case 'f': emit(12); break;
            case 'n': emit(10); break;
            case 'r': emit(13); break;
            case 't': emit(9); break;
            case 'v': emit(11); break;
            case 'x': {
                std::uint32_t v = 0;
                int digits = 0;
                while (digits < 4 && pos < line.size() && HexDigit(line[pos]) >= 0) v = v * 16 + static_cast<std::uint32_t>(HexDigit(line[pos++])), ++digits;
                if (digits == 0) out.push_back('x');
                else emit(v);
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    std::uint32_t v = static_cast<std::uint32_t>(e - '0');
                    for (int d = 1; d < 3 && pos < line.size() && line[pos] >= '0' && line[pos] <= '7'; ++d) v = v * 8 + static_cast<std::uint32_t>(line[pos++] - '0');
                    emit(v);
                } else {
                    emit(static_cast<unsigned char>(e));
                }
        }
    }
    return std::nullopt;
}

}  // namespace

std::string ReadWineRegistryString(const std::string& regFilePath, std::string_view keyPath, std::string_view valueName) {
    const auto text = ReadWholeFile(regFilePath);
    if (!text) return kNoRegistryValue;
    const std::string_view wantedName = valueName.empty() ? std::string_view("@") : valueName;
    bool inKey = false;
    std::size_t pos = 0;
    while (pos < text->size()) {
        std::size_t nl = text->find('\n', pos);
        if (nl == std::string::npos) nl = text->size();
        std::string_view line(text->data() + pos, nl - pos);
        pos = nl + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        if (line.front() == '[') {
            std::size_t p = 1;
            const auto key = Unescape(line, p, ']');
            inKey = key && EqualsNoCase(*key, keyPath);
            continue;
        }
        if (!inKey) continue;
        std::string name;
        std::size_t p = 0;
        if (line.front() == '@') {
            name = "@";
            p = 1;
        } else if (line.front() == '"') {
            p = 1;
            auto n = Unescape(line, p, '"');
            if (!n) continue;
            name = std::move(*n);
        } else {
            continue;  // comments, #time= and continuation lines of hex values
        }
        if (p >= line.size() || line[p] != '=' || !EqualsNoCase(name, wantedName)) continue;
        std::string_view value = line.substr(p + 1);
        if (value.substr(0, 7) == "str(2):") value.remove_prefix(7);
        if (value.empty() || value.front() != '"') return kNoRegistryValue;  // dword:, hex:, str(7): ...
        std::size_t q = 1;
        auto decoded = Unescape(value, q, '"');
        if (!decoded) return kNoRegistryValue;
        const std::size_t nul = decoded->find('\0');
        if (nul != std::string::npos) decoded->resize(nul);
        return decoded->empty() ? std::string(kNoRegistryValue) : *decoded;
    }
    return kNoRegistryValue;
}

#ifdef _WIN32

std::string SystemMessage(unsigned long code) {
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = n > 0 && text ? FromWide(std::wstring_view(text, n)) : std::string();
    if (text) ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) message.pop_back();
    if (message.empty()) message = "Windows error " + std::to_string(code);
    if (message.back() != '.') message += '.';
    return message;
}

#endif

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
#ifdef _WIN32
    int count = 0;
    if (wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
        std::vector<std::string> args;
        for (int i = 0; i < count; ++i) args.push_back(FromWide(wide[i]));
        ::LocalFree(wide);
        return args;
    }
#endif
    return std::vector<std::string>(argv, argv + argc);
}

// ---------------------------------------------------------------------------
// Single instance

#ifdef _WIN32

namespace {
class MutexLock : public InstanceLock {
public:
    explicit MutexLock(HANDLE h) : h_(h) {}
    ~MutexLock() override { if (h_) CloseHandle(h_); }
private:
    HANDLE h_;
};
}  // namespace

std::unique_ptr<InstanceLock> AcquireInstanceLock(std::string_view name) {
    HANDLE h = ::CreateMutexW(nullptr, FALSE, Wide("Local\\" + std::string(name) + ".instance").c_str());
    if (h && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(h);
        return nullptr;
    }
    return std::make_unique<MutexLock>(h);
}

#else

namespace {
class FileLock : public InstanceLock {
public:
    explicit FileLock(int fd) : fd_(fd) {}
    ~FileLock() override {
        if (fd_ >= 0) ::close(fd_);  // closing the descriptor releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
private:
    int fd_;
};
}  // namespace

std::unique_ptr<InstanceLock> AcquireInstanceLock(std::string_view name) {
    std::string path;
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run && FolderExists(run))
        path = WithTrailingSeparator(run) + std::string(name) + ".lock";
    else
        path = "/tmp/" + std::string(name) + "-" + std::to_string(::getuid()) + ".lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return std::make_unique<FileLock>(-1);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK) return nullptr;
        return std::make_unique<FileLock>(-1);
    }
    return std::make_unique<FileLock>(fd);
}

#endif

}  // namespace ledgerly
