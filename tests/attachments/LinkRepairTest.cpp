#include <gtest/gtest.h>

#include <filesystem>

#include "app/FileHelpers.h"
#include "app/Messages.h"
#include "app/TextHelpers.h"
#include "attachments/AttachmentFolders.h"
#include "attachments/LinkRepair.h"
#include "attachments/References.h"
#include "store/MailboxBuilder.h"
#include "store/PairCheck.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using namespace ledgerly;
using ledgerly::test::FakeHost;
using ledgerly::test::ReadFile;
using ledgerly::test::TempDir;
using ledgerly::test::WriteFile;

struct LineCase {
    const char* name;
    std::string text;  // $ stands for the test folder
    std::vector<std::string> originals;
};

class BrokenLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(BrokenLineTest, RowsForMissingFilesOnly) {
    TempDir dir;
    WriteFile(dir / "here.pdf", "x");
    std::string text = GetParam().text;
    for (std::size_t at; (at = text.find('$')) != std::string::npos;) text.replace(at, 1, dir.str());
    std::vector<BrokenLink> rows;
    const PathMapper mapper(dir.str());
    ObradaZakacenog(text, "Ann", mapper, rows);
    std::vector<std::string> got;
    for (const auto& r : rows) {
        got.push_back(r.originalLocation);
        EXPECT_EQ(r.sender, "Ann");
        EXPECT_EQ(r.state, LinkState::Inicijalno);
        EXPECT_EQ(r.fileName, FileNameOfAnyPath(r.originalLocation));
    }
    std::vector<std::string> want;
    for (std::string w : GetParam().originals) {
        for (std::size_t at; (at = w.find('$')) != std::string::npos;) w.replace(at, 1, dir.str());
        want.push_back(w);
    }
    EXPECT_EQ(got, want);
}

