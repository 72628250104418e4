// Taking a stored Eudora message apart, and what the export layouts write
// around it: table-driven over the forms Eudora stores mail in.
#include <gtest/gtest.h>

#include "migrate/EudoraMessage.h"
#include "migrate/MailFormats.h"

namespace ledgerly {
namespace {

struct SegmentWant {
    TextKind kind;
    std::string text;
};
struct FileWant {
    ReferenceKind kind;
    std::string written;
    std::size_t segment, offset;
};

TEST(StoredMessage, TextsAndFilesOfEveryStoredForm) {
    struct Case {
        const char* what;
        std::string message;
        std::vector<SegmentWant> segments;
        std::vector<FileWant> files;
        std::vector<std::string> contentIds;
    };
    const std::string d = "From ???@??? Mon Dec 13 18:45:29 2010\r\n";
    const Case cases[] = {
        {"plain text, CR LF made LF", d + "Subject: Hi\r\n\r\nline 1\r\nline 2\r\n", {{TextKind::Plain, "line 1\nline 2\n"}}, {}, {}},
        {"markers in any case, the text around them kept",
         d + "Subject: x\r\n\r\nbefore\r\n<X-HTML>\r\n<p>Hi</p>\r\n</x-Html>\r\nafter\r\n",
         {{TextKind::Plain, "before\n"}, {TextKind::Html, "<p>Hi</p>\n"}, {TextKind::Plain, "after\n"}}, {}, {}},
        {"flowed and enriched", d + "\r\n<x-flowed>\r\nsoft \r\nhard\r\n</x-flowed>\r\n<x-rich>\r\n<bold>b</bold>\r\n</x-rich>\r\n",
         {{TextKind::Flowed, "soft \nhard\n"}, {TextKind::Enriched, "<bold>b</bold>\n"}}, {}, {}},
        {"an unclosed marker runs to the end", d + "\r\n<x-html>\r\n<p>cut", {{TextKind::Html, "<p>cut"}}, {}, {}},
        {"a closing marker glued to the end of the text", d + "\r\n<x-html>\r\n<p>x</p>\r\n</x-html>", {{TextKind::Html, "<p>x</p>\n"}}, {}, {}},
        {"attachment lines leave the text, their places kept",
         d + "\r\nSee the file.\r\nAttachment Converted: \"c:\\eudora\\attach\\a.pdf\"\r\nBye\r\n",
         {{TextKind::Plain, "See the file.\nBye\n"}}, {{ReferenceKind::Converted, "c:\\eudora\\attach\\a.pdf", 0, 14}}, {}},
        {"a lower-case prefix is text", d + "\r\nattachment converted: \"c:\\a.pdf\"\r\n", {{TextKind::Plain, "attachment converted: \"c:\\a.pdf\"\n"}}, {}, {}},
        {"inside HTML, a closing <br> is not part of the path",
         d + "\r\n<x-html>\r\nAttachment Converted: \"c:\\a b.doc\"<BR>\r\n</x-html>\r\n", {{TextKind::Html, ""}},
         {{ReferenceKind::Converted, "c:\\a b.doc", 0, 0}}, {}},
        {"embedded files and the cid: references, in order, distinct, %-decoded",
         d + "\r\n<x-html>\r\n<img src=\"cid:b%40x\"><img src='CID:a@x'><img src=\"cid:b@x\">\r\n</x-html>\r\n"
             "Embedded Content: b.png: 00000001,1,0,0\r\nEmbedded Content: a.gif: 00000002,2,0,0\r\n",
         {{TextKind::Html, "<img src=\"cid:b%40x\"><img src='CID:a@x'><img src=\"cid:b@x\">\n"}, {TextKind::Plain, ""}},
         {{ReferenceKind::Embedded, "b.png", 1, 0}, {ReferenceKind::Embedded, "a.gif", 1, 0}}, {"b@x", "a@x"}},
        {"a cid: that is no printable ASCII asks for no image", d + "\r\n<x-html>\r\n<img src=\"cid:b\xE9@x\"><img src=\"cid:c%20d\">\r\n</x-html>\r\n",
         {{TextKind::Html, "<img src=\"cid:b\xE9@x\"><img src=\"cid:c%20d\">\n"}}, {}, {}},
        {"sent mail names its files in X-Attachments",
         d + "X-Attachments: C:\\a.doc; C:\\b b.pdf;\r\n\r\nHi\r\n", {{TextKind::Plain, "Hi\n"}},
         {{ReferenceKind::XAttachments, "C:\\a.doc", kNoSegment, 0}, {ReferenceKind::XAttachments, "C:\\b b.pdf", kNoSegment, 0}}, {}},
        {"no empty line: the body starts at the first line that is no field", d + "Subject: x\r\nno field here\r\nmore\r\n",
         {{TextKind::Plain, "no field here\nmore\n"}}, {}, {}},
        {"a stored single-part HTML without markers is HTML", d + "Content-Type: text/html\r\n\r\n<p>x</p>\r\n",
         {{TextKind::Html, "<p>x</p>\n"}}, {}, {}},
        {"a flattened multipart without markers is plain", d + "Content-Type: multipart/mixed; boundary=b\r\n\r\n<p>x</p>\r\n",
         {{TextKind::Plain, "<p>x</p>\n"}}, {}, {}},
    };
    for (const Case& c : cases) {
        const StoredMessage m = ReadStoredMessage(c.message);
        ASSERT_EQ(m.segments.size(), c.segments.size()) << c.what;
        for (std::size_t i = 0; i < c.segments.size(); ++i) {
            EXPECT_EQ(m.segments[i].kind, c.segments[i].kind) << c.what << " #" << i;
            EXPECT_EQ(m.segments[i].text, c.segments[i].text) << c.what << " #" << i;
        }
        ASSERT_EQ(m.files.size(), c.files.size()) << c.what;
        for (std::size_t i = 0; i < c.files.size(); ++i) {
            EXPECT_EQ(m.files[i].kind, c.files[i].kind) << c.what;
            EXPECT_EQ(m.files[i].written, c.files[i].written) << c.what;
            EXPECT_EQ(m.files[i].segment, c.files[i].segment) << c.what;
            EXPECT_EQ(m.files[i].offset, c.files[i].offset) << c.what;
        }
        EXPECT_EQ(m.contentIds, c.contentIds) << c.what;
        EXPECT_EQ(m.arrival, "Mon Dec 13 18:45:29 2010") << c.what;
    }
}

TEST(StoredMessage, HeaderFieldsAndWhatTheyDescribe) {
    const StoredMessage m = ReadStoredMessage(
        "From ???@??? Mon Dec 13 18:45:29 2010\r\nSubject:  Two\r\n  lines\r\nContent-Type: Multipart/Alternative;\r\n\tboundary=\"x;y\";"
        " CHARSET=\"utf-8\"\r\ncontent-transfer-encoding: Quoted-Printable\r\n\r\nbody");
    ASSERT_EQ(m.headers.size(), 3u);
    EXPECT_EQ(m.headers[0].name, "Subject");
    EXPECT_EQ(m.headers[0].value, "Two\n  lines");
    EXPECT_EQ(m.storedType, "multipart/alternative");
    EXPECT_TRUE(m.StoredMultipart());
    EXPECT_EQ(m.storedCharset, "utf-8");
    EXPECT_EQ(m.storedEncoding, "quoted-printable");
    EXPECT_EQ(ParameterOf("text/plain; format=flowed; charset=us-ascii", "charset"), "us-ascii");
    EXPECT_EQ(ParameterOf("text/plain; name=\"a\\\"b;c\"", "name"), "a\"b;c");
    EXPECT_EQ(ParameterOf("text/plain", "charset"), "");
    EXPECT_EQ(MetaCharset("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=ISO-8859-2\">"), "ISO-8859-2");
    EXPECT_EQ(MetaCharset("<meta charset='utf-8'><p>charset=no</p>"), "utf-8");
    EXPECT_EQ(MetaCharset("<p>charset=koi8-r</p>"), "");
    // Any bytes give a result.
    for (const char* garbage : {"", "From ???@???", "\r\n\r\n", ":\r\n", "<x-html>", "Attachment Converted: ", "Embedded Content: :"})
        (void)ReadStoredMessage(garbage);
}

TEST(MailFormats, StatesBecomeFlagsOfEachLayout) {
    struct Case { std::int16_t status; const char* maildir; const char* mozilla; bool answered; };
    const Case cases[] = {
        {0, ":2,", "0000", false},   {1, ":2,S", "0001", false},   {2, ":2,RS", "0003", true},   {3, ":2,PS", "1001", false},
        {4, ":2,PS", "1001", false}, {8, ":2,S", "0001", false},   {9, ":2,S", "0001", false},   {12, ":2,", "0000", false},
    };
    for (const Case& c : cases) {
        const MessageFlags f = FlagsOfStatus(c.status);
        EXPECT_EQ(MaildirInfo(f), c.maildir) << c.status;
        const auto lines = MboxStateHeaders(f);
        EXPECT_EQ(lines.front(), f.read ? "Status: RO" : "Status: O") << c.status;
        EXPECT_NE(std::find(lines.begin(), lines.end(), std::string("X-Mozilla-Status: ") + c.mozilla), lines.end()) << c.status;
        EXPECT_EQ(std::find(lines.begin(), lines.end(), "X-Status: A") != lines.end(), c.answered) << c.status;
    }
    EXPECT_EQ(PriorityHeader(1), "X-Priority: 1 (Highest)");
    EXPECT_EQ(PriorityHeader(5), "X-Priority: 5 (Lowest)");
    EXPECT_FALSE(PriorityHeader(0));
    EXPECT_FALSE(PriorityHeader(6));
}

TEST(MailFormats, MboxFromLineAndQuoting) {
    const std::vector<HeaderField> both = {{"From", "Ann <ann@example.com>"}, {"Return-Path", "<bounce@example.com>"}};
    const std::vector<HeaderField> from = {{"From", "ann@example.com (Ann)"}, {"Return-Path", "<>"}};
    EXPECT_EQ(MboxFromLine(both, "Mon Dec 13 18:45:29 2010", 0), "From bounce@example.com Mon Dec 13 18:45:29 2010");
    EXPECT_EQ(MboxFromLine(from, "Tue Feb  1 08:00:00 2011", 0), "From ann@example.com Tue Feb  1 08:00:00 2011");
    // No usable sender, no arrival text: the summary's arrival time.
    EXPECT_EQ(MboxFromLine({}, "garbage", 1292265929), "From MAILER-DAEMON Mon Dec 13 18:45:29 2010");
    EXPECT_EQ(ArrivalSeconds("Mon Dec 13 18:45:29 2010"), 1292265929);
    EXPECT_FALSE(ArrivalSeconds("Mon Dex 13 18:45:29 2010"));
    EXPECT_FALSE(ArrivalSeconds("Mon Dec 13 18:45:29 2010 extra"));

    std::string out;
    AppendFromQuoted(out, "From me\nnot From\n>From x\n>>From y\nFromage\n>Fro\nFrom");
    EXPECT_EQ(out, ">From me\nnot From\n>>From x\n>>>From y\nFromage\n>Fro\nFrom");
}

TEST(MailFormats, NamesOnDisk) {
    struct Case { std::string in, out; };
    const Case cases[] = {
        {"In", "In"}, {"a/b\\c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j"}, {".hidden", "_hidden"}, {"  Trailing dots. . ", "Trailing dots"},
        {"Caf\xC3\xA9", "Caf\xC3\xA9"}, {"tab\there", "tab_here"}, {"", "Mailbox"}, {"...", "Mailbox"},
    };
    for (const Case& c : cases) EXPECT_EQ(SafeName(c.in, "Mailbox"), c.out) << c.in;
    EXPECT_EQ(SafeName(std::string(300, 'x'), "").size(), 200u);
    EXPECT_EQ(SafeName(std::string(199, 'x') + "\xC3\xA9", "").size(), 199u);  // never half a character
    EXPECT_EQ(EmlFileName(7, 4, "Re: Lunch?"), "0007 Re_ Lunch_.eml");
    EXPECT_EQ(EmlFileName(12345, 5, ""), "12345.eml");
    EXPECT_EQ(MaildirFileName(1292265929, 3, "host/a:b", FlagsOfStatus(2)), "1292265929.L3.host\\057a\\072b:2,RS");
    SiblingNames names;
    names.Reserve("export-report.txt");
    EXPECT_EQ(names.Take("Work"), "Work");
    EXPECT_EQ(names.Take("WORK"), "WORK (2)");
    EXPECT_EQ(names.Take("Work"), "Work (3)");
    EXPECT_EQ(names.Take("Export-Report.txt"), "Export-Report.txt (2)");
}

}  // namespace
}  // namespace ledgerly
