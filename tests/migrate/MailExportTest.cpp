// Messages rebuilt as MIME and whole exports, read back with GMime.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "migrate/MailExport.h"
#include "migrate/MimeBuilder.h"
#include "migrate/ReadBack.h"
#include "store/MailboxBuilder.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

const FileLookup kNoFiles = [](const FileReference&) { return std::optional<std::string>(); };

BuiltMessage Build(const std::vector<std::string>& headers, const std::string& body, const FileLookup& files = kNoFiles,
                   LineEnds ends = LineEnds::Lf) {
    return BuildMessage(ReadStoredMessage(ComposeMessage(headers, body)), {"X-Priority: 2 (High)"}, files, ends);
}

std::string HeaderBlock(const std::string& bytes) { return bytes.substr(0, bytes.find("\n\n")); }

ReadBackMessage ReadBack(const std::string& bytes) {
    auto back = ReadBackMessageBytes(bytes);
    EXPECT_TRUE(back.ok()) << back.error();
    return back ? *back : ReadBackMessage{};
}

TEST(MimeBuilder, StaleBodyHeadersGoTextsGetTheirTypeAndCharset) {
    struct Case {
        const char* what;
        std::vector<std::string> headers;
        std::string body;
        std::vector<std::string> want, gone;
    };
    const Case cases[] = {
        {"flattened alternative: the meta tag's charset",
         {"Subject: x", "Content-Type: multipart/alternative; boundary=\"old\"", "Content-Length: 99", "Lines: 3", "MIME-Version: 1.0"},
         "<x-html>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=koi8-r\">\r\n<p>x</p>\r\n</x-html>\r\n",
         {"Content-Type: text/html; charset=koi8-r\n", "MIME-Version: 1.0\nX-Priority: 2 (High)\n"},
         {"boundary=\"old\"", "Content-Length", "Lines:", "multipart"}},
        {"stored single part: its own charset", {"Content-Type: text/plain; charset=iso-8859-2"}, "plain\r\n",
         {"Content-Type: text/plain; charset=iso-8859-2\n"}, {}},
        {"no charset anywhere: windows-1252", {"Subject: x"}, "caf\xE9\r\n", {"charset=windows-1252", "Content-Transfer-Encoding: quoted-printable", "caf=E9"}, {}},
        {"8-bit text declared us-ascii", {"Content-Type: text/plain; charset=us-ascii"}, "caf\xE9\r\n", {"charset=windows-1252"}, {"us-ascii"}},
        {"a charset that is no name (NUL bytes, blanks)", {std::string("Content-Type: text/plain; charset=\0\0\0", 37)}, "x\r\n",
         {"charset=windows-1252"}, {"charset=\n", "charset=;"}},
        {"declared UTF-8 that is not", {"Content-Type: text/plain; charset=utf-8"}, "caf\xE9\r\n", {"charset=windows-1252"}, {"utf-8"}},
        {"flowed", {"Content-Type: text/plain; format=flowed"}, "<x-flowed>\r\nsoft \r\n</x-flowed>\r\n", {"format=flowed", "soft \n"}, {}},
        {"enriched", {}, "<x-rich>\r\n<bold>b</bold>\r\n</x-rich>\r\n", {"Content-Type: text/enriched"}, {}},
        {"a body still quoted-printable is decoded before it is encoded again",
         {"Content-Type: text/plain; charset=iso-8859-1", "Content-Transfer-Encoding: quoted-printable"}, "a=3Db soft=\r\nbreak\r\n",
         {"a=b soft" "break\n"}, {"=3D"}},
        {"8-bit header values become encoded words", {"Subject: Gr\xFC\xDF" "e", "From: J\xF6rg <j@example.de>"}, "x\r\n",
         {"Subject: =?iso-8859-1?", "<j@example.de>"}, {"Gr\xFC"}},
        {"state fields of the original are replaced", {"Status: RO", "X-Priority: 5", "X-Mozilla-Status: 0001"}, "x\r\n", {}, {"Status:", "X-Priority: 5"}},
    };
    for (const Case& c : cases) {
        const std::string out = Build(c.headers, c.body).bytes;
        for (const std::string& w : c.want) EXPECT_NE(out.find(w), std::string::npos) << c.what << ": " << w << "\n" << out;
        for (const std::string& g : c.gone) EXPECT_EQ(out.find(g), std::string::npos) << c.what << ": " << g << "\n" << out;
        for (char ch : HeaderBlock(out)) EXPECT_LT(static_cast<unsigned char>(ch), 0x80) << c.what;
        EXPECT_EQ(out.find('\r'), std::string::npos) << c.what;
    }
}

