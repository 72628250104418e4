#include "store/SampleStore.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <iterator>
#include <memory>
#include <random>

#include "app/CivilDate.h"
#include "app/Encoding.h"
#include "app/FileHelpers.h"
#include "app/SafeFiles.h"
#include "app/TextHelpers.h"
#include "app/WindowsPaths.h"
#include "store/ExampleScripts.h"
#include "store/MailboxBuilder.h"
#include "store/Mailbox.h"

namespace fs = std::filesystem;
using namespace std::string_view_literals;

namespace ledgerly {
namespace {

// ---------------------------------------------------------------------------
// Dates: every message of the sample store has a fixed date.

constexpr std::int64_t kBaseTime = 1292265929;  // Mon, 13 Dec 2010 18:45:29 UTC
constexpr std::int64_t kDay = 86400;

struct When {
    std::string rfc;        // "Mon, 13 Dec 2010 18:45:29 +0000" (Date: header)
    std::string delimiter;  // "Mon Dec 13 18:45:29 2010" (delimiter line)
    std::string summary;    // "13 Dec 2010 18:45:29 +0000" (the summary's Date text)
    std::uint32_t seconds = 0;
};

When At(std::int64_t t) {
    static const char* const kWeekdays[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};  // 1970-01-01 was a Thursday
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::int64_t days = t / kDay;
    const std::int64_t secs = t % kDay;
    const char* weekday = kWeekdays[days % 7];
    const CivilDate date = CivilFromDays(days);
    const int day = date.day, month = date.month;
    const int year = static_cast<int>(date.year);
    const int h = static_cast<int>(secs / 3600), m = static_cast<int>(secs / 60 % 60), s = static_cast<int>(secs % 60);
    char buf[64];
    When w;
    std::snprintf(buf, sizeof buf, "%s, %d %s %d %02d:%02d:%02d +0000", weekday, day, kMonths[month - 1], year, h, m, s);
    w.rfc = buf;
    std::snprintf(buf, sizeof buf, "%s %s %02d %02d:%02d:%02d %d", weekday, kMonths[month - 1], day, h, m, s, year);
    w.delimiter = buf;
    std::snprintf(buf, sizeof buf, "%d %s %d %02d:%02d:%02d +0000", day, kMonths[month - 1], year, h, m, s);
    w.summary = buf;
    w.seconds = static_cast<std::uint32_t>(t);
    return w;
}

// ---------------------------------------------------------------------------
// Summaries shaped like Eudora 7's.

std::uint32_t Fnv1a(std::string_view text) {
    std::uint32_t h = 2166136261u;
    for (char c : text) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    return h;
}

void PutLe32(char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Arrival time in bytes 8-11 and 46-49, the attachment bit, and the binary
// tail of bytes 178-217 (window position unset, no label, server hash, id).
void ShapeSummary(MessageSummary& s, std::string_view text, std::uint32_t arrival, bool attachments) {
    PutLe32(s.Reserved8.data(), arrival);
    PutLe32(s.Date.data() + 28, arrival);
    s.AttachmentFlags = 0;
    s.SetHasAttachments(attachments);
    for (int i = 0; i < 8; ++i) s.Reserved178[static_cast<std::size_t>(i)] = static_cast<char>(0xFF);
    s.Reserved178[8] = s.Reserved178[9] = 0;
    std::memset(s.Reserved188.data(), 0, s.Reserved188.size());
    PutLe32(s.Reserved188.data(), Fnv1a(text));
    PutLe32(s.Reserved188.data() + 4, Fnv1a(text.substr(0, std::min<std::size_t>(text.size(), 200))) ^ 0x5A5A5A5Au);
}

// LF line ends of a literal become CR LF.
std::string Crlf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') out += "\r\n";
        else out.push_back(c);
    }
    return out;
}

struct Mail {
    std::vector<std::string> headers;  // without the Date: line, which is added from `time`
    std::string body;                  // LF line ends; turned into CR LF
    std::string who, subject;          // the summary's texts (Windows-1252)
    std::int64_t time = kBaseTime;
    std::int16_t status = 1;
    std::int16_t priority = 3;
    bool attachments = false;
    std::string delimiterDate;         // empty: from `time`
    bool bodyIsRaw = false;            // body used as it stands (no CR LF conversion)
};

std::string TextOf(const Mail& m) {
    const When w = At(m.time);
    std::vector<std::string> headers = m.headers;
    headers.insert(headers.begin() + (headers.empty() ? 0 : 1), "Date: " + w.rfc);
    return ComposeMessage(headers, m.bodyIsRaw ? m.body : Crlf(m.body), m.delimiterDate.empty() ? w.delimiter : m.delimiterDate);
}

// Adds the mail; returns its 1-based summary number.
std::int32_t AddMail(MailboxBuilder& b, const Mail& m) {
    const std::string text = TextOf(m);
    const When w = At(m.time);
    b.Add(text, m.who, m.subject, w.summary, m.status, m.priority);
    ShapeSummary(b.Summary(b.Count() - 1), text, w.seconds, m.attachments);
    return static_cast<std::int32_t>(b.Count());
}

std::string Received(std::int64_t t, std::string_view from, std::string_view by) {
    return "Received: from " + std::string(from) + " by " + std::string(by) + " with ESMTP id " +
           std::to_string(Fnv1a(std::to_string(t) + std::string(from)) % 100000000u) + "; " + At(t - 7).rfc;
}

Status MakeFolder(const std::string& path) {
    std::error_code ec;
    fs::create_directories(FsPath(path), ec);
    if (ec) return Status::Fail("Cannot create the folder '" + path + "': " + ec.message() + ".");
    return {};
}

Status WriteText(const std::string& path, std::string_view bytes) { return WriteWholeFileChecked(path, bytes); }

// ---------------------------------------------------------------------------
// The mailboxes of the sample store.

struct Store {
    std::string folder;  // ending in the separator
    PathMapper mapper;
    SampleStoreInfo info;

