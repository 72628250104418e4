// ledgerly-cli: every tool of Ledgerly from a terminal.
#include <algorithm>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

#include "app/Messages.h"
#include "app/Platform.h"

#include "cli/Cli.h"

#ifdef _WIN32
namespace {
// Output is UTF-8 bytes with "\n" line ends, as on every other system: the
// streams are binary, and a console shows UTF-8 while the program runs.
class Utf8Console {
public:
    Utf8Console() : codePage_(::GetConsoleOutputCP()) {
        ::_setmode(::_fileno(stdout), _O_BINARY);
        ::_setmode(::_fileno(stderr), _O_BINARY);
        if (codePage_ != 0) ::SetConsoleOutputCP(CP_UTF8);
    }
    ~Utf8Console() {
        if (codePage_ != 0) ::SetConsoleOutputCP(codePage_);
    }
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    UINT codePage_;  // 0: no console
};
}  // namespace
#endif

int main(int argc, char** argv) {
    using namespace ledgerly::cli;
#ifdef _WIN32
    const Utf8Console console;
#endif
    // Arguments are UTF-8 whatever the system hands them over in.
    std::vector<std::string> args = ledgerly::CommandLineArguments(argc, argv);
    std::vector<char*> utf8Argv;
    for (std::string& a : args) utf8Argv.push_back(a.data());
    utf8Argv.push_back(nullptr);
    CLI::App app{"Ledgerly: repair, clean and mine Eudora mailboxes from a terminal.", "ledgerly-cli"};
    app.set_version_flag("--version", std::string("ledgerly-cli ") + LEDGERLY_VERSION);
    app.require_subcommand(1);
    app.fallthrough();
    Env env;
    app.add_option("--data-folder", env.dataFolderOption, "Eudora's data folder (default: from Eudora's registry entry)");

    auto& registry = Registry();
    std::stable_sort(registry.begin(), registry.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [order, fn] : registry) fn(app, env);

    try {
        app.parse(static_cast<int>(args.size()), utf8Argv.data());
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : 2;
    } catch (const std::bad_alloc&) {
        // The tools run inside parse; what they had half-written went with
        // the unwinding, and the next run clears anything a kill would leave.
        env.host.EndStatusLine();
        std::cerr << ledgerly::msg::kOutOfMemory << '\n';
        return 1;
    }
    env.host.EndStatusLine();
    return env.exitCode;
}