TEST(MimeBuilder, FilesAreEmbeddedImagesGoWithTheirHtmlAndMissingOnesLeaveANote) {
    const std::map<std::string, std::string> files = {
        {"C:\\mail\\attach\\Z\xFCrich.bin", std::string("\x00\x01\r\n\xFF", 5)},
        {"one.png", "\x89PNG\r\n\x1A\n one"},
        {"two.gif", "GIF89a two"},
        {"spare.jpg", "\xFF\xD8\xFF spare"},
    };
    const FileLookup lookup = [&files](const FileReference& ref) -> std::optional<std::string> {
        const auto it = files.find(ref.written);
        return it == files.end() ? std::nullopt : std::optional<std::string>(it->second);
    };
    const std::string body =
        "<x-html>\r\n<img src=\"cid:second@x\"><img src=\"cid:first@x\">\r\n</x-html>\r\n"
        "Embedded Content: two.gif: 00000001,1,0,0\r\nEmbedded Content: one.png: 00000002,2,0,0\r\n"
        "Embedded Content: spare.jpg: 00000003,3,0,0\r\nEmbedded Content: gone.png: 00000004,4,0,0\r\n"
        "Attachment Converted: \"C:\\mail\\attach\\Z\xFCrich.bin\"\r\n"
        "Attachment Converted: \"C:\\mail\\attach\\gone.doc\"\r\n";
    for (LineEnds ends : {LineEnds::Lf, LineEnds::CrLf}) {
        const BuiltMessage built = Build({"Subject: files", "X-Attachments: C:\\sent\\lost.pdf;"}, body, lookup, ends);
        const std::string& out = built.bytes;
        // two.gif is the first embedded file, so it answers the first cid:.
        EXPECT_NE(out.find("Content-Type: multipart/related;"), std::string::npos);
        const std::size_t gif = out.find("filename=two.gif"), second = out.find("Content-Id: <second@x>");
        EXPECT_TRUE(gif != std::string::npos && second != std::string::npos && second > gif && second - gif < 120) << out;
        EXPECT_NE(out.find("Content-Disposition: attachment; filename=spare.jpg"), std::string::npos) << out;
        EXPECT_NE(out.find("filename*=iso-8859-1''Z%FCrich.bin"), std::string::npos) << out;
        EXPECT_NE(out.find("[Attachment not found when exported: \"C:\\mail\\attach\\gone.doc\"]"), std::string::npos);
        EXPECT_NE(out.find("[Attachment not found when exported: \"C:\\sent\\lost.pdf\"]"), std::string::npos);
        EXPECT_NE(out.find("[Embedded file not found when exported: gone.png]"), std::string::npos);
        ASSERT_EQ(built.missing.size(), 3u);
        EXPECT_EQ(built.missing[0].written, "C:\\sent\\lost.pdf");
        ASSERT_EQ(built.files.size(), 4u);
        EXPECT_EQ(built.files[0].name, "two.gif");
        EXPECT_EQ(built.files[3].name, "Z\xC3\xBCrich.bin");
        // What GMime finds when it reads the message again: the files' own bytes, in the same order.
        const ReadBackMessage back = ReadBack(out);
        EXPECT_TRUE(back.problems.empty()) << back.problems.front();
        std::vector<std::string> digests;
        for (const EmbeddedFile& f : built.files) digests.push_back(f.sha256);
        EXPECT_EQ(back.fileDigests, digests);
        const auto lf = std::count(out.begin(), out.end(), '\n'), cr = std::count(out.begin(), out.end(), '\r');
        EXPECT_EQ(cr, ends == LineEnds::CrLf ? lf : 0);
    }
}

