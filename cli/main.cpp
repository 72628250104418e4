// ledgerly-cli: every tool of Ledgerly from a terminal.
#include <algorithm>
#include <iostream>
#include <new>

#include "app/Messages.h"

#include "cli/Cli.h"

int main(int argc, char** argv) {
    using namespace ledgerly::cli;
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
        app.parse(argc, argv);
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
