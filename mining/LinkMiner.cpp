#include "mining/LinkMiner.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "app/Encoding.h"
#include "app/FileHelpers.h"
#include "app/TextHelpers.h"
#include "mining/LineReader.h"
#include "mining/TextSet.h"

namespace ledgerly {
namespace {

// Carriage return, line feed, ",", space, "<", ">", backquote, "+", "|", "(",
// ")", "^", "!", "~", "$", apostrophe, double quote, tab, ";", "[", "]".
constexpr std::string_view kTerminators = "\r\n, <>`+|()^!~$'\"\t;[]";

struct CharTable {
    bool is[256] = {};
    constexpr explicit CharTable(std::string_view chars) {
        for (char c : chars) is[static_cast<unsigned char>(c)] = true;
    }
    bool operator()(char c) const { return is[static_cast<unsigned char>(c)]; }
};
constexpr CharTable kIsTerminator(kTerminators);

std::size_t FirstTerminator(std::string_view text, std::size_t from) {
    for (std::size_t i = from; i < text.size(); ++i)
        if (kIsTerminator(text[i])) return i;
    return text.size();
}

// One prefix of one switched-on kind, with the links it found.
struct PrefixScan {
    std::string prefix;
    std::size_t colon = 0;    // where the prefix's one ":" stands
    const char* icon = "";
    std::vector<MinerEntry> entries;
};

bool MatchesAt(std::string_view line, std::size_t at, std::string_view prefix) {
    if (at + prefix.size() > line.size()) return false;
    for (std::size_t k = 0; k < prefix.size(); ++k)
        if (FoldCase(line[at + k]) != prefix[k]) return false;
    return true;
}

}  // namespace

std::string MailboxNameOf(const std::string& mbxPath) {
    // Paths are UTF-8; the name goes into captions and into files Eudora
    // reads, beside the entries, so it becomes Windows-1252 like them.
    const std::string file = GetFileName(mbxPath);
    return file.size() >= 4 ? Utf8ToCp1252(file.substr(0, file.size() - 4)) : std::string();
}

const std::array<LinkKindInfo, kLinkKindCount>& LinkKinds() {
    static const std::array<LinkKindInfo, kLinkKindCount> kinds{{
        {LinkKind::EMail, "mailto", "Mail-To", {"mailto:"}, "e_mail"},
        {LinkKind::Web, "web", "HTTP", {"http://", "https://"}, "web"},
        {LinkKind::Files, "file", "Files", {"file://"}, "file"},
        {LinkKind::Ftp, "ftp", "FTP", {"ftp://"}, "ftp"},
        {LinkKind::Telnet, "telnet", "Telnet", {"tel://", "telnet://"}, "telnet"},
        {LinkKind::Usenet, "news", "Usenet Newsgroups", {"news://", "nntp://"}, "news"},
        {LinkKind::Ph, "ph", "Ph", {"ph://"}, "ph"},
        {LinkKind::Finger, "finger", "Finger", {"finger://"}, "finger"},
        {LinkKind::Rtsp, "rtsp", "RTSP", {"rtsp://"}, "rtsp"},
        {LinkKind::EudoraOptions, "options", "Eudora Options", {"x-eudora-option:"}, "x_options"},
    }};
    return kinds;
}

std::optional<LinkKind> LinkKindByName(std::string_view name) {
    if (name == "e-mail") return LinkKind::EMail;
    for (const LinkKindInfo& k : LinkKinds())
        if (name == k.name) return k.kind;
    return std::nullopt;
}

LinkSwitches OnlyKind(LinkKind kind) {
    LinkSwitches s{};
    s[static_cast<std::size_t>(kind)] = true;
    return s;
}

LinkSwitches AllKinds() {
    LinkSwitches s{};
    s.fill(true);
    return s;
}

std::string CutLinkAtTerminator(std::string_view candidate) {
    return std::string(candidate.substr(0, FirstTerminator(candidate, 0)));
}

std::optional<MinerResult> MineLinks(ToolContext& context, const std::string& mbxPath, const LinkSwitches& switches) {
    if (!FileExists(mbxPath)) return std::nullopt;

    MinerResult result;
    result.mode = MinerMode::Links;
    result.columnCaption = "URL";
    std::vector<PrefixScan> scans;
    for (const LinkKindInfo& kind : LinkKinds()) {
        if (!switches[static_cast<std::size_t>(kind.kind)]) continue;
        result.columnCaption = std::string("URL - ") + kind.columnCaption;
        for (const std::string& prefix : kind.prefixes) {
            PrefixScan scan;
            scan.prefix = prefix;  // all prefixes are lower case already
            scan.colon = prefix.find(':');
            scan.icon = kind.iconKey;
            scans.push_back(std::move(scan));
        }
    }

    // Every prefix holds exactly one ":", so one walk over the colons of a
    // line finds the occurrences of all prefixes, each prefix's in line order.
    // Tags of different prefixes never fold to the same text (no prefix
    // begins another), so one set of folded tags serves as the duplicate
    // test of every prefix, whatever order the prefixes are read in.
    TextSet seenTags;
    std::string folded;
    std::int64_t count = 0;
    auto countOne = [&] {
        ++count;
        context.host.Status(std::to_string(count) + " entries");
    };

    // The scans a colon may end the prefix of, by the byte before it (as the
    // prefixes compare it): most colons of a mailbox (headers, times) end
    // none, and are passed over with one look-up. Bits in scan order.
    std::array<std::uint32_t, 256> byByteBefore{};
    std::uint32_t atLineStart = 0;  // prefixes that begin with their colon
    for (std::size_t k = 0; k < scans.size(); ++k) {
        const PrefixScan& scan = scans[k];
        if (scan.colon == 0) {
            atLineStart |= 1u << k;
            continue;
        }
        for (int b = 0; b < 256; ++b)
            if (FoldCase(static_cast<char>(b)) == scan.prefix[scan.colon - 1]) byByteBefore[static_cast<std::size_t>(b)] |= 1u << k;
    }

    if (!scans.empty()) {
        LineReader reader(mbxPath, kRunBytes);
        const std::int64_t size = FileSize(mbxPath);
        if (!reader.opened()) result.readError = reader.openError();
        // Whole lines at a time: a prefix holds no line break, so a match
        // never spans two lines, and a link ends at a line break, which is
        // one of its terminators. No prefix can overlap an occurrence of
        // itself (its one ":" would have to fall on a byte of the other),
        // so each colon is looked at once for each prefix it may end.
        std::string_view lines;
        while (reader.NextLines(lines)) {
            for (const char* hit = static_cast<const char*>(std::memchr(lines.data(), ':', lines.size())); hit;) {
                const auto colon = static_cast<std::size_t>(hit - lines.data());
                std::uint32_t candidates = atLineStart;
                if (colon > 0) candidates |= byByteBefore[static_cast<unsigned char>(lines[colon - 1])];
                for (; candidates != 0; candidates &= candidates - 1) {
                    PrefixScan& s = scans[static_cast<std::size_t>(std::countr_zero(candidates))];
                    if (colon < s.colon) continue;
                    const std::size_t at = colon - s.colon;
                    if (!MatchesAt(lines, at, s.prefix)) continue;
                    const std::size_t prefixLength = s.prefix.size();
                    const std::size_t end = FirstTerminator(lines, at + 1);
                    std::string link;
                    link.reserve(end - at);
                    link.push_back(s.prefix[0]);
                    link.append(lines.substr(at + 1, end - at - 1));
                    if (link.size() > prefixLength) {
                        folded.assign(link);
                        for (char& c : folded) c = FoldCase(c);
                        if (!seenTags.Insert(folded)) continue;
                        s.entries.push_back(MinerEntry{link.substr(prefixLength), link, s.icon});
                    }
                    countOne();  // a bare prefix counts without an entry
                }
                hit = colon + 1 < lines.size() ? static_cast<const char*>(std::memchr(hit + 1, ':', lines.size() - colon - 1)) : nullptr;
            }
            context.host.Progress("links", reader.Position(), size, "bytes");
        }
        if (reader.failed()) result.readError = "The mailbox file '" + mbxPath + "' could not be read to its end.";
    }

    for (PrefixScan& s : scans)
        for (MinerEntry& e : s.entries) result.entries.push_back(std::move(e));

    using K = LinkKind;
    auto on = [&](K k) { return switches[static_cast<std::size_t>(k)]; };
    if (on(K::EMail) && on(K::Web) && on(K::Files) && on(K::Ftp) && on(K::Telnet) && on(K::Usenet) && on(K::EudoraOptions))
        result.columnCaption = "URL - All";
    result.columnCaption += " - " + std::to_string(result.entries.size()) + " Links";
    result.mailboxName = MailboxNameOf(mbxPath);
    result.windowCaption = "URL Miner - " + result.mailboxName;
    result.count = count;
    result.executeVisible = true;
    result.composeVisible = false;
    result.addressBookVisible = false;
    result.historyCaption = kLinkHistoryCaption;
    result.historyEnabled = FileExists(context.state.paths.LinkHistoryPath);
    return result;
}

}  // namespace ledgerly