    // `relative` is written with "/"; the path takes the platform's separator.
    std::string Local(std::string relative) const {
        std::replace(relative.begin(), relative.end(), '/', kPathSeparator);
        return folder + relative;
    }
    std::string ForMail(const std::string& relative) const { return mapper.ForMail(Local(relative)); }

    Status Write(const MailboxBuilder& b, const std::string& relativePair) {
        if (Status s = b.Write(Local(relativePair)); !s) return s;
        info.mailboxes.push_back(Local(relativePair) + "mbx");
        return {};
    }
};

Status WriteIn(Store& st) {
    MailboxBuilder b;
    b.Name("In").Type(0);
    std::int64_t t = kBaseTime - 40 * kDay;
    auto next = [&t](std::int64_t hours) { t += hours * 3600 + 37; return t; };
    const std::string mbx = st.Local("In.mbx");

    Mail welcome;
    welcome.time = next(0);
    welcome.headers = {Received(welcome.time, "mail.example.com (mail.example.com [192.0.2.10])", "pop.example.org"),
                       "Return-Path: <anna.berg@example.com>", "From: Anna Berg <anna.berg@example.com>",
                       "To: Sam Carter <sam@example.org>", "Subject: Welcome to the team",
                       "Message-ID: <20101103.1@example.com>"};
    welcome.body =
        "Hi Sam,\n\nwelcome aboard! The handbook is at http://intranet.example.com/handbook and the\n"
        "secure portal at https://portal.example.com/login?user=sam&lang=en .\n"
        "Questions go to mailto:helpdesk@example.com or to me.\n\nAnna\n";
    welcome.who = "Anna Berg";
    welcome.subject = "Welcome to the team";
    AddMail(b, welcome);

    Mail html;
    html.time = next(5);
    html.headers = {Received(html.time, "smtp.example.net", "pop.example.org"), "From: \"Bob Jones\" <bob.jones@example.net>",
                    "To: sam@example.org", "Subject: Quarterly figures (HTML)", "MIME-Version: 1.0",
                    "Content-Type: text/html; charset=\"iso-8859-1\"", "Message-ID: <q3-figures@example.net>"};
    html.body =
        "<x-html>\n<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">\n<html><head><title>Figures</title></head>\n"
        "<body bgcolor=\"#ffffff\">\n<p>Hello Sam,</p>\n<p>the <b>figures</b> are on the share: "
        "<a href=\"file://///server/share/figures.xls\">file://///server/share/figures.xls</a>\n"
        "and the archive on <a href=\"ftp://ftp.example.net/pub/q3.zip\">ftp://ftp.example.net/pub/q3.zip</a>.</p>\n"
        "<table border=1><tr><td>Q3</td><td>1,234</td></tr></table>\n<p>Bob</p>\n</body></html>\n</x-html>\n";
    html.who = "Bob Jones";
    html.subject = "Quarterly figures (HTML)";
    AddMail(b, html);

    Mail qp;
    qp.time = next(20);
    qp.headers = {Received(qp.time, "mx.example.de", "pop.example.org"), "From: =?iso-8859-1?Q?J=F6rg_M=FCller?= <joerg@example.de>",
                  "To: Sam Carter <sam@example.org>", "Subject: =?iso-8859-1?Q?Gr=FC=DFe_aus_M=FCnchen?=", "MIME-Version: 1.0",
                  "Content-Type: text/plain; charset=iso-8859-1", "Content-Transfer-Encoding: quoted-printable"};
    qp.body =
        "Hallo Sam,\n\nviele Gr=FC=DFe aus M=FCnchen! Das Wetter ist sch=F6n und die Stra=DFen sind =\n"
        "voller Menschen. Die Rechnung: 2 + 2 =3D 4.\n\nBis bald,\nJ=F6rg\n";
    qp.who = "J\xF6rg M\xFCller";
    qp.subject = "Gr\xFC\xDF" "e aus M\xFCnchen";
    AddMail(b, qp);

    Mail b64;
    b64.time = next(3);
    b64.headers = {Received(b64.time, "relay.example.fr", "pop.example.org"), "From: =?utf-8?B?Wm/DqyDDhW5nc3Ryw7Zt?= <zoe@example.fr>",
                   "To: sam@example.org", "Subject: =?utf-8?B?Q2Fmw6kgY3LDqG1lICYgQnLDtnRjaGVuIOKAkyBFaW5sYWR1bmc=?=",
                   "Priority: High"};
    b64.body =
        "Sam,\n\ncall me at tel://+33-1-5555-0100 or log in with telnet://bbs.example.fr:23 .\n"
        "The discussion is in news://news.example.fr/comp.mail.eudora and nntp://news.example.fr/alt.coffee .\n\nZo\xEB\n";
    b64.who = "Zo\xEB \xC5ngstr\xF6m";
    b64.subject = "Caf\xE9 cr\xE8me & Br\xF6tchen \x96 Einladung";
    b64.priority = 2;
    AddMail(b, b64);

    Mail many;
    many.time = next(7);
    many.headers = {Received(many.time, "lists.example.org", "pop.example.org"), "From: Project List <project-list@lists.example.org>",
                    "To: alice@example.com, \"Carter, Sam\" <sam@example.org>, dev-team@example.org,",
                    "  Olga Petrova <olga.petrova@example.ru>, mike_o'neil@example.ie",
                    "Cc: Hiro Tanaka <hiro.tanaka@example.jp>, info@example.co.uk, first.last+tag@sub.example.com",
                    "Reply-To: project-list@lists.example.org", "Subject: Meeting notes and contacts"};
    many.body =
        "Contacts from today's meeting:\n  Alice <alice@example.com>\n  Bernd Vogel (bernd.vogel@example.de)\n"
        "  carla@example.it; dan@example.es\n  \"Eve Adams\" <eve.adams@example.com>\n\n"
        "Directory: ph://ph.example.org/query?name=vogel\nWho is on: finger://finger.example.org/bernd\n"
        "Recording: rtsp://media.example.org/meeting.rm\n"
        "Turn on the option: x-eudora-option:ShowAllHeaders=1\n";
    many.who = "Project List";
    many.subject = "Meeting notes and contacts";
    AddMail(b, many);

    Mail report;
    report.time = next(26);
    report.headers = {Received(report.time, "mail.example.com", "pop.example.org"), "From: Anna Berg <anna.berg@example.com>",
                      "To: sam@example.org", "Subject: Report attached", "Priority: Highest", "MIME-Version: 1.0",
                      "X-Mailer: Sample Mailer 1.0"};
    report.body = "Sam,\n\nhere is the report.\n\nAnna\n\nAttachment Converted: \"" + st.ForMail("attach/report.pdf") + "\"\n";
    report.who = "Anna Berg";
    report.subject = "Report attached";
    report.priority = 1;
    report.attachments = true;
    AddMail(b, report);

    Mail embedded;
    embedded.time = next(4);
    embedded.headers = {Received(embedded.time, "smtp.example.net", "pop.example.org"), "From: Bob Jones <bob.jones@example.net>",
                        "To: sam@example.org", "Subject: The chart", "MIME-Version: 1.0"};
    embedded.body =
        "<x-html>\n<html><body>\n<p>The chart:</p>\n<p><img src=\"cid:part1.00000001@example.net\" alt=\"chart\"></p>\n"
        "</body></html>\n</x-html>\n\nEmbedded Content: chart.png: 00000001,277bfd3a,00000000,00000000\n";
    embedded.who = "Bob Jones";
    embedded.subject = "The chart";
    AddMail(b, embedded);

    // Three identical messages (fetched three times from the server).
    Mail lunch;
    lunch.time = next(30);
    lunch.headers = {Received(lunch.time, "mail.example.com", "pop.example.org"), "From: Carol White <carol@example.com>",
                     "To: team@example.com", "Subject: Team lunch on Friday", "Message-ID: <lunch-friday@example.com>"};
    lunch.body = "Hi all,\n\nlunch on Friday at 12:30, the usual place. See http://www.example.com/menu.html\n\nCarol\n";
    lunch.who = "Carol White";
    lunch.subject = "Team lunch on Friday";
    PlantedDuplicates same{mbx, {}, true};
    for (int i = 0; i < 3; ++i) same.summaries.push_back(AddMail(b, lunch));

    // Two copies that differ only in the delimiter line (different arrival).
    Mail news;
    news.time = next(50);
    news.headers = {Received(news.time, "news.example.com", "pop.example.org"), "From: Example News <newsletter@example.com>",
                    "To: sam@example.org", "Subject: Newsletter November", "Priority: Low"};
    news.body = "This month: new offices, https://www.example.com/news/2010-11 and more.\nUnsubscribe: mailto:leave@example.com\n";
    news.who = "Example News";
    news.subject = "Newsletter November";
    news.priority = 4;
    PlantedDuplicates nearly{mbx, {}, false};
    nearly.summaries.push_back(AddMail(b, news));
    news.delimiterDate = At(news.time + 3 * 3600).delimiter;
    nearly.summaries.push_back(AddMail(b, news));

    // Broken references.
    const std::string oldInvoice = "C:\\Program Files\\Eudora\\attach\\old-invoice.doc";
    Mail invoice;
    invoice.time = next(9);
    invoice.headers = {Received(invoice.time, "billing.example.com", "pop.example.org"), "From: Billing <billing@example.com>",
                       "To: sam@example.org", "Subject: Invoice 2009-118"};
    invoice.body = "Please find the invoice attached.\n\nAttachment Converted: \"" + oldInvoice + "\"\n";
    invoice.who = "Billing";
    invoice.subject = "Invoice 2009-118";
    invoice.attachments = true;
    AddMail(b, invoice);
    st.info.brokenReferences.push_back({"old-invoice.doc", oldInvoice, mbx});

    const std::string lost = st.ForMail("attach/scan-0042.pdf");
    Mail scan;
    scan.time = next(2);
    scan.headers = {Received(scan.time, "scanner.example.org", "pop.example.org"), "From: Office Scanner <scanner@example.org>",
                    "To: sam@example.org", "Subject: Scanned document", "Priority: Lowest"};
    scan.body = "Scanned document attached.\n\nAttachment Converted: \"" + lost + "\"\n";
    scan.who = "Office Scanner";
    scan.subject = "Scanned document";
    scan.priority = 5;
    scan.attachments = true;
    AddMail(b, scan);
    st.info.brokenReferences.push_back({"scan-0042.pdf", lost, mbx});

    const std::string moved = st.ForMail("OldAttach/moved.pdf");
    Mail contract;
    contract.time = next(11);
    contract.headers = {Received(contract.time, "mail.example.com", "pop.example.org"), "From: Anna Berg <anna.berg@example.com>",
                        "To: sam@example.org", "Subject: Contract (signed)"};
    contract.body = "The signed contract.\n\nAttachment Converted: \"" + moved + "\"\n\nAnna\n";
    contract.who = "Anna Berg";
    contract.subject = "Contract (signed)";
    contract.attachments = true;
    AddMail(b, contract);
    st.info.brokenReferences.push_back({"moved.pdf", moved, mbx});

    Mail unread;
    unread.time = next(1);
    unread.headers = {Received(unread.time, "mail.example.net", "pop.example.org"), "From: dave@example.net", "To: sam@example.org",
                      "Subject: "};
    unread.body = "No subject, not read yet.\n";
    unread.who = "dave@example.net";
    unread.subject = "";
    unread.status = 0;
    AddMail(b, unread);

    st.info.duplicates.push_back(same);
    st.info.duplicates.push_back(nearly);
    return st.Write(b, "In.");
}

Status WriteOut(Store& st) {
    MailboxBuilder b;
    b.Name("Out").Type(1);
    std::int64_t t = kBaseTime - 30 * kDay;

    Mail reply;
    reply.time = t;
    reply.headers = {"To: Anna Berg <anna.berg@example.com>", "From: Sam Carter <sam@example.org>", "Subject: Re: Welcome to the team",
                     "X-Mailer: QUALCOMM Windows Eudora Version 7.1.0.9"};
    reply.body = "Thank you, Anna! See you on Monday.\n\n> welcome aboard!\n\nSam\n";
    reply.who = "Anna Berg";
    reply.subject = "Re: Welcome to the team";
    reply.status = 8;
    AddMail(b, reply);

    Mail sent;
    sent.time = t + 2 * kDay;
    const std::string xatt = st.ForMail("attach/report.pdf") + "; " + st.ForMail("attach/budget.xls") + ";";
    sent.headers = {"To: Bob Jones <bob.jones@example.net>, carla@example.it", "From: Sam Carter <sam@example.org>",
                    "Subject: Report and budget", "Cc: anna.berg@example.com", "X-Attachments: " + xatt};
    sent.body = "Bob, Carla,\n\nthe report and the budget are attached.\n\nSam\n";
    sent.who = "Bob Jones";
    sent.subject = "Report and budget";
    sent.status = 8;
    sent.attachments = true;
    AddMail(b, sent);

    Mail html;
    html.time = t + 5 * kDay;
    html.headers = {"To: team@example.com", "From: Sam Carter <sam@example.org>", "Subject: Party invitation", "Priority: High"};
    html.body =
        "<x-html>\n<html><body><h1>Party!</h1><p>Friday 18:00, see <a href=\"https://party.example.org/\">the page</a>.</p>"
        "</body></html>\n</x-html>\n";
    html.who = "team@example.com";
    html.subject = "Party invitation";
    html.status = 8;
    html.priority = 2;
    AddMail(b, html);

    Mail queued;
    queued.time = t + 6 * kDay;
    queued.headers = {"To: olga.petrova@example.ru", "From: Sam Carter <sam@example.org>", "Subject: Draft: travel plans"};
    queued.body = "Olga,\n\nthe flight is booked; details follow.\n";
    queued.who = "olga.petrova@example.ru";
    queued.subject = "Draft: travel plans";
    queued.status = 9;  // unsent
    AddMail(b, queued);
    return st.Write(b, "Out.");
}

Status WriteTrash(Store& st) {
    MailboxBuilder b;
    b.Name("Trash").Type(2);
    Mail old;
    old.time = kBaseTime - 100 * kDay;
    old.headers = {Received(old.time, "mail.example.com", "pop.example.org"), "From: Carol White <carol@example.com>",
                   "To: sam@example.org", "Subject: Old thread"};
    old.body = "Deleted long ago.\n";
    old.who = "Carol White";
    old.subject = "Old thread";
    AddMail(b, old);
    Mail promo;
    promo.time = kBaseTime - 90 * kDay;
    promo.headers = {Received(promo.time, "promo.example.biz", "pop.example.org"), "From: Shop <deals@example.biz>",
                     "To: sam@example.org", "Subject: Last chance!"};
    promo.body = "<x-html>\n<html><body><p>Buy now at <a href=\"http://shop.example.biz/\">our shop</a></p></body></html>\n</x-html>\n";
    promo.who = "Shop";
    promo.subject = "Last chance!";
    AddMail(b, promo);
    return st.Write(b, "Trash.");
}

Status WriteJunk(Store& st) {
    MailboxBuilder b;
    b.Name("Junk").Type(3);
    Mail spam;
    spam.time = kBaseTime - 5 * kDay;
    spam.headers = {Received(spam.time, "unknown (198.51.100.7)", "pop.example.org"), "From: \"Prize Office\" <winner@example.info>",
                    "To: undisclosed-recipients:;", "Subject: =?iso-8859-1?Q?You_have_won_=80_1.000.000?="};
    spam.body =
        "Claim your prize at http://claim.example.info/?id=123 or https://secure.example.info/claim\n"
        "Write to claims@example.info, payments@example.info or agent007@example.info.\n";
    spam.who = "Prize Office";
    spam.subject = "You have won \x80 1.000.000";
    spam.priority = 5;
    AddMail(b, spam);
    Mail pharma;
    pharma.time = kBaseTime - 4 * kDay;
    pharma.headers = {Received(pharma.time, "unknown (203.0.113.9)", "pop.example.org"), "From: offers@example.biz",
                      "To: sam@example.org", "Subject: Cheap offers"};
    pharma.body = "<x-html>\n<html><body><a href=\"http://offers.example.biz/a\">Offer A</a> <a href=\"http://offers.example.biz/b\">Offer B</a>"
                  "</body></html>\n</x-html>\n";
    pharma.who = "offers@example.biz";
    pharma.subject = "Cheap offers";
    AddMail(b, pharma);
    return st.Write(b, "Junk.");
}

// A mailbox whose HTML message runs straight into the next delimiter line.
Status WriteGlued(Store& st) {
    MailboxBuilder b;
    b.Name("Glued").Type(3);
    Mail first;
    first.time = kBaseTime - 3 * kDay;
    first.headers = {Received(first.time, "smtp.example.net", "pop.example.org"), "From: Bob Jones <bob.jones@example.net>",
                     "To: sam@example.org", "Subject: Glued HTML"};
    first.body = Crlf("<x-html>\n<html><body><p>This message ends without a line break.</p></body></html>\n") + "</x-html>";
    first.bodyIsRaw = true;
    first.who = "Bob Jones";
    first.subject = "Glued HTML";
    AddMail(b, first);
    Mail second;
    second.time = kBaseTime - 2 * kDay;
    second.headers = {Received(second.time, "mail.example.com", "pop.example.org"), "From: Anna Berg <anna.berg@example.com>",
                      "To: sam@example.org", "Subject: After the glued one"};
    second.body = "This message's delimiter line follows \"</x-html>\" on the same line.\n";
    second.who = "Anna Berg";
    second.subject = "After the glued one";
    AddMail(b, second);
    Mail third;
    third.time = kBaseTime - kDay;
    third.headers = {Received(third.time, "mail.example.com", "pop.example.org"), "From: Anna Berg <anna.berg@example.com>",
                     "To: sam@example.org", "Subject: A normal one"};
    third.body = "Separated as it should be.\n";
    third.who = "Anna Berg";
    third.subject = "A normal one";
    AddMail(b, third);
    return st.Write(b, "Glued.");
}

// Every form in which Eudora stores what a mail export must rebuild:
// multipart bodies flattened under a stale boundary, <x-html>, <x-flowed>
// and <x-rich> texts, attachments with non-ASCII names, images of HTML mail
// cut out into Embedded (one of them not shown by the HTML), and sent mail
// that names its files in X-Attachments.
Status WriteFriends(Store& st) {
    MailboxBuilder b;
    b.Name("Friends").Type(3);
    std::int64_t t = kBaseTime - 12 * kDay;
    auto next = [&t](std::int64_t hours) { t += hours * 3600 + 41; return t; };
    // Mail names a local file in Windows-1252, as Eudora wrote it.
    auto inMail = [&st](const std::string& relative) { return Utf8ToCp1252(st.ForMail(relative)); };

    Mail alternative;
    alternative.time = next(0);
    alternative.headers = {Received(alternative.time, "smtp.example.ch", "pop.example.org"), "From: Lea Keller <lea@example.ch>",
                           "To: Sam Carter <sam@example.org>", "Subject: Photos from Zurich", "MIME-Version: 1.0",
                           "Content-Type: multipart/alternative;", "\tboundary=\"------------090708030205040001060908\"",
                           "Content-Length: 2417", "Lines: 61"};
    alternative.body =
        "<x-html>\n<html><head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\">\n</head>\n"
        "<body>\n<p>Gr\xFC\xDF" "e aus Z\xFCrich!</p>\n<p>The photos follow in the next mail.</p>\n</body></html>\n</x-html>\n";
    alternative.who = "Lea Keller";
    alternative.subject = "Photos from Zurich";
    alternative.status = 0;
    AddMail(b, alternative);

    Mail mixed;
    mixed.time = next(2);
    mixed.headers = {Received(mixed.time, "smtp.example.ch", "pop.example.org"), "From: Lea Keller <lea@example.ch>",
                     "To: Sam Carter <sam@example.org>", "Subject: Holiday pictures and the plan", "MIME-Version: 1.0",
                     "Content-Type: multipart/mixed; boundary=\"------------050102080604030201000807\"", "Priority: High"};
    mixed.body = "Sam,\n\nthe pictures and the plan.\nFrom here on it is your turn.\n>From the hotel: nothing.\n\nLea\n\n"
                 "Attachment Converted: \"" + inMail("attach/Ferien in Z\xC3\xBCrich.jpg") + "\"\n"
                 "Attachment Converted: \"" + inMail("attach/itinerary.pdf") + "\"\n";
    mixed.who = "Lea Keller";
    mixed.subject = "Holiday pictures and the plan";
    mixed.status = 2;  // replied
    mixed.priority = 2;
    mixed.attachments = true;
    AddMail(b, mixed);

    Mail flowed;
    flowed.time = next(5);
    flowed.headers = {Received(flowed.time, "mail.example.org", "pop.example.org"), "From: Tom Reid <tom@example.org>",
                      "To: sam@example.org", "Subject: Long lines, flowed", "MIME-Version: 1.0",
                      "Content-Type: text/plain; charset=us-ascii; format=flowed"};
    flowed.body = "<x-flowed>\nThis paragraph was written as one long line and sent as format=flowed, \n"
                  "so its lines end in a space where the reader may join them again. \nThe last line ends hard.\n\n"
                  "> Quoted text keeps its marks.\n</x-flowed>\n";
    flowed.who = "Tom Reid";
    flowed.subject = "Long lines, flowed";
    flowed.status = 3;  // forwarded
    AddMail(b, flowed);

    Mail rich;
    rich.time = next(3);
    rich.headers = {Received(rich.time, "mail.example.org", "pop.example.org"), "From: Tom Reid <tom@example.org>",
                    "To: sam@example.org", "Subject: Enriched text", "MIME-Version: 1.0", "Content-Type: text/enriched"};
    rich.body = "<x-rich>\n<bold>Reminder:</bold> the <italic>meeting</italic> moved to Tuesday.\n</x-rich>\n";
    rich.who = "Tom Reid";
    rich.subject = "Enriched text";
    AddMail(b, rich);

    Mail album;
    album.time = next(8);
    album.headers = {Received(album.time, "smtp.example.ch", "pop.example.org"), "From: Lea Keller <lea@example.ch>",
                     "To: Sam Carter <sam@example.org>", "Subject: The album", "MIME-Version: 1.0",
                     "Content-Type: multipart/related; boundary=\"------------010203040506070809000102\""};
    album.body =
        "<x-html>\n<html><body>\n<p>The lake:</p><p><img src=\"cid:lake.0001@example.ch\"></p>\n"
        "<p>The old town:</p><p><img src=\"cid:town.0002@example.ch\"></p>\n</body></html>\n</x-html>\n\n"
        "Embedded Content: lake.jpg: 00000001,5a2b3c4d,00000000,00000000\n"
        "Embedded Content: town.gif: 00000002,5a2b3c4e,00000000,00000000\n"
        "Embedded Content: logo.png: 00000003,5a2b3c4f,00000000,00000000\n";
    album.who = "Lea Keller";
    album.subject = "The album";
    album.attachments = true;
    AddMail(b, album);

    Mail sent;
    sent.time = next(20);
    sent.headers = {"To: Lea Keller <lea@example.ch>", "From: Sam Carter <sam@example.org>", "Subject: Re: Holiday pictures and the plan",
                    "X-Attachments: " + inMail("attach/Pr\xC3\xA4sentation.ppt") + "; " + inMail("attach/itinerary.pdf") + ";"};
    sent.body = "Lea,\n\nthank you! My slides and the plan with my notes.\n\nSam\n";
    sent.who = "Lea Keller";
    sent.subject = "Re: Holiday pictures and the plan";
    sent.status = 8;
    sent.attachments = true;
    AddMail(b, sent);
    return st.Write(b, "Friends.");
}

Status WriteWork(Store& st) {
    {
        MailboxBuilder b;
        b.Name("Projects").Type(3);
        const char* const subjects[] = {"Project Atlas kickoff", "Atlas: milestones", "Atlas: risks"};
        for (int i = 0; i < 3; ++i) {
            Mail m;
            m.time = kBaseTime - (20 - i) * kDay;
            m.headers = {Received(m.time, "mail.example.com", "pop.example.org"), "From: Project Office <pmo@example.com>",
                         "To: atlas-team@example.com", std::string("Subject: ") + subjects[i]};
            m.body = "See https://wiki.example.com/atlas/" + std::to_string(i + 1) + " for details.\nQuestions: pmo@example.com\n";
            m.who = "Project Office";
            m.subject = subjects[i];
            m.status = static_cast<std::int16_t>(i == 0 ? 2 : 1);  // the first one was replied to
            AddMail(b, m);
        }
        if (Status s = st.Write(b, "Work.fol/Projects."); !s) return s;
    }
    MailboxBuilder b;
    b.Name("Old").Type(3).Version(0x30);
    Mail m;
    m.time = 946728000;  // Sat, 1 Jan 2000 12:00:00
    m.headers = {Received(m.time, "mail.example.com", "pop.example.org"), "From: Y2K Team <y2k@example.com>", "To: all@example.com",
                 "Subject: Happy new millennium"};
    m.body = "Everything still works.\n";
    m.who = "Y2K Team";
    m.subject = "Happy new millennium";
    m.status = 3;  // forwarded
    AddMail(b, m);
    Mail m2 = m;
    m2.time = 915192000;  // Fri, 1 Jan 1999 12:00:00
    m2.headers[3] = "Subject: Happy new year 1999";
    m2.subject = "Happy new year 1999";
    m2.status = 1;
    AddMail(b, m2);
    return st.Write(b, "Work.fol/Archive.fol/Old.");
}

bool FolderIsEmptyOrMissing(const std::string& folder) {
    std::error_code ec;
    const fs::path path = FsPath(folder);
    if (!fs::exists(path, ec)) return true;
    return fs::is_directory(path, ec) && fs::directory_iterator(path, ec) == fs::directory_iterator();
}

}  // namespace

