#include "cli/Cli.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "app/Encoding.h"
#include "app/FileHelpers.h"
#include "app/Messages.h"
#include "app/Platform.h"
#include "app/StartupPaths.h"
#include "store/Mailbox.h"

namespace ledgerly::cli {

std::vector<std::pair<int, RegisterFn>>& Registry() {
    static std::vector<std::pair<int, RegisterFn>> registry;
    return registry;
}

CommandRegistrar::CommandRegistrar(int order, RegisterFn fn) { Registry().emplace_back(order, fn); }

namespace {

#ifdef _WIN32
// _isatty is true for any character device, NUL included: only a console
// has a console mode.
bool IsTerminal(std::FILE* stream) {
    const intptr_t handle = ::_get_osfhandle(::_fileno(stream));
    DWORD mode = 0;
    return handle != -1 && ::GetConsoleMode(reinterpret_cast<HANDLE>(handle), &mode) != 0;
}
#else
bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }
#endif

}  // namespace

void TerminalHost::Progress(std::string_view what, std::int64_t done, std::int64_t total, std::string_view unit) {
    // Tools report every message; asked once, not once per message.
    static const bool terminal = IsTerminal(stderr);
    if (!terminal) return;
    const auto line = meter_.Update(what, done, total, unit, ProgressMeter::Clock::now());
    if (!line) return;
    std::fprintf(stderr, "\r\033[K%s", line->c_str());
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
    std::cout.flush();
    std::cerr << out << '\n' << std::flush;
}

bool TerminalHost::Ask(std::string_view question, std::string_view) {
    EndStatusLine();
    if (assumeYes) return true;
    std::string q;
    for (char c : question)
        if (c != '\r') q.push_back(c);
    std::cout.flush();
    if (!IsTerminal(stdin)) {
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
                                                     : "The data folder '" + PathForTerminal(dataFolderOption) + "' does not exist.");
        return false;
    }
    SetDataPaths(state.paths);
    return true;
}

int Env::Fail(std::string_view message) {
    Notice(message);
    exitCode = 1;
    return 1;
}

void Env::Notice(std::string_view message) {
    host.EndStatusLine();
    std::cout.flush();
    std::cerr << message << '\n' << std::flush;
}

std::string Env::MailboxPath(const std::string& arg) const {
    std::string mbx = MailboxArgument(arg);
    if (!dataFolderOption.empty() && !mbx.empty() && IsRelativePath(mbx)) mbx = WithTrailingSeparator(dataFolderOption) + mbx;
    return WithExtensionAsFound(mbx);
}

bool Env::CheckMailbox(const std::string& mbxPath, FileChecks files, bool refuseWhileEudoraRuns) {
    if (auto refusal = CheckSelection(mbxPath, files, refuseWhileEudoraRuns, host)) {
        if (*refusal == msg::kMbxNotFound) *refusal = "MBX-file not found: '" + PathForTerminal(mbxPath) + "'.";
        else if (*refusal == msg::kTocNotFound) *refusal = "TOC-file not found: '" + PathForTerminal(TocPathOf(mbxPath)) + "'.";
        Fail(*refusal);
        return false;
    }
    return true;
}

void PrintBackups(Env& env, std::string_view tocBackup, std::string_view mbxBackup) {
    for (std::string_view backup : {tocBackup, mbxBackup})
        if (!backup.empty()) env.Notice("Backup: " + PathForTerminal(backup));
}

void AddYesOption(CLI::App& cmd, Env& env, const char* asks) {
    const std::string help = asks ? std::string("Answer yes to the question asked on a terminal (") + asks + ")"
                                  : std::string("Proceed without asking (this command asks nothing)");
    cmd.add_flag_callback("--yes,-y", [&env] { env.host.assumeYes = true; }, help);
}

std::string MailboxArgument(const std::string& arg) {
    if (arg.size() >= 4 && EndsWithNoCase(arg, ".mbx")) return arg;
    if (arg.size() >= 4 && EndsWithNoCase(arg, ".toc")) return PartnerPath(arg, "mbx");
    if (arg.ends_with(".")) return arg + "mbx";
    return arg;
}

std::string ForTerminal(std::string_view cp1252) { return EscapeForTerminal(Cp1252ToUtf8(cp1252)); }

std::string PathForTerminal(std::string_view path) { return EscapeForTerminal(path); }

}  // namespace ledgerly::cli
