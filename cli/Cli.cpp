#include "cli/Cli.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#include <unistd.h>

#include "app/Encoding.h"
#include "app/FileHelpers.h"
#include "app/Messages.h"
#include "app/Platform.h"
#include "app/StartupPaths.h"

namespace ledgerly::cli {

std::vector<std::pair<int, RegisterFn>>& Registry() {
    static std::vector<std::pair<int, RegisterFn>> registry;
    return registry;
}

CommandRegistrar::CommandRegistrar(int order, RegisterFn fn) { Registry().emplace_back(order, fn); }

void TerminalHost::Status(std::string_view text) {
    // Tools report every message; asked once, not once per message.
    static const bool terminal = ::isatty(STDERR_FILENO);
    if (!terminal) return;
    std::fprintf(stderr, "\r\033[K%.*s", static_cast<int>(text.size()), text.data());
    std::fflush(stderr);
    statusShown_ = true;
}

void TerminalHost::EndStatusLine() {
    if (!statusShown_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    statusShown_ = false;
}

void TerminalHost::Inform(std::string_view text, std::string_view, BoxIcon) {
    EndStatusLine();
    // CR LF inside a report becomes a plain line break.
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out.push_back(text[i]);
    }
    std::cout << out << '\n' << std::flush;
}

bool TerminalHost::Ask(std::string_view question, std::string_view) {
    EndStatusLine();
    if (assumeYes) return true;
    std::string q;
    for (char c : question)
        if (c != '\r') q.push_back(c);
    if (!::isatty(STDIN_FILENO)) {
        std::cerr << q << "\n(no terminal to answer on: give --yes to proceed)\n";
        return false;
    }
    std::cerr << q << " [y/N] " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

bool TerminalHost::EudoraRunning() { return WindowExists(msg::kEudoraTitlePrefix); }

void TerminalHost::OpenProgress() { state_.progress.ProgressShown = false; }
void TerminalHost::UpdateProgress() {}
void TerminalHost::CloseProgress() { state_.progress.ProgressShown = false; }

bool Env::ResolveDataFolder(bool required) {
    state.paths.ProgramFolder = ProgramFolder();
    state.paths.IniPath = DefaultIniPath(state.paths.ProgramFolder);
    // A folder named with --data-folder is used or refused, never replaced by
    // the registry's: a mistyped option must not send a tool to another store.
    FindDataFolder(state.paths, dataFolderOption, [this]() -> std::string {
        if (!dataFolderOption.empty()) return kNoRegistryValue;
        return RegReadString(kEudoraCommandLineKey, kEudoraCommandLineValue);
    });
    if (state.paths.DataFolder.empty()) {
        if (required) Fail(dataFolderOption.empty() ? "No data folder: give --data-folder DIR (Eudora's registry entry names none)."
                                                     : "The data folder '" + dataFolderOption + "' does not exist.");
        return false;
    }
    SetDataPaths(state.paths);
    return true;
}

int Env::Fail(std::string_view message) {
    host.EndStatusLine();
    std::cerr << message << '\n';
    exitCode = 1;
    return 1;
}

std::string Env::MailboxPath(const std::string& arg) const {
    const std::string mbx = MailboxArgument(arg);
    if (dataFolderOption.empty() || mbx.empty() || mbx.front() == kPathSeparator) return mbx;
    return WithTrailingSeparator(dataFolderOption) + mbx;
}

bool Env::CheckMailbox(const std::string& mbxPath, FileChecks files, bool refuseWhileEudoraRuns) {
    if (auto refusal = CheckSelection(mbxPath, files, refuseWhileEudoraRuns, host)) {
        Fail(*refusal);
        return false;
    }
    return true;
}

std::string MailboxArgument(const std::string& arg) {
    if (arg.size() >= 4 && (arg.ends_with(".mbx") || arg.ends_with(".MBX") || arg.ends_with(".Mbx"))) return arg;
    if (arg.ends_with(".toc") || arg.ends_with(".TOC")) return arg.substr(0, arg.size() - 3) + "mbx";
    if (arg.ends_with(".")) return arg + "mbx";
    return arg;
}

std::string ForTerminal(std::string_view cp1252) { return Cp1252ToUtf8(cp1252); }

}  // namespace ledgerly::cli
