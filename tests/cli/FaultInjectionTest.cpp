// Every command that rewrites a mailbox is killed at random moments of a run
// and started against a full file system. After each kill (and the recovery
// every tool runs first) the pair must be consistent and equal, byte for
// byte, either the pair before the run or the pair one whole run gives; every
// numbered backup must equal the original file. A run that cannot write must
// say so and leave the pair as it was.
//
// CI size: a mailbox of a few MB and a dozen kills per command.
// LEDGERLY_FAULT_MESSAGES, LEDGERLY_FAULT_KILLS and LEDGERLY_FAULT_SEED make
// a larger or repeatable run.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

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

class FaultInjection : public testing::TestWithParam<RewritingCommand> {
protected:
    void SetUp() override {
        if (!CliHasCommand(GetParam().args.front()))
            GTEST_SKIP() << "'" << GetParam().args.front() << "' is not a command of this ledgerly-cli yet: not tested";
        attach_ = dir_ / "attach/";
        fs::create_directories(attach_);
        const int messages = static_cast<int>(EnvNumber("LEDGERLY_FAULT_MESSAGES", 1200));
        for (int i = 1; i <= messages; ++i) WriteFile(attach_ + "file" + std::to_string(i) + ".txt", "x");
        seed_ = dir_ / "seed/";
        fs::create_directories(seed_);
        WriteWorkMailbox(seed_ + "Box.", messages, "/nonexistent-ledgerly-folder/attach/");
        before_ = ReadPairState(seed_ + "Box.");
    }

    // One uninterrupted run on a copy: the state every interrupted run may reach.
    PairState RunWhole(double* seconds) {
        const std::string folder = dir_ / "whole/";
        fs::create_directories(folder);
        CopyPair(seed_ + "Box.", folder + "Box.");
        const auto start = Clock::now();
        const int code = WaitCli(StartCli(Expand(GetParam().args, folder, attach_)));
        *seconds = std::chrono::duration<double>(Clock::now() - start).count();
        EXPECT_EQ(code, 0) << GetParam().label << " failed on the generated mailbox";
        PairState after = ReadPairState(folder + "Box.");
        EXPECT_NE(after, before_) << GetParam().label << " changed nothing: the kills below prove little";
        fs::remove_all(folder);
        return after;
    }

    TempDir dir_;
    std::string attach_, seed_;
    PairState before_;
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
        const std::string folder = dir_ / ("kill" + std::to_string(k) + "/");
        fs::create_directories(folder);
        CopyPair(seed_ + "Box.", folder + "Box.");
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

}  // namespace
}  // namespace ledgerly::test
