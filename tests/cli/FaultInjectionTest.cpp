// Every command that rewrites a mailbox is killed at random moments of a run
// and started against a full file system. After each kill (and the recovery
// every tool runs first) the pair must be consistent and equal, byte for
// byte, either the pair before the run or the pair one whole run gives; every
// numbered backup must equal the original file. A run that cannot write must
// say so and leave the pair as it was.
//
// Then, deterministically, each command is stopped at every rename, flush,
// removal and write of its run by a preloaded shim (below).
//
// CI size: a mailbox of a few MB and a dozen kills per command.
// LEDGERLY_FAULT_MESSAGES, LEDGERLY_FAULT_KILLS and LEDGERLY_FAULT_SEED make
// a larger or repeatable run.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <random>
#include <thread>
#include <tuple>

#include "body/Delimiters.h"
#include "store/PairCheck.h"
#include "store/PairTransaction.h"
#include "tests/cli/HardeningSupport.h"
#include "tests/support/TestSupport.h"

namespace ledgerly::test {
namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// {MBX}: the mailbox file; {FOLDER}: the folder that holds it; {ATTACH}: a
// folder holding the files the broken references name.
struct RewritingCommand {
    std::string label;
    std::vector<std::string> args;
    // A defect already known and reported; the case is skipped with this text.
    std::string known;
    std::string knownFullDisk;
};

void PrintTo(const RewritingCommand& c, std::ostream* os) { *os << c.label; }

const std::vector<RewritingCommand>& RewritingCommands() {
    static const std::vector<RewritingCommand> commands = {
        {"strip-html", {"strip-html", "{MBX}"}, "", ""},
        {"decode-qp", {"decode-qp", "{MBX}"}, "", ""},
        {"rot13", {"rot13", "{MBX}"}, "", ""},
        {"relink --set-folder", {"relink", "{MBX}", "--set-folder", "{ATTACH}"}, "", ""},
        {"repair-delimiters --yes", {"repair-delimiters", "{MBX}", "--yes"}, "", ""},
        {"update --all", {"update", "--all", "{MBX}"}, "", ""},
        {"mark sent", {"mark", "sent", "{MBX}"}, "", ""},
        {"duplicates --fast", {"duplicates", "--fast", "{MBX}"}, "", ""},
        {"duplicates --slow", {"duplicates", "--slow", "{MBX}"}, "", ""},
        {"align-columns", {"align-columns", "{FOLDER}", "--widths", "4,4,4,6,31,17,5,4"}, "", ""},
    };
    return commands;
}

std::string Name(const testing::TestParamInfo<RewritingCommand>& info) {
    std::string n;
    for (char c : info.param.label) n += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return n;
}

std::vector<std::string> Expand(const std::vector<std::string>& args, const std::string& folder, const std::string& attach) {
    std::vector<std::string> out;
    for (const std::string& a : args) {
        if (a == "{MBX}") out.push_back(folder + "Box.mbx");
        else if (a == "{FOLDER}") out.push_back(folder);
        else if (a == "{ATTACH}") out.push_back(attach);
        else out.push_back(a);
    }
    return out;
}

void CopyPair(const std::string& fromPair, const std::string& toPair) {
    fs::copy_file(fromPair + "mbx", toPair + "mbx", fs::copy_options::overwrite_existing);
    fs::copy_file(fromPair + "toc", toPair + "toc", fs::copy_options::overwrite_existing);
}

// What a folder must look like after a run, whole or cut short.
void ExpectSound(const std::string& folder, const PairState& before, const PairState& after, const std::string& when) {
    const std::string pairPath = folder + "Box.";
    const std::string recovered = RecoverInterruptedRewrite(MailboxPair::FromMailboxPath(pairPath + "mbx"));
    const PairState now = ReadPairState(pairPath);
    EXPECT_TRUE(now == before || now == after)
        << when << ": the pair is neither the old one nor the new one (" << now.Describe() << "; before " << before.Describe()
        << ", after " << after.Describe() << ")" << (recovered.empty() ? "" : "; recovery: " + recovered);
    if (now.toc && now.mbx) {
        const PairReport report = CheckPair(MailboxPair::FromMailboxPath(pairPath + "mbx"));
        EXPECT_TRUE(report.Consistent()) << when << ": " << (report.FirstError() ? report.FirstError()->text : "");
    }
    for (const auto& entry : fs::directory_iterator(folder))
        EXPECT_EQ(entry.path().filename().string().find(".ledgerly-"), std::string::npos)
            << when << ": '" << entry.path().filename().string() << "' was left behind";
    for (const auto& [ext, original] : {std::pair{std::string("mbx"), before.mbx}, std::pair{std::string("toc"), before.toc}})
        for (const std::string& backup : NumberedBackups(folder, "Box.", ext))
            EXPECT_TRUE(original && ReadFile(backup) == *original) << when << ": the backup '" << backup << "' differs from the original";
}

// A generated pair for the command of the parameter, copied into a fresh
// folder for every run of it.
class GeneratedPairTest : public testing::TestWithParam<RewritingCommand> {
protected:
    // `messagesVariable` may set the number of messages (default `messages`).
    void Generate(const char* messagesVariable, long messages) {
        if (!CliHasCommand(GetParam().args.front()))
            GTEST_SKIP() << "'" << GetParam().args.front() << "' is not a command of this ledgerly-cli yet: not tested";
        attach_ = dir_ / "attach/";
        fs::create_directories(attach_);
        const int count = static_cast<int>(EnvNumber(messagesVariable, messages));
        for (int i = 1; i <= count; ++i) WriteFile(attach_ + "file" + std::to_string(i) + ".txt", "x");
        seed_ = dir_ / "seed/";
        fs::create_directories(seed_);
        WriteWorkMailbox(seed_ + "Box.", count, "/nonexistent-ledgerly-folder/attach/");
        before_ = ReadPairState(seed_ + "Box.");
    }

