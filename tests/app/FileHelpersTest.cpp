#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include <cerrno>
#include <cstdio>
#include <memory>

#include "app/FileHelpers.h"
#include "app/SafeFiles.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(FileHelpers, WriteWholeFileLeavesExactlyTheNewText) {
    TempDir dir;
    const std::string path = dir / "data.bin";
    WriteFile(path, std::string(100, 'x'));
    ASSERT_TRUE(WriteWholeFile(path, "abc"));
    EXPECT_EQ(ReadFile(path), "abc");
    EXPECT_EQ(FileSize(path), 3);
    // Creates a missing file, keeps NUL and high bytes.
    const std::string bytes("\0\x80\xFFz", 4);
    ASSERT_TRUE(WriteWholeFile(dir / "new.bin", bytes));
    EXPECT_EQ(ReadFile(dir / "new.bin"), bytes);
    EXPECT_EQ(ReadWholeFile(dir / "new.bin").value(), bytes);
}

#ifndef _WIN32  // a file-size limit (rlimit) is how the write is made to fail
TEST(FileHelpers, FailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    TempDir dir;
    const std::string path = dir / "keep.txt";
    WriteFile(path, "old content");
    // A file-size limit makes the write fail even for root.
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const Status s = WriteWholeFileChecked(path, std::string(1000, 'n'));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    // The file the user named, the system's reason, a full stop.
    EXPECT_EQ(s.error(), "Cannot write '" + path + "': File too large.");
    EXPECT_EQ(ReadFile(path), "old content");
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) { (void)e; ++entries; }
    EXPECT_EQ(entries, 1) << "a temporary file was left behind";
    EXPECT_FALSE(WriteWholeFile(dir / "no-such-folder/x.txt", "x"));
    EXPECT_FALSE(ReadWholeFile(dir / "missing.txt").has_value());
}
#endif

TEST(FileHelpers, ReadInPiecesGivesEveryByteInOrderAndStopsAtAFailure) {
    TempDir dir;
    std::string bytes(3u << 20, 'a');
    for (std::size_t i = 0; i < bytes.size(); i += 4099) bytes[i] = static_cast<char>(i % 251);
    WriteFile(dir / "big", bytes);
    std::string got;
    int pieces = 0;
    ASSERT_TRUE(ReadInPieces(dir / "big", [&](std::string_view piece) { got += piece; ++pieces; return Status(); }).ok());
    EXPECT_EQ(got, bytes);
    EXPECT_EQ(pieces, 3);

    pieces = 0;
    const Status stopped = ReadInPieces(dir / "big", [&](std::string_view) { ++pieces; return Status::Fail("full"); });
    EXPECT_EQ(stopped.error(), "full");
    EXPECT_EQ(pieces, 1);

    const Status missing = ReadInPieces(dir / "none", [](std::string_view) { return Status(); });
    EXPECT_EQ(missing.error(), "Cannot read '" + (dir / "none") + "': No such file or directory.");
}

// A FIFO named like a mailbox hung every command; a link to /dev/zero made
// them read without end; a link in an export folder was written through.
#ifndef _WIN32  // FIFOs and links to devices
TEST(SafeFiles, OnlyRegularFilesAreReadOrAppendedToAndLinksAreNotFollowed) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir / "zero");
    WriteFile(dir / "outside", "keep");
    std::filesystem::create_symlink(dir / "outside", dir / "link");
    struct Row { std::string name, kind; };
    for (const Row& row : {Row{"pipe", "a named pipe"}, Row{"zero", "a character device"}, Row{"", "a folder"}}) {
        const auto read = ReadFileChecked(dir / row.name);
        ASSERT_FALSE(read.ok()) << row.name;
        EXPECT_NE(read.error().find("it is " + row.kind + ", not a regular file."), std::string::npos) << read.error();
    }
    const auto link = FileHandle::OpenForAppending(dir / "link");
    ASSERT_FALSE(link.ok());
    EXPECT_EQ(link.error(), "Cannot write '" + (dir / "link") + "': it is a symbolic link.");
    EXPECT_FALSE(FileHandle::OpenForAppending(dir / "pipe").ok());
    EXPECT_EQ(ReadFile(dir / "outside"), "keep");
}
#endif

