#include <gtest/gtest.h>

#include <filesystem>

#include "export/ReadersDigest.h"
#include "store/MailboxBuilder.h"
#include "store/Mailbox.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

namespace fs = std::filesystem;
using test::FakeHost;
using test::ReadFile;
using test::TempDir;

const std::string kVersion = std::to_string(LEDGERLY_VERSION_MAJOR) + "." + std::to_string(LEDGERLY_VERSION_MINOR);

std::vector<std::string> Lines(const std::string& page) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    for (std::size_t at; (at = page.find("\r\n", pos)) != std::string::npos; pos = at + 2) lines.push_back(page.substr(pos, at - pos));
    lines.push_back(page.substr(pos));  // after the last CR LF: empty for a whole page
    return lines;
}

// The creation line carries the clock; everything else must match exactly.
void NormaliseCreationLine(std::vector<std::string>& lines) {
    ASSERT_GT(lines.size(), 13u);
    std::string& line = lines[13];
    ASSERT_EQ(line.rfind("<center><I>Created on ", 0), 0u) << line;
    ASSERT_NE(line.find(" at "), std::string::npos) << line;
    ASSERT_TRUE(line.ends_with("</I></center>")) << line;
    line = "<center><I>Created on DATE at TIME</I></center>";
}

std::vector<std::string> PageLines(const std::string& name, const std::string& toc, const std::vector<std::string>& sections) {
    std::vector<std::string> l = {"<BR>", "<HTML>", "<HEAD>",
                                  "<meta http-equiv=\"Content-Type\" content=\"text/html\"; charset=\"windows-1252\">",
                                  "<TITLE>", name, "</TITLE>", "</HEAD>", "<BODY>", "<H2>",
                                  "<CENTER><I>Readers Digest</I></CENTER>", "<CENTER>Mailbox " + name + "</CENTER>", "</H2>",
                                  "<center><I>Created on DATE at TIME</I></center>", "<HR>", "<PRE>"};
    for (const std::string& t : Lines(toc)) l.push_back(t);
    l.insert(l.end(), {"</PRE>", "<HR>", ""});
    for (const std::string& s : sections) l.push_back(s);
    l.insert(l.end(), {"", "<BR>", "<BR><I><CENTER>", "<A HREF=\"https://ledgerly.example.org/\">", "Ledgerly " + kVersion + "<BR>",
                       "</A></I></CENTER>", "</BODY></HTML>", ""});
    return l;
}

struct Fixture {
    TempDir dir;
    AppState state;
    FakeHost host{state};
    ToolContext context{state, host};
    std::string mbx = dir / "Work.mbx";
    std::string out = dir / "Work.html";
    void Write(const MailboxBuilder& b) { ASSERT_TRUE(b.Write(MailboxPair::FromMailboxPath(mbx).pairPath).ok()); }
    std::vector<std::string> Page() {
        auto lines = Lines(ReadFile(out));
        NormaliseCreationLine(lines);
        return lines;
    }
};