Result<SampleStoreInfo> WriteSampleStore(const std::string& folderArg) {
    if (folderArg.empty()) return Result<SampleStoreInfo>::Fail("No folder given for the sample store.");
    std::error_code ec;
    const std::string folder = WithTrailingSeparator(PathText(fs::absolute(FsPath(folderArg), ec).lexically_normal()));
    if (!FolderIsEmptyOrMissing(folder))
        return Result<SampleStoreInfo>::Fail("The folder '" + folder + "' is not empty; the sample store is written only into a new or empty folder.");
    for (const char* sub : {"", "attach", "Embedded", "Nickname", "Scripts", "Work.fol/Archive.fol"})
        if (Status s = MakeFolder(folder + sub); !s) return s;
    if (Status s = WriteExampleScripts(folder + "Scripts"); !s) return s;

    Store st{folder, PathMapper(folder), {}};
    st.info.folder = folder;
    st.info.eudoraIni = folder + "eudora.ini";
    st.info.attachFolder = folder + "attach" + kPathSeparator;

    // Attachment files first, so that the Wine form of their paths can be found.
    struct File { const char* path; std::string_view content; };
    const File files[] = {
        {"attach/report.pdf", "%PDF-1.4\n% sample report\n1 0 obj << /Type /Catalog >> endobj\ntrailer << /Root 1 0 R >>\n%%EOF\n"sv},
        {"attach/budget.xls", "budget,2011\r\nrent,12000\r\n"sv},
        {"attach/moved.pdf", "%PDF-1.4\n% the signed contract\n%%EOF\n"sv},
        {"attach/orphan-notes.txt", "Notes whose message was deleted long ago.\r\n"sv},
        {"attach/orphan-photo.jpg", "\xFF\xD8\xFF\xE0 sample photo \xFF\xD9"sv},
        {"Embedded/chart.png", "\x89PNG\r\n\x1A\n sample chart"sv},
        {"attach/Ferien in Z\xC3\xBCrich.jpg", "\xFF\xD8\xFF\xE0 holiday picture \x00\x01\x02\xFF\xD9"sv},
        {"attach/itinerary.pdf", "%PDF-1.4\n% the itinerary\n%%EOF\n"sv},
        {"attach/Pr\xC3\xA4sentation.ppt", "\xD0\xCF\x11\xE0 slides \r\n\x00 more"sv},
        {"Embedded/lake.jpg", "\xFF\xD8\xFF\xE0 the lake \xFF\xD9"sv},
        {"Embedded/town.gif", "GIF89a the old town"sv},
        {"Embedded/logo.png", "\x89PNG\r\n\x1A\n a logo no one shows"sv},
    };
    for (const File& f : files)
        if (Status s = WriteText(st.Local(f.path), f.content); !s) return s;
    st.info.workingAttachments = {st.Local("attach/report.pdf"),      st.Local("attach/budget.xls"),
                                  st.Local("Embedded/chart.png"),     st.Local("attach/Ferien in Z\xC3\xBCrich.jpg"),
                                  st.Local("attach/itinerary.pdf"),   st.Local("attach/Pr\xC3\xA4sentation.ppt"),
                                  st.Local("Embedded/lake.jpg"),      st.Local("Embedded/town.gif"),
                                  st.Local("Embedded/logo.png")};
    st.info.movedFile = st.Local("attach/moved.pdf");
    st.info.orphanedFiles = {st.Local("attach/orphan-notes.txt"), st.Local("attach/orphan-photo.jpg")};

    for (auto* write : {&WriteIn, &WriteOut, &WriteTrash, &WriteJunk, &WriteGlued, &WriteFriends, &WriteWork})
        if (Status s = write(st); !s) return s;

    if (Status s = WriteText(folder + "descmap.pce",
                             "In,In.mbx,S,N\r\nOut,Out.mbx,S,N\r\nJunk,Junk.mbx,S,N\r\nTrash,Trash.mbx,S,N\r\n"
                             "Glued,Glued.mbx,M,N\r\nFriends,Friends.mbx,M,N\r\nWork,Work.fol,F,N\r\n");
        !s)
        return s;
    if (Status s = WriteText(st.Local("Work.fol/descmap.pce"), "Projects,Projects.mbx,M,N\r\nArchive,Archive.fol,F,N\r\n"); !s) return s;
    if (Status s = WriteText(st.Local("Work.fol/Archive.fol/descmap.pce"), "Old,Old.mbx,M,N\r\n"); !s) return s;
    const std::string ini = "[Settings]\r\nRealName=Sam Carter\r\nReturnAddress=sam@example.org\r\nAutoReceiveAttachmentsDirectory=" +
                            st.ForMail("attach") + "\r\n";
    if (Status s = WriteText(st.info.eudoraIni, ini); !s) return s;
    return std::move(st.info);
}