TEST(SafeFiles, AChecksumDoesNotDependOnHowTheBytesArriveAndSeesEveryByte) {
    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes += static_cast<char>(i * 7 % 256);
    ContentHash whole;
    whole.Add(bytes);
    // Journals left by an interrupted run name their files by this value.
    EXPECT_EQ(whole.Value(), 0x343203b74f61f721ull);
    for (std::size_t step : {1u, 3u, 7u, 8u, 9u, 64u, 999u}) {
        ContentHash pieces;
        for (std::size_t at = 0; at < bytes.size(); at += step) pieces.Add(std::string_view(bytes).substr(at, step));
        EXPECT_EQ(pieces.Value(), whole.Value()) << step;
    }
    for (std::size_t at : {0u, 7u, 8u, 500u, 999u}) {
        std::string changed = bytes;
        changed[at] ^= 1;
        ContentHash other;
        other.Add(changed);
        EXPECT_NE(other.Value(), whole.Value()) << at;
    }
    ContentHash shorter, longer;
    shorter.Add(bytes.substr(0, 999));
    longer.Add(bytes + std::string(1, '\0'));
    EXPECT_NE(shorter.Value(), whole.Value());
    EXPECT_NE(longer.Value(), whole.Value());
}

TEST(SafeFiles, MessagesAreSentencesThatNeverSaySuccess) {
    EXPECT_EQ(ReasonText(0), "Unknown error.");
    EXPECT_EQ(CannotText("write", "In.toc", ENOSPC), "Cannot write 'In.toc': No space left on device.");
    EXPECT_EQ(JoinSentences("Cannot write 'x': No space left on device", "Nothing was changed."),
              "Cannot write 'x': No space left on device. Nothing was changed.");
    EXPECT_EQ(JoinSentences("Stopped.", "Nothing was changed."), "Stopped. Nothing was changed.");
    EXPECT_EQ(JoinSentences("", "Nothing was changed."), "Nothing was changed.");
}

TEST(FileHelpers, ExistenceTests) {
    TempDir dir;
    WriteFile(dir / "a.mbx", "x");
    std::filesystem::create_directory(dir.path() / "Work.fol");
    EXPECT_TRUE(FileExists(dir / "a.mbx"));
    EXPECT_FALSE(FileExists(dir / "Work.fol"));
    EXPECT_FALSE(FileExists(dir / "b.mbx"));
    EXPECT_TRUE(FolderExists(dir / "Work.fol"));
    EXPECT_TRUE(FolderExists(dir / "a.mbx"));  // an existing file counts as well
    EXPECT_FALSE(FolderExists(dir / "Other.fol"));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FolderExists(""));
#ifndef _WIN32
    // A short name is as good as any.
    EXPECT_TRUE(FolderExists("/tmp"));
    EXPECT_TRUE(FolderExists("/"));
    EXPECT_TRUE(FolderExists("/tmp/"));
#endif
}