TEST(ReadersDigest, ThreeMessagePageLineByLine) {
    Fixture f;
    MailboxBuilder b;
    b.Add(ComposeMessage({"Subject: Lunch"}, "See you at noon.\r\n"), "Ann Smith", "Lunch", "10:15 AM 3/4/2011")
        .Add(ComposeMessage({"Subject: Plan"},
                            "<html><head><title>T</title></head><body><p>Figures</p>\r\n<b>attached</b></body></html>\r\n"),
             "Bob", "Plan", "9:00 PM 3/5/2011")
        .Add(ComposeMessage({}, "x < y"), "", "", "");
    f.Write(b);
    auto written = ExportReadersDigest(f.context, f.mbx, f.out);
    ASSERT_TRUE(written.ok()) << written.error();
    EXPECT_EQ(written->written, 3);
    EXPECT_EQ(written->SkippedReport(), "");
    EXPECT_EQ(DigestStatusText(written->written), "3 messages exported. Ready.");
    EXPECT_EQ(f.host.statuses, (std::vector<std::string>{"1", "2", "3"}));

    const std::string sp10(10, ' ');
    const std::string toc =
        "<A NAME=\"!1!\"></A>  <A HREF=\"#[1]\">1. Lunch</A>\r\n<BR>" + sp10 + "Ann Smith\r\n<BR>" + sp10 + "10:15 AM 3/4/2011\r\n<BR>"
        "<A NAME=\"!2!\"></A>  <A HREF=\"#[2]\">2. Plan</A>\r\n<BR>" + sp10 + "Bob\r\n<BR>" + sp10 + "9:00 PM 3/5/2011\r\n<BR>"
        "<A NAME=\"!3!\"></A>  <A HREF=\"#[3]\">3. </A>\r\n<BR>" + sp10 + "\r\n<BR>" + sp10 + "\r\n<BR>";
    const std::vector<std::string> sections = {
        "<A NAME=\"[1]\"></A>Date: 10:15 AM 3/4/2011<br>", "Who: Ann Smith<br>", "<A HREF=\"#!1!\">Subject: Lunch</A><br>",
        "", "<br>", "<br>See you at noon.", "<br>", "<HR>",
        "<A NAME=\"[2]\"></A>Date: 9:00 PM 3/5/2011<br>", "Who: Bob<br>", "<A HREF=\"#!2!\">Subject: Plan</A><br>",
        "", "<br>", "<br>Figures", "<br>attached", "<br>", "<HR>",
        "<A NAME=\"[3]\"></A>Date: <br>", "Who: <br>", "<A HREF=\"#!3!\">Subject: </A><br>",
        "", "<br>", "<br>x &lt;y", "<HR>"};
    const auto expected = PageLines("Work", toc, sections);
    const auto actual = f.Page();
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(actual[i], expected[i]) << "line " << i + 1;
}

TEST(ReadersDigest, EmptyMailboxGivesPageWithoutEntriesOrSections) {
    Fixture f;
    f.Write(MailboxBuilder{});
    auto written = ExportReadersDigest(f.context, f.mbx, f.out);
    ASSERT_TRUE(written.ok());
    EXPECT_EQ(DigestStatusText(written->written), "0 messages exported. Ready.");
    EXPECT_EQ(f.Page(), PageLines("Work", "", {}));
}

TEST(ReadersDigest, SummaryTextsAreEscapedAndBodyReferencesKept) {
    Fixture f;
    MailboxBuilder b;
    b.Add(ComposeMessage({}, "Fish &amp; chips\r\n"), "\"Eve\" <eve@example.com>", "<script>alert(1)</script> & co", "<now>");
    f.Write(b);
    ASSERT_TRUE(ExportReadersDigest(f.context, f.mbx, f.out).ok());
    const std::string page = ReadFile(f.out);
    EXPECT_EQ(page.find("<script>"), std::string::npos);
    EXPECT_NE(page.find("1. &lt;script&gt;alert(1)&lt;/script&gt; &amp; co</A>"), std::string::npos);
    EXPECT_NE(page.find("Subject: &lt;script&gt;alert(1)&lt;/script&gt; &amp; co</A><br>"), std::string::npos);
    EXPECT_NE(page.find("Who: &quot;Eve&quot; &lt;eve@example.com&gt;<br>"), std::string::npos);
    EXPECT_NE(page.find("Date: &lt;now&gt;<br>"), std::string::npos);
    EXPECT_NE(page.find("<br>Fish &amp; chips\r\n"), std::string::npos);  // not escaped twice
}

// A "<" that the HTML stripping leaves (no ">" after it) must not be closed
// into a tag by the "<br>" that follows every line break of the body.
TEST(ReadersDigest, BodyLeftoverAngleBracketCannotBecomeATag) {
    Fixture f;
    MailboxBuilder b;
    b.Add(ComposeMessage({}, "a < b\r\n<script src=http://evil.example/x.js\r\nend"), "", "S");
    f.Write(b);
    ASSERT_TRUE(ExportReadersDigest(f.context, f.mbx, f.out).ok());
    const std::string page = ReadFile(f.out);
    EXPECT_NE(page.find("<br>a &lt;b\r\n<br>&lt;script src=http://evil.example/x.js\r\n<br>end\r\n<HR>"), std::string::npos);
    EXPECT_EQ(page.find("<script"), std::string::npos);
}

