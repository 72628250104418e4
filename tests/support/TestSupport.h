#pragma once
// Helpers for the tests: temporary folders, a recording Host, running the CLI.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/Host.h"

namespace ledgerly::test {

// A fresh folder under the system's temporary folder, removed at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // The path of `name` inside the folder, as text.
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
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
// Runs ledgerly-cli with the arguments (no shell), stdin empty; with
// `addressSpaceBytes`, the process may map no more than that.
CliRun RunCli(const std::vector<std::string>& args, std::size_t addressSpaceBytes = 0);
// The same, started in the folder `cwd` (relative paths are taken from there).
CliRun RunCliIn(const std::string& cwd, const std::vector<std::string>& args);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace ledgerly::test