TEST(FileHelpers, PathComponents) {
    struct Case { const char* path; const char* folderName; const char* fileName; const char* stem; };
    const Case cases[] = {
        {"/mail/Work.fol/", "Work.fol", "Work.fol", "Work"},
        {"/mail/Work.fol", "Work.fol", "Work.fol", "Work"},
        {"/mail/In.mbx", "In.mbx", "In.mbx", "In"},
        {"/mail/a.b.c", "a.b.c", "a.b.c", "a.b"},
        {"noext", "noext", "noext", "noext"},
        {"/mail/", "mail", "mail", "mail"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetFolderName(c.path), c.folderName) << c.path;
        EXPECT_EQ(GetFileName(c.path), c.fileName) << c.path;
        EXPECT_EQ(GetFileName(c.path, true), c.stem) << c.path;
    }
    const std::string sep(1, kPathSeparator);
    EXPECT_EQ(WithTrailingSeparator("/a"), "/a" + sep);
    EXPECT_EQ(WithTrailingSeparator("/a/"), "/a/");
    EXPECT_EQ(WithTrailingSeparator(""), sep);
#ifdef _WIN32
    // Windows takes "/" and "\" alike.
    EXPECT_EQ(GetFileName("C:\\mail\\Work.fol/In.mbx", true), "In");
    EXPECT_EQ(GetFolderName("C:\\mail\\Work.fol\\"), "Work.fol");
    EXPECT_EQ(WithTrailingSeparator("C:\\a\\"), "C:\\a\\");
#endif
    struct Relative { const char* path; bool relative; };
    const Relative relatives[] = {{"In.mbx", true}, {"Work.fol/In.mbx", true}, {"", true}, {"/mail/In.mbx", false},
#ifdef _WIN32
                                  {"C:\\Mail\\In.mbx", false}, {"\\\\server\\mail", false}, {"\\Mail", false}, {"C:In.mbx", false},
#endif
    };
    for (const Relative& r : relatives) EXPECT_EQ(IsRelativePath(r.path), r.relative) << r.path;
}

TEST(FileHelpers, NamesOutsideAsciiCrossTheSystemWhole) {
    TempDir dir;
    const std::string folder = dir / "M\xC3\xA4il \xE6\x97\xA5\xE6\x9C\xAC";  // "Mäil 日本"
    std::filesystem::create_directory(FsPath(folder));
    const std::string file = WithTrailingSeparator(folder) + "Stra\xC3\x9F" "e.MBX";
    ASSERT_TRUE(WriteWholeFile(file, "bytes"));
    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(FolderExists(folder));
    EXPECT_EQ(FileSize(file), 5);
    EXPECT_EQ(ReadWholeFile(file).value_or(""), "bytes");
    std::string pieces;
    EXPECT_TRUE(ReadInPieces(file, [&](std::string_view p) { pieces += p; return Status(); }).ok());
    EXPECT_EQ(pieces, "bytes");
    const std::vector<FolderEntry> entries = ListFolder(folder);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "Stra\xC3\x9F" "e.MBX");
    EXPECT_EQ(WithExtensionAsFound(WithTrailingSeparator(folder) + "Stra\xC3\x9F" "e.mbx"), file);
    EXPECT_EQ(GetLongPath(file), file);
    EXPECT_EQ(GetFolderName(folder), "M\xC3\xA4il \xE6\x97\xA5\xE6\x9C\xAC");
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(OpenStdFile(file, "rb"), &std::fclose);
    EXPECT_NE(f, nullptr);
}

#ifndef _WIN32  // Windows gives real 8.3 names: WindowsServicesTest
TEST(FileHelpers, ShortAndLongPaths) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "Mail Box" / "Sub");
    WriteFile(dir / "Mail Box/Sub/In.mbx", "x");
    EXPECT_EQ(GetShortPath(dir / "Mail Box/Sub/In.mbx"), dir / "Mail Box/Sub/In.mbx");
    EXPECT_EQ(GetShortPath(dir / "Mail Box/Sub/Out.mbx"), "");
    // Each component spelled as stored.
    EXPECT_EQ(GetLongPath(dir / "MAIL BOX/sub/in.MBX"), dir / "Mail Box/Sub/In.mbx");
    EXPECT_EQ(GetLongPath(dir / "mail box/SUB/"), dir / "Mail Box/Sub/");
    // A component that does not exist keeps its spelling.
    EXPECT_EQ(GetLongPath(dir / "mail box/Nowhere/x"), dir / "Mail Box/Nowhere/x");
}
#endif

}  // namespace
}  // namespace ledgerly