INSTANTIATE_TEST_SUITE_P(
    LinkRepair, BrokenLineTest,
    ::testing::Values(
        LineCase{"QuotedPathLosesQuotes", "x\r\nAttachment Converted: \"C:\\Mail\\attach\\gone.doc\"\r\ny", {"C:\\Mail\\attach\\gone.doc"}},
        LineCase{"PrefixInOtherCaseIsNoReference", "attachment converted: \"C:\\Mail\\attach\\gone.doc\"", {}},
        LineCase{"PrefixNotAtLineStart", " Attachment Converted: \"C:\\a\\gone.doc\"", {}},
        LineCase{"ExistingFileIsNeverListed", "Attachment Converted: \"$here.pdf\"\r\nAttachment Converted: $gone.pdf", {"$gone.pdf"}},
        LineCase{"XAttachmentsPiecesMissingOnly", "X-Attachments: $a.doc; $here.pdf ;  $b.pdf;", {"$a.doc", "$b.pdf"}},
        LineCase{"EmptyFileNameIsSkipped", "Attachment Converted: \"C:\\dir\\\"\r\nAttachment Converted: ", {}},
        LineCase{"SamePathTwiceGivesTwoRows", "Attachment Converted: C:\\x\\g.txt\r\nAttachment Converted: C:\\x\\g.txt", {"C:\\x\\g.txt", "C:\\x\\g.txt"}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(LinkRepair, WindowsPathIsLookedUpWhereItMaps) {
    TempDir dir;
    const std::string data = dir / "Eudora/";
    fs::create_directories(data + "attach");
    WriteFile(data + "attach/x.pdf", "x");
    const PathMapper mapper(data);
    EXPECT_TRUE(ReferencedFileExists("D:\\Old\\Eudora\\attach\\x.pdf", mapper));
    EXPECT_TRUE(ReferencedFileExists("D:\\Old\\EUDORA\\ATTACH\\X.PDF", mapper));
    EXPECT_FALSE(ReferencedFileExists("D:\\Old\\Eudora\\attach\\y.pdf", mapper));
}

TEST(PathMapper, AWindowsPathMapsToTheLongestTailThatExistsBelowTheDataFolder) {
    // A data folder copied from Windows under a name of its own.
    TempDir dir;
    const std::string data = dir / "Old Mail/";
    for (const char* f : {"attach", "Embedded", "attach/2010", "Work.fol/attach"}) fs::create_directories(data + f);
    for (const char* f : {"attach/report.pdf", "Embedded/logo.png", "attach/2010/q3.xls", "Work.fol/attach/report.pdf", "top.txt"})
        WriteFile(data + f, f);
    const std::string roaming = "c:\\users\\ann\\appdata\\roaming\\qualcomm\\eudora\\";
    struct Case { std::string windows; std::optional<std::string> local; };
    const Case cases[] = {
        {roaming + "attach\\report.pdf", data + "attach/report.pdf"},
        {roaming + "ATTACH\\REPORT.PDF", data + "attach/report.pdf"},           // matched as Windows matches names
        {roaming + "Embedded\\logo.png", data + "Embedded/logo.png"},
        {roaming + "attach\\2010\\q3.xls", data + "attach/2010/q3.xls"},
        {roaming + "Work.fol\\attach\\report.pdf", data + "Work.fol/attach/report.pdf"},  // the longest tail wins
        {"C:\\Program Files\\Other\\attach\\report.pdf", data + "attach/report.pdf"},
        {"\\\\server\\share\\attach\\report.pdf", data + "attach/report.pdf"},
        {roaming + "ATTACH~1\\report.pdf", data + "attach/report.pdf"},          // a short 8.3 name
        {roaming + "top.txt", data + "top.txt"},
        {roaming + "attach", data + "attach"},
        {roaming + "attach\\gone.pdf", std::nullopt},                            // nothing of it exists
        {"D:\\Old Mail\\attach\\gone.pdf", data + "attach/gone.pdf"},         // but the data folder's name still places it
    };
    const PathMapper mapper(data, std::string());
    for (const Case& c : cases) EXPECT_EQ(mapper.ToLocal(c.windows), c.local) << c.windows;
}

TEST(PathMapper, WinesDriveLinksComeFirstWhenTheFileIsThere) {
    TempDir dir;
    const fs::path prefix = dir.path() / "wine";
    fs::create_directories(prefix / "dosdevices");
    fs::create_directory_symlink(dir.path() / "drive_c", prefix / "dosdevices/c:");
    const std::string data = (dir.path() / "drive_c/Eudora/").string();
    fs::create_directories(data + "attach");
    fs::create_directories(dir.path() / "drive_c/Elsewhere/attach");
    WriteFile(data + "attach/a.pdf", "copy");
    WriteFile((dir.path() / "drive_c/Elsewhere/attach/a.pdf").string(), "original");
    const PathMapper mapper(data, prefix.string());
    const auto drive = fs::canonical(dir.path() / "drive_c").string();
    EXPECT_EQ(mapper.ToLocal("C:\\Elsewhere\\attach\\a.pdf"), drive + "/Elsewhere/attach/a.pdf");
    EXPECT_EQ(mapper.ToLocal("C:\\Gone\\attach\\a.pdf"), data + "attach/a.pdf");   // not there: the tail below the data folder
    EXPECT_EQ(mapper.ToLocal("C:\\Gone\\attach\\b.pdf"), drive + "/Gone/attach/b.pdf");  // nowhere: where the link leads
}

TEST(LinkRepair, SetRemoveResetStates) {
    TempDir dir;
    WriteFile(dir / "a.pdf", "x");
    BrokenLink a{"a.pdf", "", "C:\\old\\a.pdf", "", LinkState::Inicijalno};
    BrokenLink b{"b.pdf", "", "C:\\old\\b.pdf", "", LinkState::Inicijalno};
    SetNewLocation(a, dir.str());
    SetNewLocation(b, dir.str().substr(0, dir.str().size() - 1));
    EXPECT_EQ(a.state, LinkState::Postoji);
    EXPECT_EQ(b.state, LinkState::NePostoji);
    EXPECT_EQ(b.newLocation, dir / "b.pdf");
    EXPECT_TRUE(HasDecisions({b}));
    MarkForRemoval(a);
    EXPECT_EQ(a.state, LinkState::ZaBrisanje);
    EXPECT_TRUE(a.newLocation.empty());
    ResetLink(a);
    EXPECT_FALSE(HasDecisions({a}));
    EXPECT_STREQ(LinkStateKey(LinkState::NePostoji), "ne_postoji");
}

TEST(LinkRepair, ApplyInOrderAnyCaseFirstRowWins) {
    const PathMapper mapper("/nowhere/");
    std::string text = "Attachment Converted: \"C:\\Old\\A.PDF\"\r\nsee c:\\old\\a.pdf\r\nAttachment Converted: \"C:\\x\\del.doc\"\r\n";
    const std::vector<BrokenLink> rows{
        {"a.pdf", "", "C:\\Old\\a.pdf", "/new/a.pdf", LinkState::NePostoji},
        {"a.pdf", "", "C:\\Old\\a.pdf", "/second/a.pdf", LinkState::Postoji},
        {"del.doc", "", "C:\\x\\del.doc", "", LinkState::ZaBrisanje},
        {"z.doc", "", "C:\\x\\z.doc", "", LinkState::Inicijalno}};
    EXPECT_EQ(ApplyLinks(text, rows, mapper), 2);
    EXPECT_EQ(text, "Attachment Converted: \"/new/a.pdf\"\r\nsee /new/a.pdf\r\nAttachment Converted: \"\"\r\n");
}

TEST(LinkRepair, NewLocationIsWrittenInTheWindowsFormUnderWine) {
    TempDir dir;
    const fs::path prefix = dir.path() / "wine";
    fs::create_directories(prefix / "dosdevices");
    fs::create_directories(dir.path() / "drive_c/Users/me/Eudora/attach");
    fs::create_directory_symlink(dir.path() / "drive_c", prefix / "dosdevices/c:");
    const PathMapper mapper((dir.path() / "drive_c/Users/me/Eudora/").string(), prefix.string());
    BrokenLink row{"x.pdf", "", "C:\\Users\\me\\Old\\x.pdf", "", LinkState::Inicijalno};
    SetNewLocation(row, (dir.path() / "drive_c/Users/me/Eudora/attach").string());
    std::string text = "Attachment Converted: \"C:\\Users\\me\\Old\\x.pdf\"";
    ApplyLinks(text, {row}, mapper);
    EXPECT_EQ(text, "Attachment Converted: \"C:\\Users\\me\\Eudora\\attach\\x.pdf\"");
    // And the same file is then known to exist through the mapping.
    WriteFile((dir.path() / "drive_c/Users/me/Eudora/attach/x.pdf").string(), "x");
    EXPECT_TRUE(ReferencedFileExists("C:\\Users\\me\\Eudora\\attach\\x.pdf", mapper));
}

namespace {

struct Store {
    TempDir dir;
    AppState state;
    FakeHost host{state};
    std::vector<std::string> texts;
    std::string mbx() const { return dir / "In.mbx"; }
    void Build(bool uncovered = false) {
        texts = {ComposeMessage({"From: a@x"}, "\r\nAttachment Converted: \"C:\\Old\\one.pdf\"\r\n"),
                 ComposeMessage({"From: b@x"}, "\r\nno attachments here\r\n"),
                 ComposeMessage({"From: c@x", "X-Attachments: C:\\Old\\one.pdf; C:\\Old\\two.doc;"}, "\r\nbody\r\n")};
        MailboxBuilder b;
        b.Add(texts[0], "Ann");
        b.Add(texts[1], "Bob");
        if (uncovered) b.AddUncovered("stray bytes\r\n");
        b.Add(texts[2], "Cid");
        ASSERT_TRUE(b.Write(dir / "In.").ok());
    }
};

}  // namespace

TEST(LinkRepairRewrite, FindsRowsInMessageOrderWithSenders) {
    Store s;
    s.Build();
    const PathMapper mapper(s.dir.str());
    auto rows = FindBrokenLinks(s.mbx(), mapper, s.host);
    ASSERT_TRUE(rows.ok()) << rows.error();
    ASSERT_EQ(rows->size(), 3u);
    EXPECT_EQ((*rows)[0].sender, "Ann");
    EXPECT_EQ((*rows)[1].sender, "Cid");
    EXPECT_EQ((*rows)[2].originalLocation, "C:\\Old\\two.doc");
    EXPECT_EQ(s.host.statuses.back(), "3");
}

TEST(LinkRepairRewrite, RewritesMessageByMessageWithBackups) {
    Store s;
    s.Build();
    const std::string oldMbx = ReadFile(s.mbx()), oldToc = ReadFile(s.dir / "In.toc");
    const PathMapper mapper(s.dir.str());
    std::vector<BrokenLink> rows = *FindBrokenLinks(s.mbx(), mapper, s.host);
    SetNewLocation(rows[0], s.dir / "attach-new");  // missing folder: still written
    MarkForRemoval(rows[2]);
    ToolContext ctx{s.state, s.host};
    auto report = RewriteAttachmentLinks(ctx, s.mbx(), rows, mapper);
    ASSERT_TRUE(report.ok()) << report.error();
    EXPECT_EQ(report->Closing(), msg::kDone);
    EXPECT_EQ(report->changes, 3);  // message 1: one row; message 3: two rows
    EXPECT_EQ(ReadFile(report->tocBackup), oldToc);
    EXPECT_EQ(ReadFile(report->mbxBackup), oldMbx);
    EXPECT_EQ(s.state.MbxBackupPath, s.dir / "In.mbx.1");

    const std::string newPath = s.dir / "attach-new/one.pdf";
    const std::vector<std::string> want{
        ReplaceAllNoCase(s.texts[0], "C:\\Old\\one.pdf", newPath), s.texts[1],
        ReplaceAllNoCase(ReplaceAllNoCase(s.texts[2], "C:\\Old\\one.pdf", newPath), "C:\\Old\\two.doc", "")};
    const auto toc = TocImage::Load(s.dir / "In.toc");
    ASSERT_TRUE(toc.ok());
    const std::string mbx = ReadFile(s.mbx());
    std::int64_t expectOffset = 0;
    for (std::int32_t k = 1; k <= 3; ++k) {
        const MessageSummary m = toc->ReadSummary(k);
        EXPECT_EQ(m.Offset, expectOffset) << k;
        EXPECT_EQ(mbx.substr(static_cast<std::size_t>(m.Offset), static_cast<std::size_t>(m.Length)), want[static_cast<std::size_t>(k - 1)]) << k;
        expectOffset += m.Length;
    }
    EXPECT_EQ(static_cast<std::int64_t>(mbx.size()), expectOffset);
    // The size Eudora recorded in the header (bytes 96-99, size + 1) was left stale.
    EXPECT_EQ(toc->ReadHeader().RecordedMailboxSize(), mbx.size() + 1);
    EXPECT_EQ(TrimAtNull(FieldText(toc->ReadSummary(2).Who)), "Bob");
    EXPECT_NE(want[2].find("X-Attachments: " + newPath + "; ;"), std::string::npos);
    EXPECT_TRUE(CheckPair(MailboxPair::FromMailboxPath(s.mbx())).Consistent());
}

TEST(LinkRepairRewrite, UncoveredBytesAreReportedAndKeptInTheBackup) {
    Store s;
    s.Build(true);
    const PathMapper mapper(s.dir.str());
    std::vector<BrokenLink> rows = *FindBrokenLinks(s.mbx(), mapper, s.host);
    MarkForRemoval(rows[0]);
    ToolContext ctx{s.state, s.host};
    auto report = RewriteAttachmentLinks(ctx, s.mbx(), rows, mapper);
    ASSERT_TRUE(report.ok()) << report.error();
    EXPECT_EQ(report->uncoveredBytes, 13);
    EXPECT_NE(report->Closing().find("13 bytes"), std::string::npos);
    EXPECT_NE(report->Closing().find(report->mbxBackup), std::string::npos);
    EXPECT_NE(ReadFile(report->mbxBackup).find("stray bytes"), std::string::npos);
    EXPECT_EQ(ReadFile(s.mbx()).find("stray bytes"), std::string::npos);
}

TEST(LinkRepairRewrite, RefusedPairsChangeNothing) {
    struct Case {
        const char* name;
        void (*spoil)(Store&);
        std::string expect;
    };
    const std::vector<Case> cases{
        {"EudoraRunning", [](Store& st) { st.host.eudoraRunning = true; }, msg::kCloseEudora},
        {"RangeOutsideMailbox", [](Store& st) { WriteFile(st.mbx(), ReadFile(st.mbx()).substr(0, 40)); }, "Nothing was changed."},
    };
    for (const Case& c : cases) {
        Store s;
        s.Build();
        const PathMapper mapper(s.dir.str());
        std::vector<BrokenLink> rows = *FindBrokenLinks(s.mbx(), mapper, s.host);
        MarkForRemoval(rows[0]);
        c.spoil(s);
        const std::string before = ReadFile(s.mbx());
        ToolContext ctx{s.state, s.host};
        auto report = RewriteAttachmentLinks(ctx, s.mbx(), rows, mapper);
        ASSERT_FALSE(report.ok()) << c.name;
        EXPECT_NE(report.error().find(c.expect), std::string::npos) << c.name << ": " << report.error();
        EXPECT_EQ(ReadFile(s.mbx()), before) << c.name;
        EXPECT_FALSE(fs::exists(s.dir / "In.mbx.1")) << c.name;
    }
}

TEST(LinkRepairSettings, InitialFolderAndSavingOnClose) {
    TempDir dir;
    AppState state;
    state.paths.DataFolder = dir.str();
    state.paths.IniPath = dir / "Ledgerly.ini";
    const PathMapper mapper(dir.str());
    AttachmentFolderChoice c = InitialAttachmentFolder(state, mapper);
    EXPECT_EQ(c.remembered, dir / "attach/");
    EXPECT_TRUE(c.shown.empty());
    fs::create_directories(dir.path() / "attach");
    EXPECT_EQ(InitialAttachmentFolder(state, mapper).shown, dir / "attach/");

    EXPECT_TRUE(SaveAttachmentFolder(state, dir / "missing", dir / "also-missing").empty());
    EXPECT_FALSE(fs::exists(state.paths.IniPath));
    EXPECT_EQ(SaveAttachmentFolder(state, dir / "missing", dir / "attach/"), dir / "attach/");
    fs::create_directories(dir.path() / "Mine");
    SaveAttachmentFolder(state, dir / "Mine", dir / "attach/");
    c = InitialAttachmentFolder(state, mapper);
    EXPECT_EQ(c.shown, dir / "Mine");
}

// Mail holds Windows-1252, local file names are UTF-8.
TEST(AttachmentEncoding, AccentedNamesMeetTheirFiles) {
    TempDir dir;
    fs::create_directories(dir.path() / "attach");
    fs::create_directories(dir.path() / "new");
    WriteFile(dir / "attach/r\xc3\xa9sum\xc3\xa9.pdf", "x");
    WriteFile(dir / "new/caf\xc3\xa9.doc", "x");
    const PathMapper mapper(dir.str());
    EXPECT_TRUE(ReferencedFileExists(dir / "attach/r\xe9sum\xe9.pdf", mapper));

    BrokenLink row{"caf\xe9.doc", "", "C:\\Old\\caf\xe9.doc", "", LinkState::Inicijalno};
    SetNewLocation(row, dir / "new");
    EXPECT_EQ(row.state, LinkState::Postoji);
    std::string text = "Attachment Converted: \"C:\\Old\\CAF\xc9.doc\"";
    ApplyLinks(text, {row}, mapper);
    EXPECT_EQ(text, "Attachment Converted: \"" + dir / "new/caf\xe9.doc\"");
}
