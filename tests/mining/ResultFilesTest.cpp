#include <gtest/gtest.h>

#include "app/IniFile.h"
#include "app/Messages.h"
#include "mining/AddressHarvester.h"
#include "mining/LinkMiner.h"
#include "mining/LineReader.h"
#include "mining/MinerPlacement.h"
#include "mining/ResultFiles.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

using test::FakeHost;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(ResultFiles, ExportStringsByteForByte) {
    struct Case { ExportFormat format; std::vector<std::string> texts; std::string bytes; };
    const Case cases[] = {
        {ExportFormat::Csv, {"a", "b"}, "Inbox,a,b"},
        {ExportFormat::Tab, {"a", "b"}, "Inbox\ta\tb"},
        {ExportFormat::List, {"a", "b"}, "Inbox\r\na\r\nb"},
        {ExportFormat::Csv, {}, "Inbox"},
        {ExportFormat::List, {"x,y"}, "Inbox\r\nx,y"},
    };
    for (const Case& c : cases) EXPECT_EQ(ExportString("Inbox", c.texts, c.format), c.bytes);
    EXPECT_EQ(ExportString("Inbox", {"a", "b"}, ExportFormat::Csv).size(), 9u);
}

TEST(ResultFiles, NicknameFileNames) {
    struct Case { std::string name, file; };
    const Case cases[] = {
        {"Inbox", "Inbox.txt"},
        {"", "extracted.txt"},
        {"  Work  ", "Work.txt"},
        {std::string(30, 'a'), std::string(30, 'a') + ".txt"},
        {std::string(31, 'b'), std::string(30, 'b') + ".txt"},
        {std::string(29, 'c') + "  tail", std::string(29, 'c') + ".txt"},  // cut at 30, then trimmed
        {"   ", "extracted.txt"},
    };
    for (const Case& c : cases) EXPECT_EQ(NicknameFileName(c.name), c.file) << '[' << c.name << ']';
}

TEST(ResultFiles, RecordLayouts) {
    EXPECT_EQ(LinkHistoryRecord("cd/e"), "\r\ncd/e\r\n\r\n\r\n0 0 1 20\r\n---end\r\n");
    EXPECT_EQ(AddressHistoryLine("a@b"), "a@b\r\n");
    EXPECT_EQ(NicknameLines("a@b", "Inbox"), "alias a@b a@b\r\nnote a@b Extracted from mailbox: Inbox\r\n");
}

struct Store {
    TempDir dir;
    AppState state;
    FakeHost host{state};
    ToolContext context{state, host};
    Store() {
        state.paths.DataFolder = dir.str();
        state.paths.LinkHistoryPath = dir / "LinkHistory.dat";
        state.paths.AddressHistoryPath = dir / "History.lst";
        state.paths.NicknameFolder = dir.str();
    }
};

TEST(ResultFiles, HistoriesAppendTextsOrTagsAndRefuseWhileEudoraRuns) {
    Store s;
    WriteFile(s.state.paths.LinkHistoryPath, "old\r\n");
    const std::vector<MinerEntry> entries{{"ab", "mailto:ab", "e_mail"}, {"cd", "http://cd", "web"}};
    ASSERT_TRUE(AddToHistory(s.context, MinerMode::Links, entries).ok());
    EXPECT_EQ(ReadFile(s.state.paths.LinkHistoryPath), "old\r\n" + LinkHistoryRecord("ab") + LinkHistoryRecord("cd"));

    ASSERT_TRUE(AddToHistory(s.context, MinerMode::Addresses, {{"edited", "a@b", "e_mail"}}).ok());
    EXPECT_EQ(ReadFile(s.state.paths.AddressHistoryPath), "a@b\r\n");  // the tag, not the edited text

    s.host.eudoraRunning = true;
    const Status refused = AddToHistory(s.context, MinerMode::Addresses, {{"x@y", "x@y", "e_mail"}});
    EXPECT_EQ(refused.error(), msg::kCloseEudora);
    EXPECT_EQ(ReadFile(s.state.paths.AddressHistoryPath), "a@b\r\n");
}

