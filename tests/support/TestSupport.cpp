#include "tests/support/TestSupport.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "app/Encoding.h"
#include "app/FileHelpers.h"
#include "app/Process.h"

namespace ledgerly::test {

TempDir::TempDir() {
    std::mt19937_64 rng{std::random_device{}()};
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        path_ = base / ("ledgerly-test-" + std::to_string(rng() % 1000000000ull));
        std::error_code ec;
        if (std::filesystem::create_directory(path_, ec)) break;
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::string Native(std::string path) {
    std::replace(path.begin(), path.end(), '/', kPathSeparator);
    return path;
}

// Joined as text: a name may hold Windows-1252 bytes, as paths in mail do,
// which a round trip through the file system's UTF-16 would turn into U+FFFD.
std::string TempDir::operator/(const std::string& name) const { return str() + Native(name); }

std::string TempDir::str() const { return WithTrailingSeparator(PathText(path_)); }

bool FakeHost::Ask(std::string_view question, std::string_view title) {
    asked.push_back(std::string(title) + "|" + std::string(question));
    if (answers.empty()) return defaultAnswer;
    const bool a = answers.front();
    answers.erase(answers.begin());
    return a;
}

std::string CliPath() {
    if (const char* env = std::getenv("LEDGERLY_CLI"); env && *env) return env;
#ifdef _WIN32
    return ProgramFolder() + "ledgerly-cli.exe";  // the tests run where they were built, or copied with the programs
#else
    return LEDGERLY_CLI_PATH;
#endif
}

std::string BinDir() {
#ifdef _WIN32
    return ProgramFolder();
#else
    return WithTrailingSeparator(LEDGERLY_BIN_DIR);
#endif
}

std::string ProgramFileName(const std::string& name) {
#ifdef _WIN32
    return name + ".exe";
#else
    return name;
#endif
}

namespace {

void SetEnv(const std::string& name, const char* value) {
#ifdef _WIN32
    ::_putenv_s(name.c_str(), value ? value : "");  // an empty value removes the variable
#else
    if (value) ::setenv(name.c_str(), value, 1);
    else ::unsetenv(name.c_str());
#endif
}

}  // namespace

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) {
        wasSet_ = true;
        saved_ = old;
    }
    SetEnv(name_, value);
}

ScopedEnv::~ScopedEnv() { SetEnv(name_, wasSet_ ? saved_.c_str() : nullptr); }

namespace {

#ifdef _WIN32

CliRun Run(const std::vector<std::string>& args, std::size_t, const std::string& cwd) {
    TempDir io;
    const std::string outPath = io / "out", errPath = io / "err";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    auto open = [&](const std::string& path, DWORD access, DWORD disposition) {
        return ::CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE in = open("NUL", GENERIC_READ, OPEN_EXISTING);
    HANDLE out = open(outPath, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = open(errPath, GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    std::vector<std::string> argv{CliPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::wstring commandLine = Wide(WindowsCommandLine(argv));
    const std::wstring folder = Wide(cwd);
    PROCESS_INFORMATION process{};
    CliRun run;
    if (::CreateProcessW(Wide(argv[0]).c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT, nullptr,
                         cwd.empty() ? nullptr : folder.c_str(), &startup, &process)) {
        ::WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        if (::GetExitCodeProcess(process.hProcess, &code)) run.exitCode = static_cast<int>(code);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    for (HANDLE h : {in, out, err})
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    run.out = ReadFile(outPath);
    run.err = ReadFile(errPath);
    return run;
}

#else

CliRun Run(const std::vector<std::string>& args, std::size_t addressSpaceBytes, const std::string& cwd) {
    const std::string exe = CliPath();
    TempDir io;
    const std::string outPath = io / "out", errPath = io / "err";
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) ::_exit(126);
        if (addressSpaceBytes > 0) {
            const rlimit limit{addressSpaceBytes, addressSpaceBytes};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(exe.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(exe.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    CliRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = ReadFile(outPath);
    run.err = ReadFile(errPath);
    return run;
}

#endif

}  // namespace

CliRun RunCli(const std::vector<std::string>& args, std::size_t addressSpaceBytes) { return Run(args, addressSpaceBytes, {}); }

CliRun RunCliIn(const std::string& cwd, const std::vector<std::string>& args) { return Run(args, 0, cwd); }

std::string ReadFile(const std::string& path) {
    std::ifstream in(FsPath(path), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(FsPath(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace ledgerly::test
