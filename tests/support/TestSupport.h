#pragma once
// Helpers for the tests: temporary folders, a recording Host, running the CLI.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/Host.h"

namespace ledgerly::test {

// `path` with "/" as the platform's separator: tests write "Work.fol/In.mbx"
// on every system.
std::string Native(std::string path);

// A fresh folder under the system's temporary folder, removed at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // The path of `name` inside the folder, as text; "/" in `name` becomes
    // the platform's separator.
    std::string operator/(const std::string& name) const;
    // The folder as text, ending in the separator.
    std::string str() const;

private:
    std::filesystem::path path_;
};

// Records what a tool says and answers its questions from a script.
class FakeHost : public Host {
public:
    explicit FakeHost(AppState& state) : state_(state) {}
    std::vector<std::string> statuses;
    std::vector<std::string> informed;   // "title|text"
    std::vector<std::string> asked;      // "title|text"
    std::vector<bool> answers;           // consumed in order; default `defaultAnswer`
    bool defaultAnswer = true;
    bool eudoraRunning = false;
    int waits = 0;
    int progressOpened = 0, progressUpdates = 0, progressClosed = 0;
    bool showProgressWindow = true;      // whether OpenProgress sets ProgressShown
    // Called on each Wait: lets a test press Stop or close the progress window mid-run.
    std::function<void(AppState&)> onWait;
    // StopRequested answers true from its (stopAfter + 1)th question on; -1: never.
    int stopAfter = -1;
    int stopQuestions = 0;

    void Status(std::string_view text) override { statuses.emplace_back(text); }
    void Inform(std::string_view text, std::string_view title, BoxIcon) override { informed.push_back(std::string(title) + "|" + std::string(text)); }
    bool Ask(std::string_view question, std::string_view title) override;
    void Wait(int) override { ++waits; if (onWait) onWait(state_); }
    bool EudoraRunning() override { return eudoraRunning; }
    void OpenProgress() override { ++progressOpened; state_.progress.ProgressShown = showProgressWindow; }
    void UpdateProgress() override { ++progressUpdates; }
    void CloseProgress() override { ++progressClosed; state_.progress.ProgressShown = false; }
    bool StopRequested() override { return stopAfter >= 0 && stopQuestions++ >= stopAfter; }

private:
    AppState& state_;
};

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};
// The ledgerly-cli under test: $LEDGERLY_CLI, else the one built beside the tests.
std::string CliPath();
// The folder the programs and the decoder library are built into, ending in the separator.
std::string BinDir();

// "name", or "name.exe" on Windows.
std::string ProgramFileName(const std::string& name);

// Sets an environment variable for the life of the object (nullptr: unsets
// it), then puts back what was there.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_, saved_;
    bool wasSet_ = false;
};

// Runs ledgerly-cli with the arguments (no shell), stdin empty; with
// `addressSpaceBytes`, the process may map no more than that (not on Windows).
CliRun RunCli(const std::vector<std::string>& args, std::size_t addressSpaceBytes = 0);
// The same, started in the folder `cwd` (relative paths are taken from there).
CliRun RunCliIn(const std::string& cwd, const std::vector<std::string>& args);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace ledgerly::test