// A small data folder: In, a folder shown as "Work Mail" holding Projects,
// and a mailbox whose TOC calls it "In" as well.
struct Store {
    TempDir dir;
    std::string root = dir / "data/";
    Store() {
        fs::create_directories(root + "Work.fol");
        MailboxBuilder in;
        in.Name("In").Type(0);
        in.Add(ComposeMessage({"From: Ann <ann@example.com>", "Subject: One"}, "From the start\r\n"), "Ann", "One", "d", 0);
        in.Add(ComposeMessage({"From: Bob <bob@example.com>", "Subject: Two"}, "Attachment Converted: \"" + root + "attach/a.txt\"\r\n"),
               "Bob", "Two", "d", 2, 1);
        EXPECT_TRUE(in.Write(root + "In.").ok());
        MailboxBuilder copy;
        copy.Name("In");
        copy.Add(ComposeMessage({"Subject: Copy"}, "x\r\n"), "", "Copy");
        EXPECT_TRUE(copy.Write(root + "In2.").ok());
        MailboxBuilder projects;
        projects.Name("Projects");
        projects.Add(ComposeMessage({"Subject: Atlas"}, "x\r\n"), "", "Atlas");
        EXPECT_TRUE(projects.Write(root + "Work.fol/Projects.").ok());
        WriteFile(root + "descmap.pce", "Work Mail,Work.fol,F,N\r\n");
        fs::create_directories(root + "attach");
        WriteFile(root + "attach/a.txt", "the file\r\n");
    }
    Result<MailExportReport> Export(MailFormat format, const std::string& source, Host* host = nullptr) {
        AppState state;
        test::FakeHost fake(state);
        return ExportMail({format, source, dir / "out", ""}, host ? *host : fake);
    }
};

