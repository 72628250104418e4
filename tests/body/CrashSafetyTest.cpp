// A rewrite must leave the old pair or the new pair, whatever happens: the
// command-line tool is killed at random moments of a run, and run on a disk
// that fills up.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <thread>

#include "attachments/LinkRepair.h"
#include "body/Delimiters.h"
#include "body/RewriteBodies.h"
#include "flagging/SummaryRefresh.h"
#include "store/MailboxBuilder.h"
#include "store/PairCheck.h"
#include "store/PairTransaction.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;
namespace fs = std::filesystem;

std::string CliPath() {
    const char* env = std::getenv("LEDGERLY_CLI");
    return env && *env ? env : LEDGERLY_CLI_PATH;
}

pid_t StartCli(const std::vector<std::string>& args) {
    const std::string exe = CliPath();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::vector<char*> argv{const_cast<char*>(exe.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(exe.c_str(), argv.data());
        ::_exit(127);
    }
    return pid;
}

MailboxBuilder HtmlMailbox(int messages) {
    MailboxBuilder b;
    std::string body = "<x-html>\r\n<html><head><title>t</title></head><body>\r\n";
    for (int i = 0; i < 12; ++i) body += "<p>Paragraph  with <b>bold</b>   text and <a href=\"http://example.org/\">a link</a>.</p>\r\n";
    body += "</body></html>\r\n</x-html>\r\n";
    for (int i = 0; i < messages; ++i)
        b.Add(ComposeMessage({"From: a@b.c", "Subject: message " + std::to_string(i)}, body), "a", "s" + std::to_string(i));
    return b;
}

// A killed process leaves its written bytes in the page cache, so the kill test
// needs no disk: a memory file system spares it the cost of every flush.
std::unique_ptr<TempDir> MemoryTempDir() {
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    std::error_code ec;
    if (fs::is_directory("/dev/shm", ec)) ::setenv("TMPDIR", "/dev/shm", 1);
    auto dir = std::make_unique<TempDir>();
    if (old) ::setenv("TMPDIR", saved.c_str(), 1);
    else ::unsetenv("TMPDIR");
    return dir;
}

struct Pair {
    std::string toc, mbx;
    bool operator==(const Pair&) const = default;
};

Pair ReadPair(const std::string& pairPath) { return {ReadFile(pairPath + "toc"), ReadFile(pairPath + "mbx")}; }

// True once the child has ended (it is not reaped: the caller still waits for it).
bool Ended(pid_t pid) {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

// Waits for the moment a round kills the run at:
//   0: a random moment of the whole run (`micros` after the start);
//   1: a random moment (`commitMicros`) after the new TOC file appeared;
//   2: right after the new mailbox file was renamed into place.
void KillAt(pid_t pid, const std::string& pairPath, int kind, unsigned micros, unsigned commitMicros) {
    using namespace std::chrono_literals;
    const std::string newMbx = pairPath + "mbx" + std::string(kNewSuffix), newToc = pairPath + "toc" + std::string(kNewSuffix);
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    auto until = [&](auto done) {
        while (!done() && !Ended(pid) && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(100us);
    };
    switch (kind) {
        case 0: std::this_thread::sleep_for(std::chrono::microseconds(micros)); break;
        case 1:
            until([&] { return fs::exists(newToc); });
            std::this_thread::sleep_for(std::chrono::microseconds(commitMicros));
            break;
        default:
            until([&] { return fs::exists(newMbx); });
            until([&] { return !fs::exists(newMbx); });
            break;
    }
}

TEST(CrashSafety, AKilledRewriteLeavesTheOldPairOrTheNewOneAndWholeBackups) {
    const MailboxBuilder box = HtmlMailbox(800);  // about 1 MB
    const Pair old{box.TocBytes(), box.MbxBytes()};

    // The finished run, once, for the new pair and for the time a run takes.
    const auto refDir = MemoryTempDir();
    const TempDir& ref = *refDir;
    ASSERT_TRUE(box.Write(ref / "In.").ok());
    const auto t0 = std::chrono::steady_clock::now();
    int status = 0;
    ::waitpid(StartCli({"strip-html", ref / "In.mbx"}), &status, 0);
    const auto runTime = std::chrono::steady_clock::now() - t0;
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const Pair fresh = ReadPair(ref / "In.");
    ASSERT_NE(fresh, old);
    const auto runMicros = std::chrono::duration_cast<std::chrono::microseconds>(runTime).count();

    std::mt19937 rng(20261207);
    int sawOld = 0, sawNew = 0;
    for (int round = 0; round < 20; ++round) {
        const auto roundDir = MemoryTempDir();
        const TempDir& dir = *roundDir;
        const std::string pairPath = dir / "In.";
        WriteFile(pairPath + "mbx", old.mbx);
        WriteFile(pairPath + "toc", old.toc);
        const pid_t pid = StartCli({"strip-html", pairPath + "mbx"});
        KillAt(pid, pairPath, round % 3, rng() % static_cast<unsigned>(runMicros * 11 / 10 + 1), rng() % 3000);
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);

        (void)RecoverInterruptedRewrite(MailboxPair{pairPath});
        const Pair now = ReadPair(pairPath);
        ASSERT_TRUE(now == old || now == fresh) << "round " << round << ": a mix of old and new";
        (now == old ? sawOld : sawNew)++;
        EXPECT_TRUE(CheckPair(MailboxPair{pairPath}).Consistent()) << "round " << round;
        for (const auto& e : fs::directory_iterator(dir.path())) {
            const std::string name = e.path().filename().string();
            if (name == "In.toc.1") {
                EXPECT_EQ(ReadFile(e.path().string()), old.toc) << "round " << round;
            } else if (name == "In.mbx.1") {
                EXPECT_EQ(ReadFile(e.path().string()), old.mbx) << "round " << round;
            } else if (name != "In.toc" && name != "In.mbx") {
                // Only an unfinished backup copy may stay; it never carries a backup's name.
                EXPECT_NE(name.find(".ledgerly-partial"), std::string::npos) << "round " << round << ": stray " << name;
            }
        }
    }
    std::printf("killed runs: %d left the old pair, %d the new pair\n", sawOld, sawNew);
}

// The desktop program's Stop: every tool that changes a pair looks at it
// between messages and leaves the pair as it was, naming the backups it made.
TEST(CrashSafety, AStoppedRunLeavesThePairByteForByteAndNamesItsBackups) {
    struct Row {
        const char* tool;
        std::function<Status(ToolContext&, const std::string& mbx)> run;
        bool backups;
        int stopAfter = 1;  // the questions answered No before the Stop
    };
    const PathMapper mapper("/nonexistent-data-folder/");
    const Row rows[] = {
        {"strip-html", [](ToolContext& c, const std::string& mbx) { return RewriteBodies(c, mbx, RewriteMode::StripHtml).status(); }, true},
        {"relink", [&](ToolContext& c, const std::string& mbx) {
             auto links = FindBrokenLinks(mbx, mapper, c.host);
             for (BrokenLink& r : *links) MarkForRemoval(r);
             return RewriteAttachmentLinks(c, mbx, *links, mapper, false).status();
         }, true},
        {"repair-delimiters", [](ToolContext& c, const std::string& mbx) { return RepairMessageDelimiters(c, mbx).status(); }, true, 0},
        {"update", [](ToolContext& c, const std::string& mbx) {
             return UpdateTocFields(c, MailboxPair::FromMailboxPath(mbx).pairPath, RefreshSelectors::All(), [](char*) {});
         }, false},
        {"mark", [](ToolContext& c, const std::string& mbx) { return MarkAllMessages(c, MailboxPair::FromMailboxPath(mbx).pairPath, true); }, false},
    };
    MailboxBuilder box = HtmlMailbox(3);
    box.Add(ComposeMessage({"From: a@b.c"}, "Attachment Converted: \"/nonexistent-data-folder/attach/gone.txt\"\r\n"), "a", "x");
    for (const Row& row : rows) {
        TempDir dir;
        ASSERT_TRUE(box.Write(dir / "In.").ok());
        AppState state;
        test::FakeHost host(state);
        host.stopAfter = row.stopAfter;
        ToolContext context{state, host};
        const Status stopped = row.run(context, dir / "In.mbx");
        ASSERT_FALSE(stopped.ok()) << row.tool;
        const std::string named = row.backups ? "Stopped. Nothing was changed; the backups '" + dir / "In.toc.1" + "' and '" + dir / "In.mbx.1" + "' were made."
                                              : "Stopped. Nothing was changed.";
        EXPECT_EQ(stopped.error(), named) << row.tool;
        EXPECT_EQ(ReadPair(dir / "In."), (Pair{box.TocBytes(), box.MbxBytes()})) << row.tool;
        for (const auto& e : fs::directory_iterator(dir.path()))
            EXPECT_EQ(e.path().filename().string().find(".ledgerly-"), std::string::npos) << row.tool << ": " << e.path();
    }
}

// A small file system of its own that fills up; needs the right to mount.
class FullDisk : public ::testing::Test {
protected:
    TempDir dir;
    std::string mountPoint = dir / "disk";
    bool mounted = false;
    void SetUp() override {
        fs::create_directory(mountPoint);
        if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=1m") != 0)
            GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno) << "): the full-disk case is not run";
        mounted = true;
    }
    void TearDown() override {
        if (mounted) ::umount2(mountPoint.c_str(), MNT_DETACH);
    }
};

TEST_F(FullDisk, ARunThatCannotBeWrittenWholeChangesNothing) {
    // 600 KB: the mailbox backup does not fit. 400 KB: the backups fit, the new mailbox does not.
    for (int messages : {600, 400}) {
        for (const auto& e : fs::directory_iterator(mountPoint)) fs::remove(e.path());
        MailboxBuilder b;
        const std::string body(1000 - 60, 'x');
        for (int i = 0; i < messages; ++i) b.Add(ComposeMessage({"Subject: s"}, body));
        const std::string pairPath = mountPoint + "/In.";
        ASSERT_TRUE(b.Write(pairPath).ok());
        const Pair old = ReadPair(pairPath);

        AppState state;
        test::FakeHost host(state);
        ToolContext context{state, host};
        auto r = RewriteBodies(context, pairPath + "mbx", RewriteMode::Cipher);
        ASSERT_FALSE(r.ok()) << messages;
        EXPECT_NE(r.error().find("No space left on device"), std::string::npos) << r.error();
        EXPECT_NE(r.error().find("Nothing was changed"), std::string::npos) << r.error();
        EXPECT_TRUE(ReadPair(pairPath) == old) << messages;
        for (const auto& e : fs::directory_iterator(mountPoint)) {
            const std::string name = e.path().filename().string();
            if (name == "In.toc.1") {
                EXPECT_EQ(ReadFile(e.path().string()), old.toc);
            } else if (name == "In.mbx.1") {
                EXPECT_EQ(ReadFile(e.path().string()), old.mbx);
            } else {
                EXPECT_TRUE(name == "In.toc" || name == "In.mbx") << "left behind: " << name;
            }
        }
        EXPECT_EQ(fs::exists(pairPath + "mbx.1"), messages == 400);
    }
}

TEST_F(FullDisk, AReadOnlyFolderIsRefusedWithNothingChanged) {
    // Root ignores folder permissions but not a file system mounted read-only.
    MailboxBuilder b;
    b.Add(ComposeMessage({"Subject: s"}, "<b>x</b>"));
    const std::string pairPath = mountPoint + "/In.";
    ASSERT_TRUE(b.Write(pairPath).ok());
    if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=1m") != 0)
        GTEST_SKIP() << "cannot remount read-only here (" << std::strerror(errno) << ")";
    AppState state;
    test::FakeHost host(state);
    ToolContext context{state, host};
    auto r = RewriteBodies(context, pairPath + "mbx", RewriteMode::StripHtml);
    ASSERT_FALSE(r.ok());
    EXPECT_NE(r.error().find("Read-only file system"), std::string::npos) << r.error();
    EXPECT_NE(r.error().find("Nothing was changed."), std::string::npos) << r.error();
    EXPECT_TRUE(ReadPair(pairPath) == (Pair{b.TocBytes(), b.MbxBytes()}));
}

}  // namespace
}  // namespace ledgerly
