// Throughput of the body transforms and the CRC-32 on in-memory texts, with
// the reference versions of the transforms (the rules done step by step, as
// the tests compare against) beside them. Run by hand:
//   build/bench/bin/transforms_bench [--benchmark_filter=StripHtml]
// Bytes per second are of the input; MB = 10^6 bytes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "body/BodyTransforms.h"
#include "body/StripHtml.h"
#include "flagging/cCRC.h"
#include "tests/body/ReferenceTransforms.h"

namespace {

using namespace ledgerly;

const char* const kWords[] = {"budget", "meeting", "report", "schedule", "invoice", "project", "travel", "review", "draft",
                              "contract", "server", "backup", "holiday", "release", "agenda", "minutes", "offer", "order",
                              "the", "a", "and", "of", "to", "in", "for", "is", "on", "with", "caf\xE9", "na\xEFve"};

class Writer {
public:
    explicit Writer(std::uint32_t seed) : rng_(seed) {}
    int Pick(int n) { return static_cast<int>(rng_() % static_cast<std::uint32_t>(n)); }
    std::string Sentence() {
        std::string s;
        for (int w = 0, n = 6 + Pick(12); w < n; ++w) {
            if (w) s += ' ';
            s += kWords[Pick(static_cast<int>(std::size(kWords)))];
        }
        return s + ". ";
    }
    // Text wrapped at about 72 columns with CR LF.
    std::string Paragraph(int sentences) {
        std::string p, line;
        for (int s = 0; s < sentences; ++s) {
            for (std::string word; const char c : Sentence() + " ") {
                if (c != ' ') { word += c; continue; }
                if (line.size() + word.size() > 72) { p += line + "\r\n"; line.clear(); }
                if (!word.empty()) line += (line.empty() ? "" : " ") + word;
                word.clear();
            }
        }
        return p + line;
    }
    std::string Link() { return "http://www.example.com/" + std::string(kWords[Pick(18)]) + "/" + std::to_string(Pick(10000)) + ".html"; }

private:
    std::mt19937 rng_;
};

// Three kinds of HTML mail: a newsletter (head, style, tables, images,
// entities, a script), a reply from a desktop mail program (divs and fonts
// around every line, a quoted original) and the plain paragraphs the large
// sample mailbox wraps in <p>.
std::string Newsletter(Writer& w) {
    std::string h = "<x-html>\r\n<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n<html><head>\r\n"
                    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">\r\n<title>Monthly news</title>\r\n"
                    "<style type=\"text/css\">\r\nbody { font-family: Arial, Helvetica; font-size: 12px; }\r\n"
                    "td.item { padding: 8px; border-bottom: 1px solid #cccccc; }\r\n</style>\r\n</head>\r\n"
                    "<body bgcolor=\"#ffffff\" leftmargin=\"0\" topmargin=\"0\">\r\n"
                    "<table width=\"600\" cellpadding=\"0\" cellspacing=\"0\" border=\"0\" align=\"center\">\r\n";
    for (int i = 0, n = 4 + w.Pick(8); i < n; ++i) {
        h += "<tr><td class=\"item\"><a href=\"" + w.Link() + "\"><img src=\"http://img.example.com/" + std::to_string(i) +
             ".gif\" width=\"120\" height=\"90\" border=\"0\" alt=\"\"></a></td>\r\n<td class=\"item\"><font face=\"Arial\" size=\"2\"><b>" +
             w.Sentence() + "</b><br>\r\n" + w.Paragraph(2 + w.Pick(3)) + "&nbsp;<a href=\"" + w.Link() +
             "\">Read&nbsp;more&nbsp;&raquo;</a></font></td></tr>\r\n";
    }
    h += "</table>\r\n<p align=\"center\"><font size=\"1\">You get this mail because you asked for it. &copy; 2010 Example &amp; Co.</font></p>\r\n"
         "<script type=\"text/javascript\">var _track = new Image(); _track.src = \"http://t.example.com/o.gif?id=42\";</script>\r\n"
         "</body></html>\r\n</x-html>\r\n";
    return h;
}

std::string Reply(Writer& w) {
    std::string h = "<x-html>\r\n<html><head><meta content=\"text/html; charset=iso-8859-1\" http-equiv=Content-Type></head>\r\n<body>\r\n";
    for (int i = 0, n = 3 + w.Pick(6); i < n; ++i)
        h += "<div><font face=Arial size=2>" + w.Sentence() + w.Sentence() + "</font></div>\r\n<div>&nbsp;</div>\r\n";
    h += "<blockquote style=\"PADDING-LEFT: 5px; MARGIN-LEFT: 5px; BORDER-LEFT: #000000 2px solid\">\r\n"
         "<div style=\"FONT: 10pt arial\">----- Original Message ----- </div>\r\n<div><b>From:</b> <a href=\"mailto:bob@example.net\">Bob</a></div>\r\n";
    for (int i = 0, n = 2 + w.Pick(6); i < n; ++i) h += "<div><font face=Arial size=2>" + w.Paragraph(1) + "</font></div>\r\n";
    return h + "</blockquote></body></html>\r\n</x-html>\r\n";
}

std::string Paragraphs(Writer& w) {
    std::string h = "<x-html>\r\n<html><body>\r\n";
    for (int i = 0, n = 3 + w.Pick(12); i < n; ++i) h += "<p>" + w.Paragraph(2 + w.Pick(5)) + "</p>\r\n";
    return h + "<p><a href=\"" + w.Link() + "\">more</a></p>\r\n</body></html>\r\n</x-html>\r\n";
}

struct Corpus {
    std::vector<std::string> bodies;
    std::int64_t bytes = 0;
    void Add(std::string body) {
        bytes += static_cast<std::int64_t>(body.size());
        bodies.push_back(std::move(body));
    }
};

const Corpus& HtmlMail() {
    static const Corpus corpus = [] {
        Writer w(1);
        Corpus c;
        for (int i = 0; c.bytes < (2 << 20); ++i) c.Add(i % 3 == 0 ? Newsletter(w) : i % 3 == 1 ? Reply(w) : Paragraphs(w));
        return c;
    }();
    return corpus;
}

const Corpus& PlainMail() {
    static const Corpus corpus = [] {
        Writer w(2);
        Corpus c;
        while (c.bytes < (2 << 20)) {
            std::string body;
            for (int p = 0, n = 3 + w.Pick(12); p < n; ++p) body += w.Paragraph(2 + w.Pick(5)) + "\r\n\r\n";
            c.Add(std::move(body));
        }
        return c;
    }();
    return corpus;
}

// Quoted-printable as mail programs write it: lines cut at 76 columns with a
// soft break, 8-bit letters and "=" escaped.
const Corpus& QuotedPrintableMail() {
    static const Corpus corpus = [] {
        Corpus c;
        for (const std::string& text : PlainMail().bodies) {
            std::string qp;
            std::size_t column = 0;
            for (const char ch : text) {
                if (ch == '\r' || ch == '\n') { qp += ch; column = 0; continue; }
                if (column >= 73) { qp += "=\r\n"; column = 0; }
                const auto b = static_cast<unsigned char>(ch);
                if (b >= 127 || ch == '=') {
                    static const char* hex = "0123456789ABCDEF";
                    qp += {'=', hex[b >> 4], hex[b & 15]};
                    column += 3;
                } else {
                    qp += ch;
                    ++column;
                }
            }
            c.Add(std::move(qp));
        }
        return c;
    }();
    return corpus;
}

using Transform = std::string (*)(std::string_view);

void RunOver(benchmark::State& state, const Corpus& corpus, Transform transform) {
    for (auto _ : state)
        for (const std::string& body : corpus.bodies) benchmark::DoNotOptimize(transform(body));
    state.SetBytesProcessed(state.iterations() * corpus.bytes);
}

void StripHtml_HtmlMail(benchmark::State& s) { RunOver(s, HtmlMail(), [](std::string_view t) { return StripHtml(t); }); }
void StripHtml_PlainMail(benchmark::State& s) { RunOver(s, PlainMail(), [](std::string_view t) { return StripHtml(t); }); }
void DecodeQuotedPrintable_QpMail(benchmark::State& s) {
    RunOver(s, QuotedPrintableMail(), [](std::string_view t) { return DecodeQuotedPrintable(t); });
}
void Rot13_PlainMail(benchmark::State& s) { RunOver(s, PlainMail(), [](std::string_view t) { return Rot13(t); }); }

void Reference_StripHtml_HtmlMail(benchmark::State& s) { RunOver(s, HtmlMail(), [](std::string_view t) { return reference::StripHtml(t); }); }
void Reference_StripHtml_PlainMail(benchmark::State& s) { RunOver(s, PlainMail(), [](std::string_view t) { return reference::StripHtml(t); }); }
void Reference_DecodeQuotedPrintable_QpMail(benchmark::State& s) {
    RunOver(s, QuotedPrintableMail(), [](std::string_view t) { return reference::DecodeQuotedPrintable(t); });
}
void Reference_Rot13_PlainMail(benchmark::State& s) { RunOver(s, PlainMail(), [](std::string_view t) { return reference::Rot13(t); }); }

BENCHMARK(StripHtml_HtmlMail);
BENCHMARK(StripHtml_PlainMail);
BENCHMARK(DecodeQuotedPrintable_QpMail);
BENCHMARK(Rot13_PlainMail);
BENCHMARK(Reference_StripHtml_HtmlMail);
BENCHMARK(Reference_StripHtml_PlainMail);
BENCHMARK(Reference_DecodeQuotedPrintable_QpMail);
BENCHMARK(Reference_Rot13_PlainMail);

// One body of 4 MB made of 20,000 elements: <script> or <head> elements,
// which the stripping cuts out whole, or plain <span> elements of the same
// size, whose tags alone go. The times of the three should stay close.
std::string ManyElements(const std::string& name) {
    std::string body;
    const std::string content(60, 'x');
    const std::string text = " some text between the elements, a line of it.\r\n" + std::string(92, 'y') + "\r\n";
    for (int i = 0; i < 20000; ++i) body += "<" + name + " class=a>" + content + "</" + name + ">" + text;
    return body;
}

void RunOnce4MB(benchmark::State& state, Transform transform, const std::string& name) {
    const std::string body = ManyElements(name);
    for (auto _ : state) benchmark::DoNotOptimize(transform(body));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(body.size()));
}
void StripHtml_4MB(benchmark::State& s, const std::string& name) { RunOnce4MB(s, [](std::string_view t) { return StripHtml(t); }, name); }
void Reference_StripHtml_4MB(benchmark::State& s, const std::string& name) {
    RunOnce4MB(s, [](std::string_view t) { return reference::StripHtml(t); }, name);
}
BENCHMARK_CAPTURE(StripHtml_4MB, span, std::string("span"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StripHtml_4MB, script, std::string("script"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StripHtml_4MB, head, std::string("head"))->Unit(benchmark::kMillisecond);
// The reference removes elements in place, moving the rest of the text each
// time: one run each is enough to see it.
BENCHMARK_CAPTURE(Reference_StripHtml_4MB, span, std::string("span"))->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(Reference_StripHtml_4MB, script, std::string("script"))->Unit(benchmark::kMillisecond)->Iterations(1);

// CRC-32 over 1 MiB of random bytes (in cache) and over 64 MiB (from memory).
void Crc32(benchmark::State& state) {
    std::vector<std::uint8_t> buf(static_cast<std::size_t>(state.range(0)));
    std::mt19937 rng(3);
    for (auto& b : buf) b = static_cast<std::uint8_t>(rng());
    cCRC crc;
    for (auto _ : state) benchmark::DoNotOptimize(crc.CalculateBytes(std::span<const std::uint8_t>(buf)));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(Crc32)->Arg(1 << 20)->Arg(64 << 20);

}  // namespace

BENCHMARK_MAIN();