std::vector<std::string> Tree(const std::string& folder) {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        std::string rel = fs::relative(e.path(), folder).string();
        const std::string name = e.path().filename().string();
        if (name.find(':') != std::string::npos) rel = rel.substr(0, rel.rfind('/') + 1) + "*" + name.substr(name.find(':'));
        out.push_back(rel);
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST(MailExport, EachLayoutNamesAsTheTreeShowsAndReadsBackWhole) {
    struct Case { MailFormat format; std::vector<std::string> tree; };
    const Case cases[] = {
        {MailFormat::Mbox, {"In", "In (2)", "Work Mail", "Work Mail.sbd", "Work Mail.sbd/Projects", "export-report.txt"}},
        {MailFormat::Maildir, {"In", "In (2)", "In (2)/cur", "In (2)/cur/*:2,S", "In (2)/new", "In (2)/tmp", "In/cur", "In/cur/*:2,",
                               "In/cur/*:2,RS", "In/new", "In/tmp", "Work Mail", "Work Mail/Projects", "Work Mail/Projects/cur",
                               "Work Mail/Projects/cur/*:2,S", "Work Mail/Projects/new", "Work Mail/Projects/tmp", "export-report.txt"}},
        {MailFormat::Eml, {"In", "In (2)", "In (2)/0001 Copy.eml", "In/0001 One.eml", "In/0002 Two.eml", "Work Mail",
                           "Work Mail/Projects", "Work Mail/Projects/0001 Atlas.eml", "export-report.txt"}},
    };
    for (const Case& c : cases) {
        Store s;
        const std::string before = ReadFile(s.root + "In.mbx") + ReadFile(s.root + "In.toc");
        auto report = s.Export(c.format, s.root);
        ASSERT_TRUE(report.ok()) << report.error();
        EXPECT_EQ(Tree(s.dir / "out"), c.tree) << FormatName(c.format);
        EXPECT_TRUE(report->Complete()) << report->Text();
        ASSERT_EQ(report->mailboxes.size(), 3u);
        EXPECT_EQ(report->mailboxes[2].label, "Work Mail/Projects");
        EXPECT_EQ(report->mailboxes[0].readBack, 2);
        EXPECT_EQ(report->mailboxes[0].attachmentsChecked, 1);
        EXPECT_EQ(ReadFile(s.dir / "out/export-report.txt"), report->Text());
        EXPECT_EQ(ReadFile(s.root + "In.mbx") + ReadFile(s.root + "In.toc"), before);  // only read
    }
    Store s;
    ASSERT_TRUE(s.Export(MailFormat::Mbox, s.root + "In.toc").ok());
    const std::string mbox = ReadFile(s.dir / "out/In");
    EXPECT_EQ(mbox.rfind("From ann@example.com Mon Dec 13 18:45:29 2010\n", 0), 0u) << mbox;
    EXPECT_NE(mbox.find("\n>From the start\n"), std::string::npos);
    EXPECT_NE(mbox.find("\nStatus: RO\nX-Status: A\nX-Mozilla-Status: 0003\n"), std::string::npos);
    EXPECT_NE(mbox.find("\nX-Priority: 1 (Highest)\n"), std::string::npos);
}

TEST(MailExport, RefusesToWriteOverAnythingAndNeverFollowsALink) {
    for (const char* taken : {"In", "Work Mail.sbd", "link"}) {
        Store s;
        fs::create_directories(s.dir / "out");
        fs::create_directories(s.dir / "elsewhere");
        if (std::string(taken) == "link") fs::create_directory_symlink(s.dir / "elsewhere", s.dir / "out/Work Mail.sbd");
        else WriteFile(s.dir / "out/" + taken, "mine");
        auto report = s.Export(MailFormat::Mbox, s.root);
        ASSERT_FALSE(report.ok()) << taken;
        EXPECT_NE(report.error().find("is there already: nothing was written"), std::string::npos) << report.error();
        EXPECT_EQ(Tree(s.dir / "out").size(), 1u) << taken;
        EXPECT_TRUE(fs::is_empty(s.dir / "elsewhere"));
    }
}

TEST(MailExport, ADamagedSummaryIsReportedAndTheRestExported) {
    Store s;
    MailboxBuilder b;
    b.Add(ComposeMessage({"Subject: fine"}, "x\r\n"), "", "fine");
    b.Add(ComposeMessage({"Subject: lost"}, "y\r\n"), "", "lost");
    ASSERT_TRUE(b.Write(s.root + "Bad.").ok());
    auto toc = TocImage::Load(s.root + "Bad.toc");
    MessageSummary lost = toc->ReadSummary(2);
    lost.Offset = 1 << 20;
    toc->WriteSummary(2, lost);
    WriteFile(s.root + "Bad.toc", toc->bytes());
    auto report = s.Export(MailFormat::Eml, s.root + "Bad.mbx");
    ASSERT_TRUE(report.ok());
    EXPECT_FALSE(report->Complete());
    ASSERT_EQ(report->mailboxes.size(), 1u);
    EXPECT_EQ(report->mailboxes[0].written, 1);
    ASSERT_EQ(report->mailboxes[0].unconverted.size(), 1u);
    EXPECT_EQ(report->mailboxes[0].unconverted[0].message, 2);
    EXPECT_TRUE(fs::exists(s.dir / "out/Bad/0001 fine.eml"));
    EXPECT_NE(report->Text().find("message 2: its summary points outside the mailbox file"), std::string::npos);
}

// Stop between messages: the mailbox being written is left out whole.
TEST(MailExport, AStoppedExportLeavesNoMessageBehind) {
    struct StopHost : test::FakeHost {
        using FakeHost::FakeHost;
        int asked = 0;
        bool StopRequested() override { return ++asked > 1; }
    };
    for (MailFormat format : {MailFormat::Mbox, MailFormat::Maildir, MailFormat::Eml}) {
        Store s;
        AppState state;
        StopHost host(state);
        auto report = s.Export(format, s.root, &host);
        ASSERT_TRUE(report.ok());
        EXPECT_TRUE(report->stopped);
        EXPECT_FALSE(report->Complete());
        EXPECT_EQ(report->mailboxes[0].output, "");
        for (const std::string& entry : Tree(s.dir / "out")) {
            EXPECT_EQ(entry.find(".ledgerly-"), std::string::npos) << entry;
            EXPECT_EQ(entry.find(".eml"), std::string::npos) << entry;
            EXPECT_EQ(entry.find(":2,"), std::string::npos) << entry;
        }
        EXPECT_FALSE(fs::exists(s.dir / "out/In"));
    }
}

}  // namespace
}  // namespace ledgerly