// ---------------------------------------------------------------------------
// Large generated mailboxes.

namespace {

const char* const kNames[] = {"Anna Berg", "Bob Jones", "Carol White", "Dan Smith", "Eve Adams", "Frank Moore", "Gina Rossi",
                              "Hiro Tanaka", "Ines Garcia", "J\xF6rg M\xFCller", "Karin Olsen", "Liam Byrne"};
const char* const kDomains[] = {"example.com", "example.org", "example.net", "example.de", "example.co.uk", "example.fr"};
const char* const kWords[] = {"budget", "meeting", "report", "schedule", "invoice", "project", "travel", "review", "draft",
                              "contract", "server", "backup", "holiday", "release", "agenda", "minutes", "offer", "order"};
const char* const kLinkForms[] = {"http://www.%s/%s.html", "https://secure.%s/%s", "mailto:%s@%s", "ftp://ftp.%s/pub/%s.zip",
                                  "file:///C:/Shared/%s/%s.doc", "news://news.%s/%s", "telnet://bbs.%s/%s", "tel://+1-555-%s-%s",
                                  "nntp://news.%s/%s", "ph://ph.%s/%s", "finger://%s/%s", "rtsp://media.%s/%s.rm",
                                  "x-eudora-option:%s=%s"};

// Room left in a padded message for its headers and the HTML or
// quoted-printable dress of its text.
constexpr std::int64_t kPaddingHeadroom = 1200;

class Generator {
public:
    explicit Generator(std::uint32_t seed) : rng_(seed) {
        // A pool of paragraphs; messages are made of them.
        for (int i = 0; i < 96; ++i) {
            std::string p;
            const int sentences = 4 + Pick(5);
            for (int s = 0; s < sentences; ++s) {
                std::string sentence;
                const int words = 8 + Pick(10);
                for (int w = 0; w < words; ++w) {
                    if (w) sentence += ' ';
                    sentence += kWords[Pick(std::size(kWords))];
                }
                sentence[0] = static_cast<char>(sentence[0] - 32);
                p += sentence + (s % 2 == 1 ? ".\r\n" : ". ");
            }
            paragraphs_.push_back(p + "\r\n");
        }
    }