TEST(ResultFiles, AddressBookWritesToEachMailboxsNicknameFile) {
    Store s;
    const std::vector<MinerEntry> two{{"a@b", "a@b", "e_mail"}, {"c@d", "c@d", "e_mail"}};
    Result<std::string> inbox = AddToAddressBook(s.context, "Inbox", two);
    ASSERT_TRUE(inbox.ok());
    EXPECT_EQ(*inbox, s.dir / "Inbox.txt");
    EXPECT_EQ(ReadFile(s.dir / "Inbox.txt"), NicknameLines("a@b", "Inbox") + NicknameLines("c@d", "Inbox"));
    ASSERT_TRUE(AddToAddressBook(s.context, "Work", {two[0]}).ok());
    EXPECT_EQ(ReadFile(s.dir / "Work.txt"), NicknameLines("a@b", "Work"));
    s.host.eudoraRunning = true;
    EXPECT_FALSE(AddToAddressBook(s.context, "Inbox", two).ok());
    EXPECT_EQ(ReadFile(s.dir / "Inbox.txt").size(), 2 * NicknameLines("a@b", "Inbox").size() + 0u);

    s.host.eudoraRunning = false;  // a Nickname folder not made yet is made by the first entry
    s.state.paths.NicknameFolder = s.dir / "Nickn\xC3\xA4me/";
    const Result<std::string> made = AddToAddressBook(s.context, "Inbox", {two[0]});
    ASSERT_TRUE(made.ok()) << made.error();
    EXPECT_EQ(ReadFile(s.dir / "Nickn\xC3\xA4me/Inbox.txt"), NicknameLines("a@b", "Inbox"));
}

// The mailbox name comes from a UTF-8 file name but goes into captions and
// files as Windows-1252 text, like the entries beside it; the nickname file
// itself is named in the file system's own spelling.
TEST(ResultFiles, AccentedMailboxNameIsWindows1252InCaptionsAndFiles) {
    Store s;
    const std::string utf8Name = "B\xC3\xBCro";  // "Büro" as the file system spells it
    WriteFile(s.dir / (utf8Name + ".mbx"), "a@b\r\nmailto:c@d\r\n");
    const std::optional<MinerResult> harvested = HarvestAddresses(s.context, s.dir / (utf8Name + ".mbx"));
    const std::optional<MinerResult> mined = MineLinks(s.context, s.dir / (utf8Name + ".mbx"), AllKinds());
    ASSERT_TRUE(harvested && mined);
    EXPECT_EQ(harvested->mailboxName, "B\xFCro");
    EXPECT_EQ(harvested->windowCaption, "B\xFCro: 2 E-Mail Addresses");
    EXPECT_EQ(mined->windowCaption, "URL Miner - B\xFCro");
    EXPECT_EQ(ExportString(harvested->mailboxName, {"a@b"}, ExportFormat::Csv), "B\xFCro,a@b");

    Result<std::string> book = AddToAddressBook(s.context, harvested->mailboxName, {harvested->entries[0]});
    ASSERT_TRUE(book.ok()) << book.error();
    EXPECT_EQ(*book, s.dir / (utf8Name + ".txt"));
    EXPECT_EQ(ReadFile(*book), "alias a@b a@b\r\nnote a@b Extracted from mailbox: B\xFCro\r\n");
    // Thirty characters, not thirty bytes: the cut never splits a character.
    book = AddToAddressBook(s.context, std::string(29, 'a') + "\xFC" "b", {harvested->entries[0]});
    ASSERT_TRUE(book.ok()) << book.error();
    EXPECT_EQ(*book, s.dir / (std::string(29, 'a') + "\xC3\xBC.txt"));
}

TEST(MinerPlacement, ClampsSavedValues) {
    using A = PlacementAction;
    struct Case { MinerPlacement saved; A action; MinerPlacement applied; };
    const Case cases[] = {
        {{100, 200, 6000, 7000, 0}, A::Normal, {100, 200, 6000, 7000, 0}},
        {{0, 0, 30000, 5000, 0}, A::Normal, {0, 0, 3200, 5000, 0}},
        {{0, 0, 3199, 5000, 0}, A::Normal, {0, 0, 3200, 5000, 0}},
        {{0, 0, 22000, 24000, 0}, A::Normal, {0, 0, 22000, 24000, 0}},
        {{0, 0, 5000, 24001, 0}, A::Normal, {0, 0, 5000, 4500, 0}},
        {{0, 0, 5000, 4499, 0}, A::Normal, {0, 0, 5000, 4500, 0}},
        {{-15, -1, 5000, 5000, 0}, A::Normal, {0, 0, 5000, 5000, 0}},
        {{22001, 22000, 5000, 5000, 0}, A::Normal, {0, 22000, 5000, 5000, 0}},
        {{-15, 30000, 1, 1, 2}, A::Maximise, {-15, 30000, 1, 1, 2}},
        {{-15, 30000, 1, 1, 1}, A::Minimise, {-15, 30000, 1, 1, 1}},
        {{0, 0, 5000, 5000, 3}, A::AsDesigned, {0, 0, 5000, 5000, 3}},
    };
    for (const Case& c : cases) {
        const PlacementDecision d = DecidePlacement(c.saved);
        EXPECT_EQ(d.action, c.action);
        EXPECT_EQ(d.rect.top, c.applied.top);
        EXPECT_EQ(d.rect.left, c.applied.left);
        EXPECT_EQ(d.rect.width, c.applied.width);
        EXPECT_EQ(d.rect.height, c.applied.height);
    }
}

