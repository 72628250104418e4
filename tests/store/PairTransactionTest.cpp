// The one transaction through which every change to a mailbox pair goes:
// what it refuses, what it backs up, what it leaves on disk after a commit,
// an abandoned run or a crash, and how the next run finds what a crash left.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <linux/fs.h>
#endif

#include <cinttypes>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "store/MailboxBuilder.h"
#include "store/PairTransaction.h"
#include "store/RewriteLock.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

MailboxBuilder Messages(int n, const std::string& word = "m") {
    MailboxBuilder b;
    b.Name("Box");
    for (int i = 1; i <= n; ++i)
        b.Add(ComposeMessage({"Subject: " + word + std::to_string(i)}, "body\r\n"), "who", word + std::to_string(i));
    return b;
}

std::vector<std::string> Entries(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path()))
        if (e.path().filename() != kLockFileName) names.push_back(e.path().filename().string());  // Windows' lock is a file while held
    std::sort(names.begin(), names.end());
    return names;
}

PairTransactionOptions Change(PairChange change) {
    PairTransactionOptions o;
    o.change = change;
    return o;
}

class PairTransactionTest : public testing::Test {
protected:
    TempDir dir;
    AppState state;
    MailboxPair pair = MailboxPair::FromMailboxPath(dir / "In.mbx");
    MailboxBuilder old = Messages(3);
    void SetUp() override { ASSERT_TRUE(old.Write(pair.pairPath).ok()); }

    // A whole rewrite: every message again, with "new" added to its body.
    Status Rewrite(PairChange change = PairChange::MailboxAndToc) {
        auto t = PairTransaction::Begin(pair, Change(change), &state);
        if (!t) return t.status();
        for (std::int32_t k = 1; k <= t->Toc().UsableCount(); ++k) {
            MessageSummary s = t->Toc().ReadSummary(k);
            const std::string text = t->Mailbox().Fetch(s) + "new\r\n";
            s.Offset = static_cast<std::int32_t>(t->NewMailboxSize());
            s.Length = static_cast<std::int32_t>(text.size());
            t->Toc().WriteSummary(k, s);
            if (Status a = t->AppendToMailbox(text); !a) return a;
        }
        return t->Commit();
    }
    bool Unchanged() const { return ReadFile(pair.mbx()) == old.MbxBytes() && ReadFile(pair.toc()) == old.TocBytes(); }
};

TEST_F(PairTransactionTest, ACommitReplacesBothFilesAndLeavesOnlyThePairAndItsBackups) {
    ASSERT_TRUE(Rewrite().ok());
    EXPECT_TRUE(CheckPair(pair).Sound());
    EXPECT_NE(ReadFile(pair.mbx()), old.MbxBytes());
    EXPECT_EQ(ReadFile(pair.mbx() + ".1"), old.MbxBytes());
    EXPECT_EQ(ReadFile(pair.toc() + ".1"), old.TocBytes());
    EXPECT_EQ(Entries(dir), (std::vector<std::string>{"In.mbx", "In.mbx.1", "In.toc", "In.toc.1"}));
    EXPECT_EQ(state.MbxBackupPath, pair.mbx() + ".1");
    EXPECT_EQ(state.TocBackupPath, pair.toc() + ".1");
}

// Bytes 96-99 of the TOC header hold the mailbox size + 1 when Eudora recorded it.
TEST_F(PairTransactionTest, ARecordedMailboxSizeIsRenewedAndAnUnrecordedOneStaysZero) {
    for (const std::uint32_t recorded : {0u, 12345u}) {
        TocImage toc = *TocImage::FromBytes(old.TocBytes());
        TocHeader h = toc.ReadHeader();
        h.SetRecordedMailboxSize(recorded);
        toc.WriteHeader(h);
        WriteFile(pair.toc(), toc.bytes());
        WriteFile(pair.mbx(), old.MbxBytes());
        ASSERT_TRUE(Rewrite().ok());
        const std::uint32_t now = TocImage::FromBytes(ReadFile(pair.toc()))->ReadHeader().RecordedMailboxSize();
        EXPECT_EQ(now, recorded == 0 ? 0u : static_cast<std::uint32_t>(fs::file_size(pair.mbx()) + 1));
    }
}

