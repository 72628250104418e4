#include "app/Process.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#include <shlwapi.h>

#include "app/Encoding.h"
#include "app/Platform.h"
#else
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/SafeFiles.h"

extern char** environ;
#endif

namespace ledgerly {

std::string WindowsCommandLine(const std::vector<std::string>& argv) {
    std::string line;
    for (const std::string& arg : argv) {
        if (!line.empty()) line.push_back(' ');
        if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) {
            line += arg;
            continue;
        }
        line.push_back('"');
        std::size_t backslashes = 0;
        for (char c : arg) {
            if (c == '\\') {
                ++backslashes;
                continue;
            }
            // Backslashes count only before a quote: there each one is doubled,
            // and the quote itself escaped.
            line.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
            backslashes = 0;
            line.push_back(c);
        }
        line.append(2 * backslashes, '\\');  // before the closing quote
        line.push_back('"');
    }
    return line;
}

#ifdef _WIN32

namespace {

// Starts the program of argv[0], found as the system finds it (the program's
// folder, the system folders, PATH; ".exe" added).
Result<HANDLE> Spawn(const std::vector<std::string>& argv, bool detached) {
    if (argv.empty()) return Result<HANDLE>::Fail("Nothing to start.");
    std::wstring commandLine = Wide(WindowsCommandLine(argv));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!detached) {
        // The child writes where this program writes, redirected or not.
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    }
    const DWORD flags = CREATE_UNICODE_ENVIRONMENT | (detached ? DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP : 0);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, detached ? FALSE : TRUE, flags, nullptr, nullptr,
                          &startup, &process))
        return Result<HANDLE>::Fail("Cannot start '" + argv[0] + "': " + SystemMessage(::GetLastError()));
    ::CloseHandle(process.hThread);
    return process.hProcess;
}

}  // namespace

Result<int> RunAndWait(const std::vector<std::string>& argv) {
    auto process = Spawn(argv, false);
    if (!process) return process.status();
    DWORD code = 0;
    const bool waited = ::WaitForSingleObject(*process, INFINITE) == WAIT_OBJECT_0 && ::GetExitCodeProcess(*process, &code);
    ::CloseHandle(*process);
    if (!waited) return Result<int>::Fail("Lost track of '" + argv[0] + "'.");
    return static_cast<int>(code);
}

Status StartDetached(const std::vector<std::string>& argv) {
    auto process = Spawn(argv, true);
    if (!process) return process.status();
    ::CloseHandle(*process);
    return {};
}

bool ProgramOnPath(const std::string& name) {
    wchar_t found[MAX_PATH];
    return ::SearchPathW(nullptr, Wide(name).c_str(), L".exe", MAX_PATH, found, nullptr) > 0;
}

std::string AssociatedProgram(const std::string& extension) {
    const std::wstring ext = Wide(extension);
    DWORD size = 0;
    if (::AssocQueryStringW(ASSOCF_INIT_IGNOREUNKNOWN, ASSOCSTR_EXECUTABLE, ext.c_str(), L"open", nullptr, &size) != S_FALSE ||
        size == 0)
        return {};
    std::wstring program(size, L'\0');
    if (::AssocQueryStringW(ASSOCF_INIT_IGNOREUNKNOWN, ASSOCSTR_EXECUTABLE, ext.c_str(), L"open", program.data(), &size) != S_OK)
        return {};
    program.resize(std::wcslen(program.c_str()));
    return FromWide(program);
}

Status StartTextEditor(const std::string& path) { return StartDetached({"notepad.exe", path}); }

#else

namespace {

std::vector<char*> Argv(const std::vector<std::string>& args) {
    std::vector<char*> out;
    for (const std::string& a : args) out.push_back(const_cast<char*>(a.c_str()));
    out.push_back(nullptr);
    return out;
}

Result<pid_t> Spawn(const std::vector<std::string>& argv, bool newSession) {
    if (argv.empty()) return Result<pid_t>::Fail("Nothing to start.");
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    if (newSession) posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    auto args = Argv(argv);
    const int rc = ::posix_spawnp(&pid, argv[0].c_str(), nullptr, &attr, args.data(), environ);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) return Result<pid_t>::Fail(CannotText("start", argv[0], rc));
    return pid;
}

}  // namespace

Result<int> RunAndWait(const std::vector<std::string>& argv) {
    auto pid = Spawn(argv, false);
    if (!pid) return pid.status();
    int status = 0;
    while (::waitpid(*pid, &status, 0) < 0)
        if (errno != EINTR) return Result<int>::Fail("Lost track of '" + argv[0] + "'.");
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + WTERMSIG(status);
}

Status StartDetached(const std::vector<std::string>& argv) {
    // A short-lived middle process starts the program in a session of its own
    // and exits, so the program is nobody's child to wait for.
    std::vector<std::string> wrapped{"/bin/sh", "-c", "\"$@\" </dev/null >/dev/null 2>&1 &", "sh"};
    wrapped.insert(wrapped.end(), argv.begin(), argv.end());
    auto pid = Spawn(wrapped, true);
    if (!pid) return pid.status();
    int status = 0;
    while (::waitpid(*pid, &status, 0) < 0 && errno == EINTR) {}
    return {};
}

bool ProgramOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (!path) return false;
    std::string p(path);
    std::size_t pos = 0;
    while (pos <= p.size()) {
        const std::size_t end = p.find(':', pos);
        const std::string dir = p.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        const std::string full = (dir.empty() ? "." : dir) + "/" + name;
        if (::access(full.c_str(), X_OK) == 0) return true;
        if (end == std::string::npos) break;
        pos = end + 1;
    }
    return false;
}

std::string AssociatedProgram(const std::string&) { return {}; }

Status StartTextEditor(const std::string& path) {
    for (const char* var : {"VISUAL", "EDITOR"}) {
        const char* editor = std::getenv(var);
        // The variable may carry options ("emacsclient -n"): the shell splits it.
        if (editor && *editor) return StartDetached({"/bin/sh", "-c", std::string(editor) + " \"$1\"", "sh", path});
    }
    return Status::Fail("Neither VISUAL nor EDITOR names an editor.");
}

#endif

}  // namespace ledgerly