TEST(MinerPlacement, ReadsDefaultsAndSavesTrimmedNumbers) {
    TempDir dir;
    const std::string ini = dir / "Ledgerly.ini";
    MinerPlacement p = ReadMinerPlacement(ini);
    EXPECT_EQ(p.width, 5000);
    EXPECT_EQ(p.height, 5000);
    EXPECT_EQ(p.state, 0);
    SaveMinerPlacement(ini, MinerPlacement{-15, 300, 6000, 7000, 0}, true);
    EXPECT_NE(ReadFile(ini).find("MinerTop=-15"), std::string::npos);
    EXPECT_NE(ReadFile(ini).find("MinerWidth=6000"), std::string::npos);
    SaveMinerPlacement(ini, MinerPlacement{1, 1, 1, 1, 2}, false);  // maximised: only the state
    p = ReadMinerPlacement(ini);
    EXPECT_EQ(p.top, -15);
    EXPECT_EQ(p.width, 6000);
    EXPECT_EQ(p.state, 2);
}

TEST(MinerPlacement, SavedNumbersBeyondAnyIntegerAreClampedLikeOtherBadValues) {
    TempDir dir;
    const std::string ini = dir / "Ledgerly.ini";
    WriteIni("Windows", "MinerTop", "-1e300", ini);
    WriteIni("Windows", "MinerLeft", "1e19", ini);
    WriteIni("Windows", "MinerWidth", "1e300", ini);
    WriteIni("Windows", "MinerHeight", "abc", ini);
    WriteIni("Windows", "MinerState", "0", ini);
    const PlacementDecision d = DecidePlacement(ReadMinerPlacement(ini));
    EXPECT_EQ(d.action, PlacementAction::Normal);
    EXPECT_EQ(d.rect.top, 0);
    EXPECT_EQ(d.rect.left, 0);
    EXPECT_EQ(d.rect.width, 3200);
    EXPECT_EQ(d.rect.height, 4500);
    WriteIni("Windows", "MinerState", "1e300", ini);
    EXPECT_EQ(DecidePlacement(ReadMinerPlacement(ini)).action, PlacementAction::AsDesigned);
}

TEST(LineReader, BreaksAcrossBlockBoundaries) {
    TempDir dir;
    // A CR at the end of one block with its LF at the start of the next is one break.
    const std::string content = std::string("abc\r") + "\ndef\n\rghi\r\r\n" + std::string(100, 'z');
    WriteFile(dir / "f", content);
    for (std::size_t block : {16u, 17u, 20u, 4096u}) {
        LineReader reader(dir / "f", block);
        std::vector<std::string> lines;
        std::string_view line;
        while (reader.Next(line)) lines.emplace_back(line);
        EXPECT_EQ(lines, (std::vector<std::string>{"abc", "def", "", "ghi", "", std::string(100, 'z')})) << block;
        EXPECT_FALSE(reader.failed());
    }
    LineReader missing(dir / "none");
    std::string_view line;
    EXPECT_FALSE(missing.opened());
    EXPECT_FALSE(missing.Next(line));
}

// Runs of whole lines give the file back, each run but the last ends at a
// break, and the lines counted over the runs, or over any pieces, are the
// lines Next hands over.
TEST(LineReader, RunsOfLinesAndTheirCountAgreeWithNext) {
    TempDir dir;
    const std::string contents[] = {std::string("abc\r") + "\ndef\n\rghi\r\r\n" + std::string(100, 'z'),
                                    "\r\n\n\r\r" + std::string(40, 'y') + "\r\n", "", "x", std::string(70, '\n')};
    for (const std::string& content : contents) {
        WriteFile(dir / "f", content);
        long long expected = 0;
        LineReader byLine(dir / "f", 16);
        for (std::string_view line; byLine.Next(line);) ++expected;
        for (std::size_t block : {16u, 17u, 20u, 4096u}) {
            LineReader reader(dir / "f", block);
            std::string joined;
            LineCounter counter, byPieces;
            for (std::string_view run; reader.NextLines(run);) {
                joined += run;
                if (joined.size() < content.size()) {
                    EXPECT_TRUE(run.back() == '\r' || run.back() == '\n') << block;
                }
                counter.Count(run);
                for (std::size_t at = 0; at < run.size(); at += 3) byPieces.Count(run.substr(at, 3));
            }
            counter.Finish();
            byPieces.Finish();
            EXPECT_EQ(joined, content) << block;
            EXPECT_EQ(counter.lines(), expected) << block;
            EXPECT_EQ(byPieces.lines(), expected) << block;
        }
    }
}

}  // namespace
}  // namespace ledgerly
