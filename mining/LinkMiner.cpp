#include "mining/LinkMiner.h"

#include <unordered_set>

#include "app/Encoding.h"
#include "app/FileHelpers.h"
#include "app/TextHelpers.h"
#include "mining/LineReader.h"

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

std::string Folded(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = FoldCase(c);
    return out;
}

// One prefix of one switched-on kind, with the links it found.
struct PrefixScan {
    std::string prefix;
    std::size_t colon = 0;    // where the prefix's one ":" stands
    const char* icon = "";
    std::vector<MinerEntry> entries;
    std::size_t resumeAt = 0;  // in the current line: where the search for this prefix goes on
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
    std::unordered_set<std::string> seenTags;
    std::int64_t count = 0;
    auto countOne = [&] {
        ++count;
        context.host.Status(std::to_string(count) + " entries");
    };

    if (!scans.empty()) {
        LineReader reader(mbxPath);
        const std::int64_t size = FileSize(mbxPath);
        std::int64_t lines = 0;
        if (!reader.opened()) result.readError = reader.openError();
        std::string_view line;
        while (reader.Next(line)) {
            for (PrefixScan& s : scans) s.resumeAt = 0;
            std::size_t colon = line.find(':');
            while (colon != std::string_view::npos) {
                for (PrefixScan& s : scans) {
                    if (colon < s.colon) continue;
                    const std::size_t at = colon - s.colon;
                    if (at < s.resumeAt || !MatchesAt(line, at, s.prefix)) continue;
                    const std::size_t prefixLength = s.prefix.size();
                    s.resumeAt = at + prefixLength;
                    const std::size_t end = FirstTerminator(line, at + 1);
                    std::string link;
                    link.reserve(end - at);
                    link.push_back(s.prefix[0]);
                    link.append(line.substr(at + 1, end - at - 1));
                    if (link.size() > prefixLength) {
                        if (!seenTags.insert(Folded(link)).second) continue;
                        s.entries.push_back(MinerEntry{link.substr(prefixLength), link, s.icon});
                    }
                    countOne();  // a bare prefix counts without an entry
                }
                colon = line.find(':', colon + 1);
            }
            if (++lines % kLinesPerProgress == 0) context.host.Progress("links", reader.Position(), size, "bytes");
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