TEST_F(PairTransactionTest, ATocOnlyChangeWritesNothingElseAndNothingWhenTheTocIsTheSame) {
    const auto mbxTime = fs::last_write_time(pair.mbx());
    {
        auto t = PairTransaction::Begin(pair, Change(PairChange::TocOnly), &state);
        ASSERT_TRUE(t.ok()) << t.error();
        ASSERT_TRUE(t->Commit().ok());  // nothing edited: nothing written
    }
    EXPECT_TRUE(Unchanged());
    {
        auto t = PairTransaction::Begin(pair, Change(PairChange::TocOnly), &state);
        ASSERT_TRUE(t.ok());
        EXPECT_FALSE(t->AppendToMailbox("x").ok());  // a TOC-only change may not write the mailbox
    }
    {
        auto t = PairTransaction::Begin(pair, Change(PairChange::TocOnly), &state);
        ASSERT_TRUE(t.ok());
        MessageSummary s = t->Toc().ReadSummary(2);
        s.Priority = 5;
        t->Toc().WriteSummary(2, s);
        ASSERT_TRUE(t->Commit().ok());
    }
    EXPECT_EQ(ReadFile(pair.mbx()), old.MbxBytes());
    EXPECT_EQ(fs::last_write_time(pair.mbx()), mbxTime);
    EXPECT_EQ(TocImage::FromBytes(ReadFile(pair.toc()))->ReadSummary(2).Priority, 5);
    EXPECT_EQ(Entries(dir), (std::vector<std::string>{"In.mbx", "In.toc"}));  // no backups by default
}

TEST_F(PairTransactionTest, AnAbandonedOrStoppedRunLeavesThePairByteForByte) {
    for (bool explicitly : {false, true}) {
        auto t = PairTransaction::Begin(pair, Change(PairChange::MailboxAndToc), &state);
        ASSERT_TRUE(t.ok());
        ASSERT_TRUE(t->AppendToMailbox("half a mailbox").ok());
        t->Toc().WriteSummary(1, MessageSummary{});
        if (explicitly) {
            const Status stopped = t->AbandonWith("Stopped.");
            EXPECT_EQ(stopped.error(), "Stopped. Nothing was changed; the backups '" + pair.toc() + ".2' and '" + pair.mbx() + ".2' were made.");
        }
    }
    EXPECT_TRUE(Unchanged());
    EXPECT_EQ(Entries(dir), (std::vector<std::string>{"In.mbx", "In.mbx.1", "In.mbx.2", "In.toc", "In.toc.1", "In.toc.2"}));
}

TEST_F(PairTransactionTest, ASecondRunInTheSameFolderIsRefusedWhileTheFirstHoldsIt) {
    auto first = PairTransaction::Begin(pair, Change(PairChange::TocOnly), &state);
    ASSERT_TRUE(first.ok());
    ASSERT_TRUE(Messages(1).Write(dir / "Other.").ok());
    auto second = PairTransaction::Begin(MailboxPair{dir / "Other."}, Change(PairChange::TocOnly), &state);
    ASSERT_FALSE(second.ok());
    EXPECT_NE(second.error().find("Another run"), std::string::npos) << second.error();
}

// A stray 'In.toc.1' made a rewrite back up to 'In.toc.2' and 'In.mbx.1'.
TEST_F(PairTransactionTest, TheTwoBackupsOfOneRunShareTheFirstNumberFreeForBoth) {
    struct Row { std::vector<std::string> existing; std::string number; };
    const Row rows[] = {{{}, "1"}, {{"In.toc.1"}, "2"}, {{"In.mbx.1", "In.toc.2"}, "3"}, {{"In.toc.01"}, "1"}};
    for (const Row& row : rows) {
        for (const std::string& name : Entries(dir))
            if (name != "In.mbx" && name != "In.toc") {
                fs::remove(dir / name);
            }
        for (const std::string& name : row.existing) WriteFile(dir / name, "stray");
        auto t = PairTransaction::Begin(pair, Change(PairChange::BackupsOnly), &state);
        ASSERT_TRUE(t.ok()) << t.error();
        EXPECT_EQ(t->Backups().toc, pair.toc() + "." + row.number);
        EXPECT_EQ(t->Backups().mbx, pair.mbx() + "." + row.number);
        EXPECT_EQ(ReadFile(t->Backups().mbx), old.MbxBytes());
        for (const std::string& name : row.existing) EXPECT_EQ(ReadFile(dir / name), "stray");
    }
}

