#pragma once
// The command line's shared frame. Each command lives in commands/<name>.cpp,
// registers itself with a CommandRegistrar and sets env.exitCode:
// 0 done, 1 refused or failed (the system's message on stderr), 2 usage.
#include <CLI/CLI.hpp>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/AppState.h"
#include "app/CommandChecks.h"
#include "app/Host.h"

namespace ledgerly::cli {

// The terminal's answer to a tool: progress on stderr when it is a terminal,
// reports on stdout, questions answered by --yes or on a terminal's stdin.
class TerminalHost : public Host {
public:
    explicit TerminalHost(AppState& state) : state_(state) {}
    bool assumeYes = false;
    void Status(std::string_view text) override;
    void Inform(std::string_view text, std::string_view title, BoxIcon icon) override;
    bool Ask(std::string_view question, std::string_view title) override;
    void Wait(int) override {}
    bool EudoraRunning() override;
    void OpenProgress() override;
    void UpdateProgress() override;
    void CloseProgress() override;
    void EndStatusLine();  // ends a progress line left on the terminal

private:
    AppState& state_;
    bool statusShown_ = false;
};

struct Env {
    AppState state;
    TerminalHost host{state};
    std::string dataFolderOption;
    int exitCode = 0;

    ToolContext Context() { return ToolContext{state, host}; }
    // Fixes the global paths: --data-folder, else Eudora's registry entry.
    // With `required`, a missing folder is reported and false returned.
    bool ResolveDataFolder(bool required);
    // Prints the message on stderr and sets exit status 1; returns 1.
    int Fail(std::string_view message);
    // A mailbox argument as a .mbx path (see MailboxArgument); a relative one
    // is taken inside --data-folder when that option is given.
    std::string MailboxPath(const std::string& arg) const;
    // The common checks of a mailbox command; false (and exit 1) when refused.
    bool CheckMailbox(const std::string& mbxPath, FileChecks files, bool refuseWhileEudoraRuns);
};

using RegisterFn = void (*)(CLI::App& app, Env& env);
struct CommandRegistrar {
    CommandRegistrar(int order, RegisterFn fn);
};
std::vector<std::pair<int, RegisterFn>>& Registry();

// Mailbox arguments may name the .mbx file or the pair path; returns the .mbx path.
std::string MailboxArgument(const std::string& arg);
// Terminal output of Windows-1252 text.
std::string ForTerminal(std::string_view cp1252);

}  // namespace ledgerly::cli
