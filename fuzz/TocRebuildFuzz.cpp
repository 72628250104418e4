// A TOC rebuilt from arbitrary TOC and mailbox bytes: the scan does not
// depend on where its pieces break, the new TOC passes the check `verify`
// makes, every old summary is either kept or reported, and rebuilding the
// result again changes nothing.
// Input: one byte for the scan's piece size, two for the TOC's length
// (little-endian), the TOC bytes, then the mailbox bytes.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "flagging/TocRebuild.h"
#include "fuzz/FuzzHost.h"
#include "store/MessageScan.h"
#include "store/PairCheck.h"

using namespace ledgerly;

namespace {

void NoDecoding(char*) {}

void Write(const std::string& path, std::string_view bytes) {
    fuzz::WriteScratch(path, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const std::size_t piece = 1 + data[0] % 64;
    const std::size_t tocLength = std::min<std::size_t>(data[1] | (data[2] << 8), size - 3);
    const std::string_view toc(reinterpret_cast<const char*>(data) + 3, tocLength);
    const std::string_view mbx(reinterpret_cast<const char*>(data) + 3 + tocLength, size - 3 - tocLength);

    MessageStartScanner whole, pieces;
    whole.Feed(mbx);
    for (std::size_t at = 0; at < mbx.size(); at += piece) pieces.Feed(mbx.substr(at, piece));
    if (whole.Starts() != pieces.Starts()) std::abort();

    // A folder of its own, so that no other TOC file lends the new header its version.
    static const std::string folder = [] {
        const std::string f = fuzz::ScratchPath("rebuild");
        std::filesystem::create_directories(f);
        return f + "/";
    }();
    const MailboxPair pair{folder + "Box."};
    Write(pair.mbx(), mbx);
    Write(pair.toc(), toc);
    fuzz::SilentHost host;
    auto plan = PlanTocRebuild(pair, {pair.mbx(), {}, {}}, "", &NoDecoding, host);
    if (!plan) std::abort();  // a small mailbox always fits a TOC
    const TocRebuildReport& r = plan->report;

    auto reader = MailboxReader::Open(pair.mbx());
    const auto image = TocImage::FromBytes(plan->tocBytes);
    const PairReport check = CheckPairImage(*image, reader->Size(), &*reader);
    if (!check.Sound() || check.usable != r.kept + r.added) std::abort();
    const std::int64_t records = toc.size() >= kTocHeaderSize ? (static_cast<std::int64_t>(toc.size()) - 104) / 218 : 0;
    if (r.kept + static_cast<std::int64_t>(r.dropped.size()) != records) std::abort();

    Write(pair.toc(), plan->tocBytes);
    auto again = PlanTocRebuild(pair, {pair.mbx(), {}, {}}, "", &NoDecoding, host);
    if (!again || again->tocBytes != plan->tocBytes || again->report.added != 0 || !again->report.dropped.empty()) std::abort();
    return 0;
}