    std::string Fresh(const std::string& name) {
        const std::string folder = dir_ / (name + "/");
        fs::remove_all(folder);
        fs::create_directories(folder);
        CopyPair(seed_ + "Box.", folder + "Box.");
        return folder;
    }

    TempDir dir_;
    std::string attach_, seed_;
    PairState before_;
};

class FaultInjection : public GeneratedPairTest {
protected:
    void SetUp() override { Generate("LEDGERLY_FAULT_MESSAGES", 1200); }

    // One uninterrupted run on a copy: the state every interrupted run may reach.
    PairState RunWhole(double* seconds) {
        const std::string folder = Fresh("whole");
        const auto start = Clock::now();
        const int code = WaitCli(StartCli(Expand(GetParam().args, folder, attach_)));
        *seconds = std::chrono::duration<double>(Clock::now() - start).count();
        EXPECT_EQ(code, 0) << GetParam().label << " failed on the generated mailbox";
        PairState after = ReadPairState(folder + "Box.");
        EXPECT_NE(after, before_) << GetParam().label << " changed nothing: the kills below prove little";
        fs::remove_all(folder);
        return after;
    }
};

TEST_P(FaultInjection, KilledAtAnyMomentLeavesTheOldPairOrTheNewOne) {
    if (!GetParam().known.empty()) GTEST_SKIP() << "known: " << GetParam().known;
    double whole = 0;
    const PairState after = RunWhole(&whole);
    const long kills = EnvNumber("LEDGERLY_FAULT_KILLS", 12);
    const auto seed = static_cast<std::uint64_t>(EnvNumber("LEDGERLY_FAULT_SEED", static_cast<long>(std::random_device{}())));
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> anyMoment(0.0, whole);
    std::vector<std::string> strays;
    for (long k = 0; k < kills; ++k) {
        // Right at the start, near the end, and anywhere between.
        const double delay = k == 0 ? 0.0 : k == 1 ? whole * 0.97 : k == 2 ? whole * 0.9 : anyMoment(rng);
        const std::string folder = Fresh("kill" + std::to_string(k));
        const pid_t pid = StartCli(Expand(GetParam().args, folder, attach_));
        std::this_thread::sleep_for(std::chrono::duration<double>(delay));
        ::kill(pid, SIGKILL);
        WaitCli(pid);
        const std::string when = GetParam().label + " killed after " + std::to_string(delay) + " s of " +
                                 std::to_string(whole) + " s (seed " + std::to_string(seed) + ")";
        ExpectSound(folder, before_, after, when);
        for (const std::string& s : StrayFiles(folder, "Box.")) strays.push_back(s);
        fs::remove_all(folder);
    }
    // Left-behind temporary files lose no mail; they are listed for the record.
    if (!strays.empty()) {
        std::string list;
        for (const std::string& s : strays) list += " " + s;
        RecordProperty("left_behind", list);
        std::cout << "[ note ] " << GetParam().label << " left behind after kills:" << list << '\n';
    }
}

// A tmpfs of its own, unmounted at the end.
class SmallFileSystem {
public:
    SmallFileSystem(const std::string& mountPoint, std::int64_t bytes) : path_(mountPoint) {
        fs::create_directories(path_);
        const std::string options = "size=" + std::to_string(bytes);
        if (::mount("tmpfs", path_.c_str(), "tmpfs", 0, options.c_str()) != 0) error_ = std::strerror(errno);
    }
    ~SmallFileSystem() {
        if (error_.empty()) ::umount2(path_.c_str(), MNT_DETACH);
    }
    const std::string& error() const { return error_; }

