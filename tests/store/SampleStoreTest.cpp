#include <gtest/gtest.h>

#include <filesystem>

#include "app/Encoding.h"
#include "app/FileHelpers.h"
#include "app/TextHelpers.h"
#include "app/WindowsPaths.h"
#include "store/PairCheck.h"
#include "store/SampleStore.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace ledgerly {
namespace {

using test::ReadFile;
using test::TempDir;

class SampleStore : public ::testing::Test {
protected:
    void SetUp() override {
        auto written = WriteSampleStore(dir.str());
        ASSERT_TRUE(written.ok()) << written.error();
        info = *written;
    }
    TempDir dir;
    SampleStoreInfo info;
};

TEST_F(SampleStore, EveryMailboxIsAConsistentPairThatLooksLikeEudora7s) {
    const std::vector<std::string> expected = {"In.mbx", "Out.mbx", "Trash.mbx", "Junk.mbx", "Glued.mbx", "Friends.mbx", "Work.fol/Projects.mbx",
                                               "Work.fol/Archive.fol/Old.mbx"};
    ASSERT_EQ(info.mailboxes.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(info.mailboxes[i], dir / expected[i]);
    for (const std::string& mbx : info.mailboxes) {
        const MailboxPair pair = MailboxPair::FromMailboxPath(mbx);
        const PairReport r = CheckPair(pair);
        EXPECT_TRUE(r.problems.empty()) << mbx << ": " << (r.problems.empty() ? "" : r.problems[0].text);
        auto toc = TocImage::Load(pair.toc());
        const TocHeader h = toc->ReadHeader();
        EXPECT_TRUE(h.Reserved0[0] == 0x31 || h.Reserved0[0] == 0x30) << mbx;
        std::uint32_t recorded = 0;
        for (int b = 3; b >= 0; --b) recorded = (recorded << 8) | static_cast<unsigned char>(toc->bytes()[96 + static_cast<std::size_t>(b)]);
        EXPECT_EQ(recorded, fs::file_size(pair.mbx()) + 1) << mbx;
        EXPECT_GE(fs::last_write_time(pair.toc()), fs::last_write_time(pair.mbx())) << mbx;
        EXPECT_EQ(TrimAtNull(FieldText(h.MailboxName)), GetFileName(mbx, true));
        for (std::int32_t k = 1; k <= toc->UsableCount(); ++k) {
            const MessageSummary s = toc->ReadSummary(k);
            const std::string date = FieldText(s.Date);
            EXPECT_NE(date.find('\0'), std::string::npos) << mbx << " #" << k;
            EXPECT_LT(date.find('\0'), 28u) << mbx << " #" << k;
        }
    }
    auto in = TocImage::Load(dir / "In.toc");
    EXPECT_EQ(in->ReadHeader().MailboxType, 0);
    EXPECT_EQ(TocImage::Load(dir / "Out.toc")->ReadHeader().MailboxType, 1);
}

TEST_F(SampleStore, FoldersMapsAndSettings) {
    for (const char* folder : {"attach", "Embedded", "Nickname", "Scripts", "Work.fol", "Work.fol/Archive.fol"})
        EXPECT_TRUE(fs::is_directory(dir / folder)) << folder;
    for (const char* script : {"Scripts/compare-messages.tcl", "Scripts/list-subjects.pl"})
        EXPECT_TRUE(fs::is_regular_file(dir / script)) << script;
    EXPECT_NE(ReadFile(dir / "descmap.pce").find("Work,Work.fol,F,N\r\n"), std::string::npos);
    EXPECT_NE(ReadFile(dir / "Work.fol/descmap.pce").find("Archive,Archive.fol,F,N\r\n"), std::string::npos);
    EXPECT_EQ(ReadFile(dir / "Work.fol/Archive.fol/descmap.pce"), "Old,Old.mbx,M,N\r\n");
    EXPECT_NE(ReadFile(info.eudoraIni).find("[Settings]\r\nRealName=Sam Carter\r\nReturnAddress=sam@example.org\r\nAutoReceiveAttachmentsDirectory=" +
                                            dir.str() + "attach\r\n"),
              std::string::npos);
}

TEST_F(SampleStore, PlantedAttachmentProblemsAreAsListed) {
    ASSERT_EQ(info.brokenReferences.size(), 3u);
    const std::string in = ReadFile(dir / "In.mbx");
    for (const PlantedReference& ref : info.brokenReferences) {
        EXPECT_EQ(ref.mailbox, dir / "In.mbx");
        EXPECT_NE(in.find("\r\nAttachment Converted: \"" + ref.writtenPath + "\"\r\n"), std::string::npos) << ref.writtenPath;
        EXPECT_EQ(FileNameOfAnyPath(ref.writtenPath), ref.fileName);
        EXPECT_FALSE(fs::exists(ref.writtenPath)) << ref.writtenPath;
    }
    EXPECT_EQ(info.brokenReferences[0].writtenPath, "C:\\Program Files\\Eudora\\attach\\old-invoice.doc");
    EXPECT_EQ(info.brokenReferences[2].writtenPath, dir / "OldAttach/moved.pdf");
    EXPECT_EQ(info.movedFile, dir / "attach/moved.pdf");
    EXPECT_TRUE(fs::exists(info.movedFile));

    // Working references name existing files by their full path, in the
    // Windows-1252 that mail is written in.
    std::string allMail;
    for (const std::string& m : info.mailboxes) allMail += ReadFile(m);
    auto named = [&allMail](const std::string& path) { return allMail.find(Utf8ToCp1252(path)) != std::string::npos; };
    for (const std::string& f : info.workingAttachments) {
        EXPECT_TRUE(FileExists(f)) << f;
        const std::string name = GetFileName(f);
        EXPECT_TRUE(named(f) || allMail.find("Embedded Content: " + name + ":") != std::string::npos) << f;
    }
    // Orphans lie in attach/ and no mail names their path.
    EXPECT_EQ(info.orphanedFiles.size(), 2u);
    for (const std::string& f : info.orphanedFiles) {
        EXPECT_TRUE(fs::exists(f)) << f;
        EXPECT_EQ(f.rfind(info.attachFolder, 0), 0u) << f;
        EXPECT_EQ(FindText(allMail, f), 0u) << f;
    }
    // Every file of attach/ is either named by mail or listed as an orphan,
    // but for the moved file, which mail names by its old location only.
    EXPECT_EQ(FindText(allMail, info.movedFile), 0u);
    for (const auto& e : fs::directory_iterator(dir / "attach")) {
        const std::string p = e.path().string();
        if (p == info.movedFile) continue;
        const bool orphan = std::find(info.orphanedFiles.begin(), info.orphanedFiles.end(), p) != info.orphanedFiles.end();
        EXPECT_NE(orphan, named(p)) << p;
    }
}

TEST_F(SampleStore, PlantedDuplicatesAndGluedDelimiter) {
    ASSERT_EQ(info.duplicates.size(), 2u);
    for (const PlantedDuplicates& d : info.duplicates) {
        auto toc = TocImage::Load(MailboxPair::FromMailboxPath(d.mailbox).toc());
        auto mbx = MailboxReader::Open(d.mailbox);
        std::vector<std::string> texts;
        for (std::int32_t k : d.summaries) texts.push_back(mbx->Fetch(toc->ReadSummary(k)));
        ASSERT_EQ(texts.size(), d.identicalBytes ? 3u : 2u);
        for (std::size_t i = 1; i < texts.size(); ++i) {
            if (d.identicalBytes) {
                EXPECT_EQ(texts[i], texts[0]);
            } else {
                EXPECT_NE(texts[i], texts[0]);
                EXPECT_EQ(texts[i].substr(texts[i].find("\r\n")), texts[0].substr(texts[0].find("\r\n")));
            }
        }
    }
    const std::string glued = ReadFile(dir / "Glued.mbx");
    EXPECT_NE(glued.find("</x-html>From ???@???"), std::string::npos);
}

TEST_F(SampleStore, MessagesCoverTheMailFeaturesTheToolsWorkOn) {
    const std::string in = ReadFile(dir / "In.mbx");
    for (const char* s : {"mailto:", "http://", "https://", "file://", "ftp://", "tel://", "telnet://", "news://", "nntp://", "ph://",
                          "finger://", "rtsp://", "x-eudora-option:", "\r\n<x-html>\r\n", "\r\n</x-html>\r\n", "Content-Transfer-Encoding: quoted-printable",
                          "=?iso-8859-1?Q?", "=?utf-8?B?", "Received: ", "Priority: ", "\r\nEmbedded Content: chart.png: 00000001,277bfd3a,00000000,00000000\r\n"})
        EXPECT_NE(in.find(s), std::string::npos) << s;
    EXPECT_NE(ReadFile(dir / "Out.mbx").find("\r\nX-Attachments: " + (dir / "attach/report.pdf") + "; "), std::string::npos);
    // What a mail export rebuilds: flattened multiparts, the three text
    // markers, images for cid: references, non-ASCII file names.
    const std::string friends = ReadFile(dir / "Friends.mbx");
    for (const char* s : {"Content-Type: multipart/alternative;\r\n\tboundary=", "Content-Length: ", "Lines: ", "\r\n<x-flowed>\r\n",
                          "\r\n</x-flowed>\r\n", "\r\n<x-rich>\r\n", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\">",
                          "cid:lake.0001@example.ch", "cid:town.0002@example.ch", "\r\nEmbedded Content: logo.png: ",
                          "\r\nX-Attachments: ", "Pr\xE4sentation.ppt; "})
        EXPECT_NE(friends.find(s), std::string::npos) << s;
    EXPECT_NE(friends.find(test::Native("attach/Ferien in Z\xFCrich.jpg\"\r\n")), std::string::npos);
}

TEST_F(SampleStore, SameBytesEveryTimeAndNoOverwrite) {
    TempDir other;
    ASSERT_TRUE(WriteSampleStore(other.str()).ok());
    for (const char* name : {"Trash.mbx", "Trash.toc", "Junk.toc", "Glued.mbx", "Work.fol/Archive.fol/Old.toc"})
        EXPECT_EQ(ReadFile(other / name), ReadFile(dir / name)) << name;
    const std::string before = ReadFile(dir / "In.mbx");
    auto again = WriteSampleStore(dir.str());
    EXPECT_FALSE(again.ok());
    EXPECT_NE(again.error().find("not empty"), std::string::npos);
    EXPECT_EQ(ReadFile(dir / "In.mbx"), before);
}

TEST(GeneratedMailbox, ConsistentVariedAndReproducible) {
    TempDir dir;
    auto info = WriteGeneratedMailbox(dir / "Large.", 400, 7);
    ASSERT_TRUE(info.ok()) << info.error();
    EXPECT_EQ(info->messages, 400);
    EXPECT_GT(info->duplicates, 0);
    EXPECT_EQ(info->mailboxBytes, static_cast<std::int64_t>(fs::file_size(dir / "Large.mbx")));
    const PairReport r = CheckPair(MailboxPair::FromMailboxPath(dir / "Large.mbx"));
    EXPECT_TRUE(r.problems.empty()) << (r.problems.empty() ? "" : r.problems[0].text);
    EXPECT_GT(info->mailboxBytes / 400, 3000);  // messages of a few kilobytes
    const std::string mbx = ReadFile(dir / "Large.mbx");
    for (const char* s : {"<x-html>", "=3D", "Attachment Converted: ", "mailto:", "https://"}) EXPECT_NE(mbx.find(s), std::string::npos) << s;

    TempDir again;
    ASSERT_TRUE(WriteGeneratedMailbox(again / "Large.", 400, 7).ok());
    EXPECT_EQ(ReadFile(again / "Large.mbx"), mbx);
    EXPECT_EQ(ReadFile(again / "Large.toc"), ReadFile(dir / "Large.toc"));
    ASSERT_TRUE(WriteGeneratedMailbox(again / "Other.", 400, 8).ok());
    EXPECT_NE(ReadFile(again / "Other.mbx"), mbx);

    EXPECT_FALSE(WriteGeneratedMailbox(dir / "Bad.", 0, 1).ok());
    EXPECT_FALSE(WriteGeneratedMailbox(dir / "Bad.", 32768, 1).ok());
}

TEST(GeneratedMailbox, PaddedToTheAskedSizeAndStillConsistent) {
    TempDir dir;
    struct Case { std::int32_t messages; std::int64_t bytes; };
    for (const Case c : {Case{200, 8'000'000}, Case{3, 1'000'000}, Case{50, 1}}) {
        const std::string pair = dir / ("Padded" + std::to_string(c.bytes) + ".");
        auto info = WriteGeneratedMailbox(pair, c.messages, 5, c.bytes);
        ASSERT_TRUE(info.ok()) << info.error();
        const PairReport r = CheckPair(MailboxPair::FromMailboxPath(pair + "mbx"));
        EXPECT_TRUE(r.problems.empty()) << c.bytes;
        if (c.bytes > 1) {  // within one unpadded message of the target
            EXPECT_GT(info->mailboxBytes, c.bytes - 20'000) << c.bytes;
            EXPECT_LT(info->mailboxBytes, c.bytes + 20'000) << c.bytes;
        }
    }
    EXPECT_FALSE(WriteGeneratedMailbox(dir / "Huge.", 10, 1, kMaxGeneratedBytes + 1).ok());
}

}  // namespace
}  // namespace ledgerly

namespace ledgerly {
namespace {

TEST(SampleStoreInWine, PathsInMailTakeTheWindowsFormEudoraReads) {
    test::TempDir dir;
    const fs::path prefix = dir.path() / "prefix";
    fs::create_directories(prefix / "dosdevices");
    fs::create_directories(prefix / "drive_c");
    fs::create_symlink("../drive_c", prefix / "dosdevices/c:");
    auto info = WriteSampleStore((prefix / "drive_c/Eudora").string());
    ASSERT_TRUE(info.ok()) << info.error();
    const std::string in = test::ReadFile(info->folder + "In.mbx");
    EXPECT_NE(in.find("\r\nAttachment Converted: \"C:\\Eudora\\attach\\report.pdf\"\r\n"), std::string::npos);
    EXPECT_EQ(info->brokenReferences[2].writtenPath, "C:\\Eudora\\OldAttach\\moved.pdf");
    EXPECT_NE(test::ReadFile(info->eudoraIni).find("AutoReceiveAttachmentsDirectory=C:\\Eudora\\attach\r\n"), std::string::npos);
    // Mapped back through the same prefix, the working reference finds its file.
    const PathMapper mapper(info->folder);
    const auto local = mapper.ToLocal("C:\\Eudora\\attach\\report.pdf");
    ASSERT_TRUE(local.has_value());
    EXPECT_TRUE(fs::exists(*local));
}

}  // namespace
}  // namespace ledgerly