    int Pick(std::size_t n) { return static_cast<int>(rng_() % n); }

    std::string Address() {
        std::string name = kWords[Pick(std::size(kWords))];
        return name + "." + std::to_string(Pick(100)) + "@" + kDomains[Pick(std::size(kDomains))];
    }

    std::string Link() {
        char buf[160];
        const char* form = kLinkForms[Pick(std::size(kLinkForms))];
        std::snprintf(buf, sizeof buf, form, kDomains[Pick(std::size(kDomains))], kWords[Pick(std::size(kWords))]);
        return buf;
    }

    std::string Paragraphs(int count) {
        std::string out;
        for (int i = 0; i < count; ++i) {
            out += paragraphs_[static_cast<std::size_t>(Pick(paragraphs_.size()))];
            if (Pick(3) == 0) out += "See " + Link() + " or write to " + Address() + ".\r\n\r\n";
        }
        return out;
    }

    std::string QuotedPrintable(const std::string& text) {
        std::string out;
        std::size_t col = 0;
        for (char c : text) {
            if (c == '\r' || c == '\n') { out.push_back(c); col = 0; continue; }
            if (col >= 72) { out += "=\r\n"; col = 0; }
            if (c == '=' || (Pick(40) == 0 && c == 'e')) {
                out += c == '=' ? "=3D" : "=E9";
                col += 3;
            } else {
                out.push_back(c);
                ++col;
            }
        }
        return out;
    }

private:
    std::mt19937 rng_;
    std::vector<std::string> paragraphs_;
};

}  // namespace

