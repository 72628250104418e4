#pragma once
// The command line's shared frame. Each command lives in commands/<name>.cpp,
// registers itself with a CommandRegistrar and sets env.exitCode:
// 0 done, 1 refused or failed (the system's message on stderr), 2 usage.
//
// What a command lists (rows, entries, paths, checksums) goes to stdout;
// everything said about the run (questions, progress, backups made, counts,
// verdicts, warnings, errors) goes to stderr.
#include <CLI/CLI.hpp>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/AppState.h"
#include "app/CommandChecks.h"
#include "app/Host.h"
#include "app/ProgressMeter.h"

namespace ledgerly::cli {

// The terminal's answer to a tool: the run's count on stderr when it is a
// terminal, reports on stderr, questions answered by --yes or on a terminal.
// The status-bar texts the tools show are the window's and are not printed.
class TerminalHost : public Host {
public:
    explicit TerminalHost(AppState& state) : state_(state) {}
    bool assumeYes = false;
    void Status(std::string_view) override {}
    void Inform(std::string_view text, std::string_view title, BoxIcon icon) override;
    bool Ask(std::string_view question, std::string_view title) override;
    void Wait(int) override {}
    bool EudoraRunning() override;
    void OpenProgress() override;
    void UpdateProgress() override;
    void CloseProgress() override;
    void Progress(std::string_view what, std::int64_t done, std::int64_t total, std::string_view unit) override;
    void EndStatusLine();  // ends a progress line left on the terminal

private:
    AppState& state_;
    ProgressMeter meter_;
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
    // Prints a message about the run on stderr (the exit status stays).
    void Notice(std::string_view message);
    // A mailbox argument as the .mbx path of its pair (see MailboxArgument);
    // a relative one is taken inside --data-folder when that option is given,
    // and the file is found whatever the case of its extension.
    std::string MailboxPath(const std::string& arg) const;
    // The common checks of a mailbox command; false (and exit 1) when refused.
    // A missing file is named in the message.
    bool CheckMailbox(const std::string& mbxPath, FileChecks files, bool refuseWhileEudoraRuns);
};

inline constexpr const char* kMailboxHelp = "The mailbox file (.mbx); a relative path is taken inside --data-folder when given";

// --yes on a command that changes files. `asks` names what the command asks
// on a terminal (it then asks nothing with --yes); nullptr for a command that
// asks nothing, where --yes is accepted so that every changing command takes it.
void AddYesOption(CLI::App& cmd, Env& env, const char* asks);

// "Backup: <file>" on stderr for each backup made.
void PrintBackups(Env& env, std::string_view tocBackup, std::string_view mbxBackup);

using RegisterFn = void (*)(CLI::App& app, Env& env);
struct CommandRegistrar {
    CommandRegistrar(int order, RegisterFn fn);
};
std::vector<std::pair<int, RegisterFn>>& Registry();

// Mailbox arguments may name the .mbx file or the pair path, the extension
// in any case; returns the .mbx path.
std::string MailboxArgument(const std::string& arg);
// Terminal output of Windows-1252 mail text: UTF-8, control characters escaped.
std::string ForTerminal(std::string_view cp1252);
// Terminal output of a path (the file system's own bytes), control
// characters and bytes that are not UTF-8 escaped.
std::string PathForTerminal(std::string_view path);

}  // namespace ledgerly::cli
