#include <gtest/gtest.h>

#include <filesystem>

#include "app/FileHelpers.h"
#include "attachments/AttachmentFolders.h"
#include "attachments/OrphanFinder.h"
#include "store/MailboxBuilder.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using namespace ledgerly;
using ledgerly::test::FakeHost;
using ledgerly::test::TempDir;
using ledgerly::test::WriteFile;

namespace {

// A store folder with one mailbox whose only message has `body`.
void WriteMailbox(const std::string& pairPath, const std::string& body) {
    MailboxBuilder b;
    b.Add(ComposeMessage({"From: a@b.c", "Subject: s"}, "\r\n" + body + "\r\n"), "a@b.c", "s");
    ASSERT_TRUE(b.Write(pairPath).ok());
}

std::vector<std::string> Names(const std::vector<std::string>& paths) {
    std::vector<std::string> out;
    for (const auto& p : paths) out.push_back(FileNameOfAnyPath(p));
    std::sort(out.begin(), out.end());
    return out;
}


FinderResult RunFinder(FinderMode mode, const std::vector<std::string>& searchFolders, const std::string& root,
                       const PathMapper* mapper, FakeHost& host, FinderControl& control) {
    FinderRequest r;
    r.mode = mode;
    r.searchFolders = searchFolders;
    r.mailboxes = ListMailboxes(root);
    r.mapper = mapper;
    return FindOrphans(r, host, control);
}

}  // namespace

struct ReferenceCase {
    const char* name;
    FinderMode mode;
    std::string (*body)(const std::string& attachDir);  // the message text naming (or not) the files
    std::vector<std::string> orphans;                    // of a.pdf, b.txt, pic.jpg
};

class ReferenceTest : public ::testing::TestWithParam<ReferenceCase> {};

TEST_P(ReferenceTest, ListsExactlyTheUnreferencedFiles) {
    const ReferenceCase& c = GetParam();
    TempDir dir;
    fs::create_directories(dir.path() / "attach");
    const std::string attach = dir / "attach/";
    for (const char* f : {"a.pdf", "b.txt", "pic.jpg"}) WriteFile(attach + f, "x");
    WriteMailbox(dir / "In.", c.body(attach));
    AppState state;
    FakeHost host(state);
    FinderControl control;
    const PathMapper mapper(dir.str());
    const FinderResult r = RunFinder(c.mode, {attach}, dir.str(), &mapper, host, control);
    EXPECT_EQ(Names(r.orphans), c.orphans) << c.name;
}