    // Writes a file that takes all the space but `leave` bytes.
    void Fill(std::int64_t leave) {
        const fs::space_info space = fs::space(path_);
        const auto bytes = static_cast<std::int64_t>(space.available) - leave;
        if (bytes <= 0) return;
        std::ofstream out(path_ + "/filler", std::ios::binary);
        const std::string block(1 << 16, '\0');
        for (std::int64_t written = 0; written < bytes && out; written += static_cast<std::int64_t>(block.size()))
            out.write(block.data(), static_cast<std::streamsize>(std::min<std::int64_t>(block.size(), bytes - written)));
    }

private:
    std::string path_;
    std::string error_;
};

TEST_P(FaultInjection, FullFileSystemFailsWithAMessageAndChangesNothing) {
    if (!GetParam().knownFullDisk.empty()) GTEST_SKIP() << "known: " << GetParam().knownFullDisk;
    double whole = 0;
    const PairState after = RunWhole(&whole);
    const auto pairBytes = static_cast<std::int64_t>(before_.mbx->size() + before_.toc->size());
    // No room at all, then room for the backups but not for the new files.
    for (const std::int64_t room : {std::int64_t{0}, pairBytes + static_cast<std::int64_t>(before_.mbx->size() / 2)}) {
        const std::string mountPoint = dir_ / ("full" + std::to_string(room));
        SmallFileSystem small(mountPoint, pairBytes * 3 + (1 << 20));
        if (!small.error().empty())
            GTEST_SKIP() << "cannot mount a small tmpfs here (" << small.error() << "): the full file system is not tested";
        const std::string folder = mountPoint + "/";
        CopyPair(seed_ + "Box.", folder + "Box.");
        small.Fill(room);
        const CliRun run = RunCli(Expand(GetParam().args, folder, attach_));
        fs::remove(folder + "filler");  // room for the checks' own recovery
        const PairState now = ReadPairState(folder + "Box.");
        const std::string when = GetParam().label + " with " + std::to_string(room) + " bytes free";
        if (now == before_ && after != before_) {
            EXPECT_NE(run.exitCode, 0) << when << ": reported success but changed nothing";
            EXPECT_FALSE(run.err.empty()) << when << ": failed without a message";
        } else {
            EXPECT_EQ(now, after) << when << ": the pair is neither the old one nor the new one (" << now.Describe()
                                  << "); exit " << run.exitCode << ", " << run.err;
            EXPECT_EQ(run.exitCode, 0) << when << ": the pair is the new one but the run failed: " << run.err;
        }
        ExpectSound(folder, before_, after, when);
        const std::vector<std::string> strays = StrayFiles(folder, "Box.");
        EXPECT_TRUE(strays.empty()) << when << ": left behind " << strays.front();
    }
}

INSTANTIATE_TEST_SUITE_P(EveryRewritingCommand, FaultInjection, testing::ValuesIn(RewritingCommands()), Name);

// ---- Deterministic: a preloaded shim stops the run at its Nth call ----------
//
// A run of each command on a small mailbox is stopped at each of its renames,
// flushes, removals and writes in turn: killed there, or made to fail there.
// The next command (`backup`, which finishes or undoes what it finds) must
// then find the pair before the run or the pair one whole run gives, byte for
// byte; `verify` must pass; the killed run's backups must equal the original
// files and the next command's the pair as it is; nothing staged may remain.

const char* const kCallKinds[] = {"rename", "fsync", "unlink", "write"};

// The failure each kind of call is given (EPERM, EIO, EACCES, ENOSPC).
int FailureOf(const std::string& kind) { return kind == "rename" ? EPERM : kind == "fsync" ? EIO : kind == "unlink" ? EACCES : ENOSPC; }

// Runs ledgerly-cli with the shim: `at` is "", "KIND:N" or "KIND:N:ERRNO".
CliRun RunWithShim(const std::vector<std::string>& args, const std::string& at, const std::string& countsFile) {
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string asanBefore = asan ? asan : "";
    ::setenv("LD_PRELOAD", LEDGERLY_FAULT_SHIM, 1);
    ::setenv("ASAN_OPTIONS", (asanBefore.empty() ? "" : asanBefore + ":") .append("verify_asan_link_order=0").c_str(), 1);
    if (!at.empty()) ::setenv("LEDGERLY_FAULT_AT", at.c_str(), 1);
    if (!countsFile.empty()) ::setenv("LEDGERLY_FAULT_COUNTS", countsFile.c_str(), 1);
    CliRun run = RunCli(args);
    ::unsetenv("LD_PRELOAD");
    ::unsetenv("LEDGERLY_FAULT_AT");
    ::unsetenv("LEDGERLY_FAULT_COUNTS");
    if (asan) ::setenv("ASAN_OPTIONS", asanBefore.c_str(), 1);
    else ::unsetenv("ASAN_OPTIONS");
    return run;
}

std::map<std::string, long> ReadCounts(const std::string& file) {
    std::map<std::string, long> counts;
    std::istringstream in(ReadFile(file));
    std::string kind;
    long n = 0;
    while (in >> kind >> n) counts[kind] = n;
    return counts;
}

long BackupNumber(const std::string& path) { return std::stol(path.substr(path.rfind('.') + 1)); }

class StoppedAtEveryCall : public GeneratedPairTest {
protected:
    void SetUp() override { Generate("LEDGERLY_FAULT_CALL_MESSAGES", 10); }