// A 0600 pair came back with 0644 backups and repaired files: private mail
// readable by everyone.
#ifndef _WIN32  // modes and owners
TEST_F(PairTransactionTest, EveryFileWrittenBesideThePairTakesItsModeAndOwner) {
    const bool root = ::geteuid() == 0;
    for (const char* file : {"In.mbx", "In.toc"}) {
        fs::permissions(dir / file, fs::perms::owner_read | fs::perms::owner_write);
        if (root) {
            ASSERT_EQ(::chown((dir / file).c_str(), 4321, 4322), 0);
        }
    }
    for (PairChange change : {PairChange::MailboxAndToc, PairChange::MailboxDeletingToc}) {
        ASSERT_TRUE(Rewrite(change).ok());
        for (const std::string& name : Entries(dir)) {
            struct stat st {};
            ASSERT_EQ(::stat((dir / name).c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0600u) << name;
            if (root) {
                EXPECT_EQ(st.st_uid, 4321u) << name;
                EXPECT_EQ(st.st_gid, 4322u) << name;
            }
        }
    }
    EXPECT_FALSE(fs::exists(pair.toc()));  // the delimiter repair's kind of change deletes it
}
#endif

TEST_F(PairTransactionTest, PairsAChangeWouldDamageAreRefusedByEveryKindOfChangeButTheRepairs) {
    struct Row {
        const char* name;
        std::function<void(std::string& mbx, std::string& toc)> damage;
        std::string says;
    };
    const std::string sixteen = Messages(16, "x").MbxBytes();
    const Row rows[] = {
        {"count 0 with 16 messages",
         [&](std::string& mbx, std::string& toc) { mbx = sixteen; toc.resize(104); toc[102] = toc[103] = 0; },
         "the toc lists 0 of the 16 messages in the mailbox"},
        {"overlapping summaries",
         [](std::string&, std::string& toc) {
             MessageSummary s = TocImage::FromBytes(toc)->ReadSummary(2);
             s.Offset -= 10;
             s.Length += 10;
             TocImage image = *TocImage::FromBytes(toc);
             image.WriteSummary(2, s);
             toc = image.bytes();
         },
         "overlap"},
        {"a message no summary lists", [](std::string& mbx, std::string&) { mbx += ComposeMessage({"Subject: lost"}, "x\r\n"); },
         "the toc lists 3 of the 4 messages in the mailbox"},
        {"a summary past the end", [](std::string& mbx, std::string&) { mbx.resize(mbx.size() - 4); }, "lie outside the mailbox file"},
        {"no TOC file", [](std::string&, std::string& toc) { toc.clear(); }, "does not exist"},
    };
    for (const Row& row : rows) {
        std::string mbx = old.MbxBytes(), toc = old.TocBytes();
        row.damage(mbx, toc);
        WriteFile(pair.mbx(), mbx);
        if (toc.empty()) {
            fs::remove(pair.toc());
        } else {
            WriteFile(pair.toc(), toc);
        }
        for (PairChange change : {PairChange::TocOnly, PairChange::MailboxAndToc}) {
            auto t = PairTransaction::Begin(pair, Change(change), &state);
            ASSERT_FALSE(t.ok()) << row.name;
            std::string lower = t.error();
            for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            EXPECT_NE(lower.find(row.says), std::string::npos) << row.name << ": " << t.error();
            EXPECT_NE(t.error().find("Nothing was changed."), std::string::npos) << t.error();
            const std::vector<std::string> files = toc.empty() ? std::vector<std::string>{"In.mbx"} : std::vector<std::string>{"In.mbx", "In.toc"};
            EXPECT_EQ(Entries(dir), files) << row.name;
        }
        // The delimiter repair deletes the TOC; a TOC rebuild is what mends it.
        EXPECT_TRUE(PairTransaction::Begin(pair, Change(PairChange::MailboxDeletingToc), &state).ok()) << row.name;
        PairTransactionOptions rebuild = Change(PairChange::TocOnly);
        rebuild.allowInconsistentPair = true;
        auto t = PairTransaction::Begin(pair, rebuild, &state);
        ASSERT_TRUE(t.ok()) << row.name << ": " << t.error();
        EXPECT_FALSE(t->Check().Consistent() && t->Check().RefusesChange() == nullptr) << row.name;
        for (const std::string& name : Entries(dir)) {
            if (name != "In.mbx" && name != "In.toc") fs::remove(dir / name);
        }
    }
}

TEST_F(PairTransactionTest, ATocRebuildWritesANewTocBesideAnUntouchedMailbox) {
    fs::remove(pair.toc());
    PairTransactionOptions rebuild = Change(PairChange::TocOnly);
    rebuild.allowInconsistentPair = true;
    rebuild.backups = true;
    {
        auto t = PairTransaction::Begin(pair, rebuild, &state);
        ASSERT_TRUE(t.ok()) << t.error();
        EXPECT_TRUE(t->Backups().toc.empty() && t->Backups().mbx.empty());  // no TOC to back up; the mailbox does not change
        t->Toc() = *TocImage::FromBytes(old.TocBytes());
        ASSERT_TRUE(t->Commit().ok());
    }
    EXPECT_TRUE(Unchanged());
    auto again = PairTransaction::Begin(pair, rebuild, &state);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again->Backups().toc, pair.toc() + ".1");
    EXPECT_EQ(Entries(dir), (std::vector<std::string>{"In.mbx", "In.toc", "In.toc.1"}));
}