Result<GeneratedMailboxInfo> WriteGeneratedMailbox(const std::string& pairPath, std::int32_t messageCount, std::uint32_t seed,
                                                   std::int64_t targetBytes, Host* host) {
    if (messageCount < 1 || messageCount > kMaxMessageCount)
        return Result<GeneratedMailboxInfo>::Fail("A generated mailbox holds 1 to 32767 messages, not " + std::to_string(messageCount) + ".");
    if (targetBytes < 0 || targetBytes > kMaxGeneratedBytes)
        return Result<GeneratedMailboxInfo>::Fail("A generated mailbox is at most " + std::to_string(kMaxGeneratedBytes) + " bytes, not " +
                                                  std::to_string(targetBytes) + ".");
    const std::string mbxPath = pairPath + "mbx", tocPath = pairPath + "toc";
    struct Closer { void operator()(std::FILE* f) const { if (f) std::fclose(f); } };
    std::unique_ptr<std::FILE, Closer> mbx(OpenStdFile(mbxPath, "wb"));
    if (!mbx) return Result<GeneratedMailboxInfo>::Fail(CannotText("create", mbxPath, errno));

    Generator g(seed);
    GeneratedMailboxInfo info;
    std::vector<MessageSummary> summaries;
    summaries.reserve(static_cast<std::size_t>(messageCount));
    std::vector<std::pair<std::string, MessageSummary>> recent;  // candidates for duplicates
    std::int64_t offset = 0;
    std::int64_t t = kBaseTime - static_cast<std::int64_t>(messageCount) * 600;
    for (std::int32_t i = 0; i < messageCount; ++i) {
        if (host) host->Progress("sample-store", i, messageCount, "messages");
        t += 300 + g.Pick(600);
        std::string text;
        MessageSummary summary;
        const int roll = g.Pick(100);
        if (!recent.empty() && roll < 4) {
            // A duplicate of a recent message: the same bytes, or all but the delimiter line.
            const auto& [orig, origSummary] = recent[static_cast<std::size_t>(g.Pick(recent.size()))];
            text = orig;
            summary = origSummary;
            if (roll < 1) {
                const std::size_t eol = text.find("\r\n");
                text = "From ???@??? " + At(t).delimiter + text.substr(eol);
            }
            ++info.duplicates;
        } else {
            const std::string from = kNames[g.Pick(std::size(kNames))];
            const std::string fromAddr = g.Address();
            const std::string subject = std::string(kWords[g.Pick(std::size(kWords))]) + " " + kWords[g.Pick(std::size(kWords))] + " #" +
                                        std::to_string(i + 1);
            const When w = At(t);
            const int kind = g.Pick(100);
            const bool sent = g.Pick(10) == 0;
            std::vector<std::string> headers;
            if (!sent) headers.push_back(Received(t, "mx." + std::string(kDomains[g.Pick(std::size(kDomains))]), "pop.example.org"));
            headers.push_back("Date: " + w.rfc);
            headers.push_back("From: " + from + " <" + fromAddr + ">");
            std::string to = "To: " + g.Address();
            for (int k = g.Pick(5); k > 0; --k) to += ", " + g.Address();
            headers.push_back(to);
            headers.push_back("Subject: " + subject);
            headers.push_back("Message-ID: <" + std::to_string(seed) + "." + std::to_string(i) + "@generated.example>");
            const int prio = g.Pick(20);
            if (prio < 3) headers.push_back(prio == 0 ? "Priority: Highest" : prio == 1 ? "Priority: High" : "Priority: Low");
            std::string body;
            bool attach = false;
            const int paras = 6 + g.Pick(12);
            std::string plain = g.Paragraphs(paras);
            if (targetBytes > 0) {
                // Pad towards the running target, so that the end of every
                // message lies near its share and overshoots even out.
                const std::int64_t wanted = targetBytes * (i + 1) / messageCount - offset - kPaddingHeadroom;
                while (static_cast<std::int64_t>(plain.size()) < wanted) plain += g.Paragraphs(1);
            }
            if (kind < 20) {
                headers.push_back("Content-Type: text/html; charset=\"iso-8859-1\"");
                body = "<x-html>\r\n<html><body>\r\n";
                body += "<p>" + ReplaceAll(plain, "\r\n\r\n", "</p>\r\n<p>") + "</p>\r\n";
                body += "<p><a href=\"" + g.Link() + "\">more</a></p>\r\n</body></html>\r\n</x-html>\r\n";
            } else if (kind < 35) {
                headers.push_back("Content-Transfer-Encoding: quoted-printable");
                body = g.QuotedPrintable(plain);
            } else {
                body = plain;
            }
            if (kind >= 90) {
                body += "\r\nAttachment Converted: \"C:\\Eudora\\attach\\" + std::string(kWords[g.Pick(std::size(kWords))]) + "-" +
                        std::to_string(i + 1) + ".pdf\"\r\n";
                attach = true;
            }
            text = "From ???@??? " + w.delimiter + "\r\n";
            for (const std::string& h : headers) text += h + "\r\n";
            text += "\r\n" + body;
            SetTextField(summary.Who, sent ? to.substr(4, 64) : from);
            SetTextField(summary.Subject, subject);
            SetTextField(summary.Date, w.summary);
            summary.Date[w.summary.size()] = '\0';
            summary.Status = static_cast<std::int16_t>(sent ? 8 : (g.Pick(4) == 0 ? 0 : 1));
            summary.Priority = static_cast<std::int16_t>(prio == 0 ? 1 : prio == 1 ? 2 : prio == 2 ? 4 : 3);
            ShapeSummary(summary, text, w.seconds, attach);
            if (recent.size() < 16) recent.emplace_back(text, summary);
            else recent[static_cast<std::size_t>(g.Pick(recent.size()))] = {text, summary};
        }
        summary.Offset = static_cast<std::int32_t>(offset);
        summary.Length = static_cast<std::int32_t>(text.size());
        if (std::fwrite(text.data(), 1, text.size(), mbx.get()) != text.size())
            return Result<GeneratedMailboxInfo>::Fail(CannotText("write", mbxPath, errno));
        offset += static_cast<std::int64_t>(text.size());
        if (offset > 0x7FFFFFFF) return Result<GeneratedMailboxInfo>::Fail("The generated mailbox would pass 2 GB.");
        summaries.push_back(summary);
    }
    if (std::fflush(mbx.get()) != 0 || std::fclose(mbx.release()) != 0)
        return Result<GeneratedMailboxInfo>::Fail("Cannot write '" + mbxPath + "'.");

    // The TOC after the mailbox, as Eudora expects; its header from the builder.
    MailboxBuilder shape;
    shape.Name(GetFileName(pairPath.substr(0, pairPath.size() - 1), true)).Type(3);
    TocHeader header = shape.Header();
    header.MessageCount = static_cast<std::int16_t>(messageCount);
    const auto sizePlusOne = static_cast<std::uint32_t>(offset + 1);
    header.SetRecordedMailboxSize(sizePlusOne);
    const auto rawHeader = header.Serialize();
    std::string toc(rawHeader.data(), rawHeader.size());
    toc.reserve(kTocHeaderSize + summaries.size() * kSummarySize);
    for (const MessageSummary& s : summaries) {
        const auto raw = s.Serialize();
        toc.append(raw.data(), raw.size());
    }
    if (Status s = WriteWholeFileChecked(tocPath, toc); !s) return s;
    info.messages = messageCount;
    info.mailboxBytes = offset;
    return info;
}

}  // namespace ledgerly
