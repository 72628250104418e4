#include "app/Process.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/SafeFiles.h"

extern char** environ;

namespace ledgerly {
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

}  // namespace ledgerly