// A file marked immutable cannot be renamed over: the commit must find that
// out before the mailbox file is replaced, not after.
TEST_F(PairTransactionTest, AnImmutableFileStopsTheCommitBeforeAnythingIsReplaced) {
#ifdef __linux__
    for (const std::string& target : {pair.toc(), pair.mbx()}) {
        const int fd = ::open(target.c_str(), O_RDONLY);
        int flags = 0;
        const bool settable = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                              (flags |= FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
        if (fd >= 0) ::close(fd);
        if (!settable) GTEST_SKIP() << "cannot mark a file immutable here";
        const Status s = Rewrite();
        const int fd2 = ::open(target.c_str(), O_RDONLY);
        flags &= ~FS_IMMUTABLE_FL;
        ::ioctl(fd2, FS_IOC_SETFLAGS, &flags);
        ::close(fd2);
        ASSERT_FALSE(s.ok());
        EXPECT_EQ(s.error().find("Cannot replace '" + target + "': it is marked immutable."), 0u) << s.error();
        EXPECT_NE(s.error().find("Nothing was changed; the backups"), std::string::npos) << s.error();
        EXPECT_TRUE(Unchanged());
        EXPECT_TRUE(CheckPair(pair).Sound());
        for (const std::string& name : Entries(dir)) EXPECT_EQ(name.find(".ledgerly-"), std::string::npos) << name;
    }
#elif defined(_WIN32)
    // Windows' counterpart: a read-only file.
    for (const std::string& target : {pair.toc(), pair.mbx()}) {
        fs::permissions(test::Native(target), fs::perms::owner_write, fs::perm_options::remove);
        const Status s = Rewrite();
        fs::permissions(test::Native(target), fs::perms::owner_write, fs::perm_options::add);
        ASSERT_FALSE(s.ok());
        EXPECT_EQ(s.error().find("Cannot replace '" + target + "': it is read-only."), 0u) << s.error();
        EXPECT_TRUE(Unchanged());
    }
#else
    GTEST_SKIP() << "immutable files are a Linux feature";
#endif
}

// What a run cut short leaves, and what the next run makes of it.
struct Journal {
    std::vector<std::string> lines;
    bool complete = true;
};
std::string JournalLine(const char* verb, const char* file, bool had, const std::string& bytes) {
    ContentHash hash;
    hash.Add(bytes);
    char line[128];
    std::snprintf(line, sizeof line, "%s %s %d %zu %016" PRIx64, verb, file, had ? 1 : 0, bytes.size(), hash.Value());
    return line;
}

TEST_F(PairTransactionTest, RecoveryFinishesOnlyWhatItsJournalProvesCompleteAndOtherwiseKeepsTheOldPair) {
    const MailboxBuilder fresh = Messages(2, "new");
    const std::string newMbx = fresh.MbxBytes(), newToc = fresh.TocBytes();
    const std::string journal = pair.mbx() + ".ledgerly-journal";
    struct Row {
        const char* name;
        std::function<void()> leave;  // the files the crash left, beside the old pair
        bool finished;                // the new pair is in place afterwards; else the old one
    };
    auto write = [&](const std::string& name, const std::string& bytes) { WriteFile(dir / name, bytes); };
    auto journalOf = [&](std::vector<std::string> steps, bool complete = true) {
        std::string text = "ledgerly-journal 1\n";
        for (const std::string& s : steps) text += s + "\n";
        write("In.mbx.ledgerly-journal", complete ? text + "end\n" : text);
    };
    const std::string replaceMbx = JournalLine("replace", "mbx", true, newMbx), replaceToc = JournalLine("replace", "toc", true, newToc);
    const Row rows[] = {
        // The reproduced loss: strip-html killed part-way, the TOC deleted by the
        // user, then repair-delimiters put the half-written mailbox in place.
        {"a staged mailbox without a journal, no TOC", [&] { write("In.mbx.ledgerly-new", newMbx.substr(0, 50)); fs::remove(pair.toc()); }, false},
        {"staged files without a journal", [&] { write("In.mbx.ledgerly-new", newMbx); write("In.toc.ledgerly-new", newToc); }, false},
        {"a journal cut short", [&] { write("In.mbx.ledgerly-new", newMbx); write("In.toc.ledgerly-new", newToc); journalOf({replaceMbx}, false); }, false},
        {"both staged and journalled", [&] { write("In.mbx.ledgerly-new", newMbx); write("In.toc.ledgerly-new", newToc); journalOf({replaceMbx, replaceToc}); }, true},
        {"the mailbox moved aside", [&] {
             fs::rename(pair.mbx(), pair.mbx() + ".ledgerly-old");
             write("In.mbx.ledgerly-new", newMbx); write("In.toc.ledgerly-new", newToc); journalOf({replaceMbx, replaceToc}); }, true},
        {"the mailbox in place, the TOC staged", [&] {
             fs::rename(pair.mbx(), pair.mbx() + ".ledgerly-old"); write("In.mbx", newMbx);
             write("In.toc.ledgerly-new", newToc); journalOf({replaceMbx, replaceToc}); }, true},
        {"the mailbox in place, the staged TOC short", [&] {
             fs::rename(pair.mbx(), pair.mbx() + ".ledgerly-old"); write("In.mbx", newMbx);
             write("In.toc.ledgerly-new", newToc.substr(0, 200)); journalOf({replaceMbx, replaceToc}); }, false},
        {"a staged mailbox that is not what the journal says", [&] {
             write("In.mbx.ledgerly-new", newMbx + "x"); write("In.toc.ledgerly-new", newToc); journalOf({replaceMbx, replaceToc}); }, false},
        {"everything in place, the old files not yet gone", [&] {
             fs::rename(pair.mbx(), pair.mbx() + ".ledgerly-old"); write("In.mbx", newMbx);
             fs::rename(pair.toc(), pair.toc() + ".ledgerly-old"); write("In.toc", newToc); journalOf({replaceMbx, replaceToc}); }, true},
        {"a replaced file left without its journal", [&] { write("In.mbx.ledgerly-old", "stale"); }, false},
    };
    for (const Row& row : rows) {
        for (const std::string& name : Entries(dir)) fs::remove(dir / name);
        ASSERT_TRUE(old.Write(pair.pairPath).ok());
        const bool tocWasThere = (row.leave(), fs::exists(pair.toc()) || fs::exists(pair.toc() + ".ledgerly-old"));
        const std::string said = RecoverInterruptedRewrite(pair);
        EXPECT_FALSE(said.empty()) << row.name;
        if (row.finished) {
            EXPECT_EQ(ReadFile(pair.mbx()), newMbx) << row.name << ": " << said;
            EXPECT_EQ(ReadFile(pair.toc()), newToc) << row.name << ": " << said;
        } else {
            EXPECT_EQ(ReadFile(pair.mbx()), old.MbxBytes()) << row.name << ": " << said;
            EXPECT_EQ(fs::exists(pair.toc()), tocWasThere) << row.name;
            if (tocWasThere) {
                EXPECT_EQ(ReadFile(pair.toc()), old.TocBytes()) << row.name << ": " << said;
            }
        }
        for (const std::string& name : Entries(dir)) EXPECT_EQ(name.find(".ledgerly-"), std::string::npos) << row.name << ": " << name;
        EXPECT_EQ(RecoverInterruptedRewrite(pair), "") << row.name;  // nothing left to do
    }
}

// A kill leaves temporary files under names no later run would pick again;
// the next run of any changing tool removes exactly those.
TEST(PairRewriteRecovery, LeftoverTemporaryFilesOfTheFolderAreRemovedAndNothingElse) {
    TempDir dir;
    const MailboxPair pair = MailboxPair::FromMailboxPath(dir / "In.mbx");
    WriteFile(pair.mbx(), "mail");
    WriteFile(pair.toc(), "toc");
    const std::vector<std::string> leftovers = {"In.toc.ledgerly-0a1b2c3d", "In.mbx.ledgerly-ffffffff", "In.mbx.ledgerly-new.ledgerly-12345678",
                                                "In.mbx.3.ledgerly-partial", "In.toc.12.ledgerly-partial"};
    const std::vector<std::string> kept = {"In.mbx.3",                   "In.toc.1",                  "In.mbx.ledgerly-0A1B2C3D",
                                           "In.mbx.ledgerly-123",        "In.mbx.x.ledgerly-partial", "Out.mbx.ledgerly-0a1b2c3d",
                                           "In.mbx.ledgerly-0a1b2c3d.txt", "In.mbx.ledgerly-partial",   "XIn.mbx.ledgerly-0a1b2c3d"};
    for (const auto& name : leftovers) WriteFile(dir / name, "part");
    for (const auto& name : kept) WriteFile(dir / name, "keep");
    fs::create_directory(dir / "In.mbx.4.ledgerly-partial");
    fs::create_symlink(dir / "In.mbx", dir / "In.toc.ledgerly-00000000");
    const std::string said = RecoverInterruptedRewrite(pair);
    EXPECT_NE(said.find("Removed 5 unfinished temporary files"), std::string::npos) << said;
    for (const auto& name : leftovers) EXPECT_FALSE(fs::exists(dir / name)) << name;
    for (const auto& name : kept) EXPECT_EQ(ReadFile(dir / name), "keep") << name;
    EXPECT_TRUE(fs::is_directory(dir / "In.mbx.4.ledgerly-partial"));
    EXPECT_TRUE(fs::is_symlink(dir / "In.toc.ledgerly-00000000"));
    EXPECT_EQ(ReadFile(pair.mbx()), "mail");
    EXPECT_EQ(ReadFile(pair.toc()), "toc");
    EXPECT_EQ(RecoverInterruptedRewrite(pair), "");
}

// A .mbx that is a FIFO hung every command; one that links to /dev/zero made
// them read and copy without end.
TEST_F(PairTransactionTest, OnlyRegularFilesAreOpenedAsTheMailboxOrTheToc) {
    struct Row { const char* name; std::function<void(const std::string&)> make; std::string kind; };
    const Row rows[] = {
#ifndef _WIN32
        {"a named pipe", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, "a named pipe"},
        {"a link to a device", [](const std::string& p) { fs::create_symlink("/dev/zero", p); }, "a character device"},
#endif
        {"a folder", [](const std::string& p) { fs::create_directory(p); }, "a folder"},
    };
    for (const Row& row : rows) {
        for (const std::string& target : {pair.mbx(), pair.toc()}) {
            fs::remove(target);
            row.make(target);
            for (PairChange change : {PairChange::BackupsOnly, PairChange::TocOnly, PairChange::MailboxAndToc}) {
                auto t = PairTransaction::Begin(pair, Change(change), &state);
                ASSERT_FALSE(t.ok()) << row.name;
                EXPECT_NE(t.error().find("it is " + row.kind + ", not a regular file."), std::string::npos) << row.name << ": " << t.error();
            }
            fs::remove(target);
            ASSERT_TRUE(old.Write(pair.pairPath).ok());
            EXPECT_EQ(Entries(dir), (std::vector<std::string>{"In.mbx", "In.toc"})) << row.name;
        }
    }
}

}  // namespace
}  // namespace ledgerly