    // The next command, then what the folder must look like.
    void ExpectTheNextCommandFindsAWholePair(const std::string& folder, const PairState& after, const std::string& when) {
        const CliRun next = RunCli({"backup", folder + "Box.mbx"});
        EXPECT_EQ(next.exitCode, 0) << when << ": the next command failed: " << next.err;
        const PairState now = ReadPairState(folder + "Box.");
        ASSERT_TRUE(now == before_ || now == after) << when << ": the pair is neither the old one nor the new one (" << now.Describe() << ")";
        if (now.toc) {
            const CliRun verify = RunCli({"verify", folder + "Box.mbx"});
            EXPECT_EQ(verify.exitCode, 0) << when << ": " << verify.out << verify.err;
        }
        long last = 0;
        for (const char* ext : {"mbx", "toc"})
            for (const std::string& b : NumberedBackups(folder, "Box.", ext)) last = std::max(last, BackupNumber(b));
        for (const auto& [ext, was, is] : {std::tuple{"mbx", before_.mbx, now.mbx}, std::tuple{"toc", before_.toc, now.toc}})
            for (const std::string& b : NumberedBackups(folder, "Box.", ext)) {
                // The next command's backups carry the last number; every earlier one is the killed run's.
                const std::optional<std::string>& expected = BackupNumber(b) == last ? is : was;
                EXPECT_TRUE(expected && ReadFile(b) == *expected) << when << ": the backup '" << b << "' is not the file it copies";
            }
        for (const auto& entry : fs::directory_iterator(folder))
            EXPECT_EQ(entry.path().filename().string().find(".ledgerly-"), std::string::npos)
                << when << ": '" << entry.path().filename().string() << "' remains";
    }
};

TEST_P(StoppedAtEveryCall, KilledOrFailingAtEachRenameFlushRemovalAndWriteLeavesTheOldPairOrTheNewOne) {
    const std::string countsFile = dir_ / "counts";
    const std::string whole = Fresh("whole");
    const CliRun run = RunWithShim(Expand(GetParam().args, whole, attach_), "", countsFile);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const PairState after = ReadPairState(whole + "Box.");
    ASSERT_NE(after, before_) << GetParam().label << " changed nothing: stopping it proves little";
    const std::map<std::string, long> counts = ReadCounts(countsFile);
    ASSERT_GT(counts.at("rename"), 0) << "the shim counted nothing: is it preloaded?";
    for (const char* kind : kCallKinds) {
        for (long n = 1; n <= counts.at(kind); ++n) {
            for (const bool kill : {true, false}) {
                const std::string at = std::string(kind) + ":" + std::to_string(n) + (kill ? "" : ":" + std::to_string(FailureOf(kind)));
                const std::string when = GetParam().label + (kill ? " killed at " : " failing at ") + at;
                const std::string folder = Fresh("stopped");
                const CliRun stopped = RunWithShim(Expand(GetParam().args, folder, attach_), at, "");
                if (kill) {
                    EXPECT_EQ(stopped.exitCode, 128 + SIGKILL) << when << ": the call was not reached";
                } else {
                    const PairState state = ReadPairState(folder + "Box.");
                    if (stopped.exitCode == 0) {
                        EXPECT_EQ(state, after) << when << ": reported success but the new pair is not in place";
                    } else {
                        EXPECT_EQ(state, before_) << when << ": failed (" << stopped.err << ") but the pair changed";
                        EXPECT_NE(stopped.err.find("Nothing was changed"), std::string::npos) << when << ": " << stopped.err;
                        EXPECT_EQ(stopped.err.find("Success"), std::string::npos) << when << ": " << stopped.err;
                        EXPECT_EQ(stopped.err.find(".ledgerly-"), std::string::npos) << when << ": names a temporary file: " << stopped.err;
                        EXPECT_TRUE(stopped.err.size() >= 2 && stopped.err.substr(stopped.err.size() - 2) == ".\n") << when << ": " << stopped.err;
                    }
                }
                ExpectTheNextCommandFindsAWholePair(folder, after, when);
                if (HasFatalFailure()) return;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryChangingCommand, StoppedAtEveryCall, testing::ValuesIn(RewritingCommands()), Name);

}  // namespace
}  // namespace ledgerly::test

namespace ledgerly::test {
namespace {

// strip-html killed part-way through its new mailbox, the TOC deleted (as a
// user does so that Eudora rebuilds it), then repair-delimiters: the half-
// written mailbox was put in place (2,000 messages became 1,650) and the
// repair reported success.
TEST(ReproducedLoss, AHalfWrittenMailboxIsNeverPutInPlaceWhenTheTocIsGone) {
    TempDir dir;
    const std::string pair = dir / "Box.";
    WriteWorkMailbox(pair, 60, "/nonexistent-ledgerly-folder/attach/");
    const PairState original = ReadPairState(pair);
    const std::string counts = dir / "counts";
    ASSERT_EQ(RunWithShim({"strip-html", pair + "mbx"}, "", counts).exitCode, 0);
    const long writes = ReadCounts(counts).at("write");
    for (const std::string& backup : StrayFiles(dir.str(), "Box.")) fs::remove(dir / backup);
    for (const char* ext : {"mbx", "toc"})
        for (const std::string& backup : NumberedBackups(dir.str(), "Box.", ext)) fs::remove(backup);
    RestorePairState(pair, original);

    // Killed halfway through the writes (the backups are a few of them; the new mailbox is most).
    EXPECT_EQ(RunWithShim({"strip-html", pair + "mbx"}, "write:" + std::to_string(writes / 2), "").exitCode, 128 + SIGKILL);
    fs::remove(pair + "toc");
    const CliRun repair = RunCli({"repair-delimiters", "--yes", pair + "mbx"});
    EXPECT_EQ(repair.exitCode, 0) << repair.err;
    EXPECT_TRUE(ReadFile(pair + "mbx.2") == *original.mbx);  // the repair's own backup: the mailbox it found
    EXPECT_TRUE(ReadFile(pair + "mbx") == InsertMissingDelimiterBreaks(*original.mbx)) << "the repair was not made on the original mailbox";
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename().string().find(".ledgerly-"), std::string::npos) << e.path();
}

// With the TOC marked immutable, strip-html, decode-qp and relink put the new
// mailbox in place, failed on the TOC and left the pair inconsistent.
TEST(ReproducedLoss, ATocThatCannotBeReplacedLeavesTheOldPairWhole) {
    TempDir dir;
    const std::string pair = dir / "Box.", attach = dir / "attach/";
    fs::create_directories(attach);
    for (int i = 1; i <= 10; ++i) WriteFile(attach + "file" + std::to_string(i) + ".txt", "x");
    WriteWorkMailbox(pair, 10, "/nonexistent-ledgerly-folder/attach/");
    const PairState original = ReadPairState(pair);
    auto setImmutable = [&](bool on) {
        const int fd = ::open((pair + "toc").c_str(), O_RDONLY);
        int flags = 0;
        const bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                          (flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
        if (fd >= 0) ::close(fd);
        return done;
    };
    for (const std::vector<std::string>& command : {std::vector<std::string>{"strip-html", pair + "mbx"},
                                                     {"decode-qp", pair + "mbx"},
                                                     {"relink", pair + "mbx", "--set-folder", attach}}) {
        if (!setImmutable(true)) GTEST_SKIP() << "cannot mark a file immutable here";
        const CliRun run = RunCli(command);
        setImmutable(false);
        EXPECT_EQ(run.exitCode, 1) << command.front();
        EXPECT_EQ(run.err.find("Cannot replace '" + pair + "toc': it is marked immutable. Nothing was changed; the backups"), 0u)
            << command.front() << ": " << run.err;
        EXPECT_EQ(ReadPairState(pair), original) << command.front();
        EXPECT_EQ(RunCli({"verify", pair + "mbx"}).exitCode, 0) << command.front();
    }
}

}  // namespace
}  // namespace ledgerly::test