static std::string Upper(std::string s) {
    for (char& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Finder, ReferenceTest,
    ::testing::Values(
        ReferenceCase{"full path in any case anywhere", FinderMode::Attachments,
                      [](const std::string& a) { return "Attachment Converted: \"" + a + "a.pdf\"\r\nsee " + Upper(a + "b.txt") + " too"; },
                      {"pic.jpg"}},
        ReferenceCase{"bare file name is no reference", FinderMode::Attachments,
                      [](const std::string&) { return std::string("Attachment: a.pdf b.txt pic.jpg"); },
                      {"a.pdf", "b.txt", "pic.jpg"}},
        ReferenceCase{"no quick-test word: nothing referenced", FinderMode::Attachments,
                      [](const std::string& a) { return "files: " + a + "a.pdf " + a + "b.txt"; },
                      {"a.pdf", "b.txt", "pic.jpg"}},
        ReferenceCase{"embedded name after the prefix", FinderMode::Embedded,
                      [](const std::string&) { return std::string("Embedded Content: pic.jpg: 00000001,277bfd3a,00000000,00000000\r\nb.txt"); },
                      {"a.pdf", "b.txt"}},
        ReferenceCase{"embedded prefix in other case", FinderMode::Embedded,
                      [](const std::string&) { return std::string("EMBEDDED CONTENT: PIC.JPG: 1"); },
                      {"a.pdf", "b.txt"}},
        ReferenceCase{"embedded mode ignores full paths", FinderMode::Embedded,
                      [](const std::string& a) { return "Embedded Content: x\r\nAttachment Converted: \"" + a + "a.pdf\""; },
                      {"a.pdf", "b.txt", "pic.jpg"}},
        ReferenceCase{"unmappable Windows path protects the same name", FinderMode::Attachments,
                      [](const std::string&) { return std::string("Attachment Converted: \"C:\\Nowhere\\Else\\b.txt\"\r\nX-Attachments: Q:\\x\\pic.jpg;"); },
                      {"a.pdf"}},
        ReferenceCase{"a reference to a moved file protects the same name", FinderMode::Attachments,
                      [](const std::string& a) { return "Attachment Converted: \"" + a + "../OldAttach/a.pdf\""; },
                      {"b.txt", "pic.jpg"}},
        ReferenceCase{"a longer name ending alike protects nothing", FinderMode::Attachments,
                      [](const std::string&) { return std::string("Attachment Converted: \"C:\\Nowhere\\b.txt.old\"\r\nAttachment Converted: \"C:\\x\\xa.pdf\""); },
                      {"a.pdf", "b.txt", "pic.jpg"}}),
    [](const auto& param) {
        std::string n = param.param.name;
        for (char& ch : n) if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return n;
    });

// Eudora under Wine names files by their Windows path.
TEST(FinderPaths, WinePrefixFormProtectsTheFile) {
    TempDir dir;
    const fs::path prefix = dir.path() / "wine";
    const fs::path driveC = dir.path() / "drive_c";
    fs::create_directories(prefix / "dosdevices");
    fs::create_directories(driveC / "Users/me/Eudora/attach");
    fs::create_directory_symlink(driveC, prefix / "dosdevices/c:");
    const std::string data = (driveC / "Users/me/Eudora").string() + "/";
    WriteFile(data + "attach/x.pdf", "x");
    WriteFile(data + "attach/gone.pdf", "x");
    WriteMailbox(data + "In.", "Attachment Converted: \"C:\\Users\\me\\Eudora\\attach\\x.pdf\"");
    const PathMapper mapper(data, prefix.string());
    AppState state;
    FakeHost host(state);
    FinderControl control;
    const FinderResult r = RunFinder(FinderMode::Attachments, {data + "attach/"}, data, &mapper, host, control);
    EXPECT_EQ(Names(r.orphans), std::vector<std::string>{"gone.pdf"});
}

// A data folder copied from Windows: mail names the old place, the folder has the same name.
TEST(FinderPaths, CopiedDataFolderNamesItsFiles) {
    TempDir dir;
    const std::string data = dir / "Eudora/";
    fs::create_directories(data + "attach");
    WriteFile(data + "attach/x.pdf", "x");
    WriteFile(data + "attach/y.pdf", "x");
    fs::create_directories(data + "Elsewhere");
    WriteFile(data + "Elsewhere/y.pdf", "another y");
    WriteMailbox(data + "In.", "Attachment Converted: \"D:\\Old\\Eudora\\attach\\x.pdf\"\r\n"
                               "Attachment Converted: \"D:\\Old\\Eudora\\Elsewhere\\y.pdf\"");
    const PathMapper mapper(data);
    AppState state;
    FakeHost host(state);
    FinderControl control;
    const FinderResult r = RunFinder(FinderMode::Attachments, {data + "attach/"}, data, &mapper, host, control);
#ifdef _WIN32
    // Windows takes the paths in mail as they stand: they name files that are
    // gone, which may be these very ones, so neither is reported.
    EXPECT_TRUE(r.orphans.empty());
#else
    // y.pdf's reference maps to another existing file: attach/y.pdf itself is orphaned.
    EXPECT_EQ(Names(r.orphans), std::vector<std::string>{"y.pdf"});
#endif
}

TEST(FinderScan, NestedSearchFoldersListInnerFilesTwice) {
    TempDir dir;
    fs::create_directories(dir.path() / "attach/inner");
    WriteFile(dir / "attach/top.txt", "x");
    WriteFile(dir / "attach/inner/deep.txt", "x");
    std::vector<std::string> candidates;
    ListFilesBelow(dir / "attach/", candidates);
    ListFilesBelow(dir / "attach/inner/", candidates);
    EXPECT_EQ(candidates, (std::vector<std::string>{dir / "attach/top.txt", dir / "attach/inner/deep.txt", dir / "attach/inner/deep.txt"}));
}

TEST(FinderScan, CountsAndStatusTexts) {
    TempDir dir;
    fs::create_directories(dir.path() / "attach");
    fs::create_directories(dir.path() / "Work.fol");
    WriteFile(dir / "attach/a.pdf", "x");
    WriteMailbox(dir / "In.", "Attachment Converted: \"" + dir / "attach/a.pdf\"");
    WriteMailbox(dir / "Work.fol/Old.", "nothing");
    WriteFile(dir / "In.mbx.1", "a backup is no mailbox");
    AppState state;
    FakeHost host(state);
    FinderControl control;
    FinderResult r = RunFinder(FinderMode::Attachments, {dir / "attach/"}, dir.str(), nullptr, host, control);
    EXPECT_EQ(r.mailboxCount, 2u);
    EXPECT_TRUE(r.orphans.empty());
    EXPECT_EQ(r.status, "Search Completed. No orphaned attachments found in 2 mailboxes.");
    EXPECT_EQ(host.statuses.front(), "Search in progress... In");

    WriteFile(dir / "attach/b.pdf", "x");
    r = RunFinder(FinderMode::Embedded, {dir / "attach/"}, dir.str(), nullptr, host, control);
    EXPECT_EQ(r.status, "Search Completed. 2 orphaned embedded files found.");

    // Empty search folders end at once.
    fs::create_directories(dir.path() / "empty");
    r = RunFinder(FinderMode::Attachments, {dir / "empty/"}, dir.str(), nullptr, host, control);
    EXPECT_TRUE(r.nothingToSearch);
    EXPECT_TRUE(r.orphans.empty());
}

TEST(FinderScan, CaptionsFollowTheMailboxCount) {
    const std::vector<std::tuple<std::size_t, std::string, std::string>> cases{
        {0, "&Scan", "Re&scan (0 mailboxes)"},
        {1, "&Scan one mailbox", "Re&scan (1 mailboxes)"},
        {12, "&Scan 12 mailboxes", "Re&scan (12 mailboxes)"}};
    for (const auto& [n, scan, rescan] : cases) {
        EXPECT_EQ(ScanCaption(n), scan);
        EXPECT_EQ(RescanCaption(n), rescan);
    }
    EXPECT_EQ(FinderCaption("Eudora", 3), "Unreferenced Attachments >> Mailfolder: Eudora (3 mailboxes)");
}

TEST(FinderScan, StopBeforeTheNextMailboxListsNothing) {
    TempDir dir;
    fs::create_directories(dir.path() / "attach");
    WriteFile(dir / "attach/a.pdf", "x");
    for (int i = 0; i < 12; ++i) WriteMailbox(dir / ("Box" + std::to_string(10 + i) + "."), "Attachment");
    AppState state;
    FakeHost host(state);
    FinderControl control;
    host.onWait = [&control](AppState&) { control.stopRequested = true; };
    const FinderResult r = RunFinder(FinderMode::Attachments, {dir / "attach/"}, dir.str(), nullptr, host, control);
    EXPECT_TRUE(r.stopped);
    EXPECT_TRUE(r.orphans.empty());
    EXPECT_EQ(r.status, "Search canceled.");
    // The pause comes at the tenth mailbox; that one is still read, the eleventh is not.
    EXPECT_EQ(host.statuses.size(), 10u);
}

TEST(FinderScan, UnreadableMailboxIsSaidInTheStatus) {
    TempDir dir;
    fs::create_directories(dir.path() / "attach");
    WriteFile(dir / "attach/a.pdf", "x");
    WriteMailbox(dir / "In.", "Attachment");
    FinderRequest r;
    r.searchFolders = {dir / "attach/"};
    r.mailboxes = {{dir / "Missing.mbx", "Missing"}, {dir / "In.mbx", "In"}};
    AppState state;
    FakeHost host(state);
    FinderControl control;
    const FinderResult res = FindOrphans(r, host, control);
    EXPECT_EQ(res.orphans.size(), 1u);
    EXPECT_NE(res.status.find("1 mailbox could not be read"), std::string::npos) << res.status;
}

TEST(FinderSettings, InitialSearchFolder) {
    TempDir dir;
    AppState state;
    state.paths.DataFolder = dir.str();
    state.paths.IniPath = dir / "Ledgerly.ini";
    const PathMapper mapper(dir.str());
    EXPECT_TRUE(InitialSearchFolders(state, mapper).empty());
    fs::create_directories(dir.path() / "attach");
    EXPECT_EQ(InitialSearchFolders(state, mapper), std::vector<std::string>{dir / "attach/"});
    fs::create_directories(dir.path() / "Mine");
    WriteFile(state.paths.IniPath, "[Settings]\r\nAttachmentsDir=" + dir / "Mine" + "\r\n");
    EXPECT_EQ(InitialSearchFolders(state, mapper), std::vector<std::string>{dir / "Mine/"});
    // With Eudora's settings file only its folder counts, mapped from Windows
    // (on Windows itself the path is taken as it stands).
    fs::create_directories(dir.path() / "Att");
    state.paths.EudoraIniPath = dir / "Eudora.ini";
#ifdef _WIN32
    const std::string eudoraFolder = dir / "Att";
#else
    const std::string eudoraFolder = "C:\\Old\\" + fs::path(dir.path()).filename().string() + "\\Att";
#endif
    WriteFile(state.paths.EudoraIniPath, "[Settings]\r\nAutoReceiveAttachmentsDirectory=" + eudoraFolder + "\r\n");
    EXPECT_EQ(InitialSearchFolders(state, mapper), std::vector<std::string>{dir / "Att/"});
    WriteFile(state.paths.EudoraIniPath, "[Settings]\r\n");
    EXPECT_TRUE(InitialSearchFolders(state, mapper).empty());
}

TEST(FinderPaths, AccentedFileNamedInWindows1252IsReferenced) {
    TempDir dir;
    fs::create_directories(dir.path() / "attach");
    WriteFile(dir / "attach/r\xc3\xa9sum\xc3\xa9.pdf", "x");
    WriteFile(dir / "attach/na\xc3\xafve.txt", "x");
    WriteMailbox(dir / "In.", "Attachment Converted: \"" + dir / "attach/R\xc9SUM\xc9.pdf\"");
    AppState state;
    FakeHost host(state);
    FinderControl control;
    const FinderResult r = RunFinder(FinderMode::Attachments, {dir / "attach/"}, dir.str(), nullptr, host, control);
    EXPECT_EQ(Names(r.orphans), std::vector<std::string>{"na\xc3\xafve.txt"});
}

// A relative search folder: references still match and the results are absolute paths.
TEST(FinderScan, RelativeSearchFolderGivesAbsoluteResults) {
    TempDir dir;
    fs::create_directories(dir.path() / "attach");
    WriteFile(dir / "attach/a.pdf", "x");
    WriteFile(dir / "attach/b.pdf", "x");
    WriteMailbox(dir / "In.", "Attachment Converted: \"" + dir / "attach/a.pdf\"");
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    AppState state;
    FakeHost host(state);
    FinderControl control;
    const FinderResult r = RunFinder(FinderMode::Attachments, {"attach"}, dir.str(), nullptr, host, control);
    fs::current_path(before);
    EXPECT_EQ(r.orphans, std::vector<std::string>{dir / "attach/b.pdf"});
}