TEST(ReadersDigest, ReplacesExistingFileAndMatchesWritingIntoTheStub) {
    Fixture f;
    MailboxBuilder b;
    b.Add(ComposeMessage({}, "one\r\n"), "A", "One", "D");
    f.Write(b);
    test::WriteFile(f.out, "old content that must go");
    const DigestClock clock{1000000000};
    ASSERT_TRUE(ExportReadersDigest(f.context, f.mbx, f.out, clock).ok());
    const std::string page = ReadFile(f.out);
    EXPECT_EQ(page.find("old content"), std::string::npos);

    // The two-step way: the file made to hold the stub, then the page built into it.
    const std::string other = f.dir / "other.html";
    test::WriteFile(other, std::string(kDigestStub));
    ASSERT_TRUE(WriteReadersDigest(f.context, f.mbx, other, clock).ok());
    EXPECT_EQ(ReadFile(other), page);
    // Content that is not the stub stays in front of the sections.
    test::WriteFile(other, "Intro\r\n");
    ASSERT_TRUE(WriteReadersDigest(f.context, f.mbx, other, clock).ok());
    EXPECT_NE(ReadFile(other).find("<HR>\r\nIntro\r\n<A NAME=\"[1]\">"), std::string::npos);
}

TEST(ReadersDigest, AMessageThatCannotBeReadIsLeftOffAndListedAPairWithoutTocIsRefused) {
    Fixture f;
    MailboxBuilder b;
    b.Add(ComposeMessage({}, "one\r\n"), "", "A").Add(ComposeMessage({}, "two\r\n"), "", "B").Add(ComposeMessage({}, "three\r\n"), "", "C");
    f.Write(b);
    std::string toc = ReadFile(f.dir / "Work.toc");
    toc[SummaryOffset(2) + 7] = '\x7F';  // summary 2's Length runs past the end of the mailbox file
    test::WriteFile(f.dir / "Work.toc", toc);
    auto written = ExportReadersDigest(f.context, f.mbx, f.out);
    ASSERT_TRUE(written.ok()) << written.error();
    EXPECT_EQ(written->written, 2);
    EXPECT_EQ(written->SkippedReport().rfind("1 message was left off the page.\r\nSummary 2: bytes ", 0), 0u) << written->SkippedReport();
    const std::string page = ReadFile(f.out);
    EXPECT_NE(page.find("<A NAME=\"[1]\">"), std::string::npos);
    EXPECT_EQ(page.find("<A NAME=\"[2]\">"), std::string::npos);
    EXPECT_NE(page.find("<A NAME=\"[3]\">"), std::string::npos);  // the others keep their numbers

    fs::remove(f.dir / "Work.toc");
    fs::remove(f.out);
    EXPECT_FALSE(ExportReadersDigest(f.context, f.mbx, f.out).ok());
    EXPECT_FALSE(fs::exists(f.out));
}

TEST(ReadersDigest, PausesAtEveryHundredthMessage) {
    Fixture f;
    MailboxBuilder b;
    for (int i = 0; i < 250; ++i) b.Add(ComposeMessage({}, "m"), "", "s");
    f.Write(b);
    ASSERT_TRUE(ExportReadersDigest(f.context, f.mbx, f.out).ok());
    EXPECT_EQ(f.host.waits, 2);
    EXPECT_EQ(f.host.statuses.size(), 250u);
}

TEST(ReadersDigest, LongDateHasNoLeadingZeroInTheDay) {
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 11;
    t.tm_mday = 7;
    t.tm_wday = 1;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 3;
    EXPECT_EQ(LongDate(t), "Monday, December 7, 2026");  // the tests run in the "C" locale
    EXPECT_EQ(LongTime(t), "09:05:03");
}

}  // namespace
}  // namespace ledgerly
