#pragma once
// Shared by the crash, full-disk and large-input tests of the command line:
// a generated mailbox that gives every rewriting command work to do, snapshots
// of a pair, and running ledgerly-cli as a child that can be killed.
#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace ledgerly::test {

// Environment knobs: a number, else `fallback`.
long EnvNumber(const char* name, long fallback);
bool LargeTestsEnabled();  // LEDGERLY_LARGE_TESTS=1

// Whether this build of ledgerly-cli has the command (its --help exits 0).
bool CliHasCommand(const std::string& command);

// A pair '<folder>Box.mbx' / '<folder>Box.toc' of about `messages` messages
// mixing HTML bodies (one run into the next delimiter), quoted-printable
// text, plain text, broken attachment references to `missingAttachFolder`,
// repeated messages, and summaries whose fields differ from the headers.
void WriteWorkMailbox(const std::string& pairPath, int messages, const std::string& missingAttachFolder);

// Both files of a pair as they are on disk (nullopt: the file is missing).
struct PairState {
    std::optional<std::string> mbx, toc;
    bool operator==(const PairState&) const = default;
    std::string Describe() const;  // sizes, for failure messages
};
inline void PrintTo(const PairState& s, std::ostream* os) { *os << s.Describe(); }
PairState ReadPairState(const std::string& pairPath);
void RestorePairState(const std::string& pairPath, const PairState& state);

// Starts ledgerly-cli with `args`, stdin/stdout/stderr on /dev/null.
pid_t StartCli(const std::vector<std::string>& args);
// Waits for the child; returns its exit code, or 128 + signal.
int WaitCli(pid_t pid);

// Files of `folder` other than the pair and its numbered backups.
std::vector<std::string> StrayFiles(const std::string& folder, const std::string& pairName);
// Numbered backups 'Box.mbx.N' / 'Box.toc.N' of the pair in `folder`.
std::vector<std::string> NumberedBackups(const std::string& folder, const std::string& pairName, const std::string& ext);

}  // namespace ledgerly::test
