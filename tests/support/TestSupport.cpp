#include "tests/support/TestSupport.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

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

std::string TempDir::str() const { return path_.string() + "/"; }

bool FakeHost::Ask(std::string_view question, std::string_view title) {
    asked.push_back(std::string(title) + "|" + std::string(question));
    if (answers.empty()) return defaultAnswer;
    const bool a = answers.front();
    answers.erase(answers.begin());
    return a;
}

namespace {

CliRun Run(const std::vector<std::string>& args, std::size_t addressSpaceBytes, const std::string& cwd) {
    const char* env = std::getenv("LEDGERLY_CLI");
    const std::string exe = env && *env ? env : LEDGERLY_CLI_PATH;
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

}  // namespace

CliRun RunCli(const std::vector<std::string>& args, std::size_t addressSpaceBytes) { return Run(args, addressSpaceBytes, {}); }

CliRun RunCliIn(const std::string& cwd, const std::vector<std::string>& args) { return Run(args, 0, cwd); }

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace ledgerly::test
