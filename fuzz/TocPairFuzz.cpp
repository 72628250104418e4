// Arbitrary TOC bytes and mailbox size: the reader never reads outside the
// file, records round-trip byte for byte, and a pair the check accepts has
// every summary inside the mailbox file.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "store/PairCheck.h"
#include "store/Toc.h"

using namespace ledgerly;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    std::uint32_t mbxSize = 0;
    std::memcpy(&mbxSize, data, 4);
    auto image = TocImage::FromBytes(std::string(reinterpret_cast<const char*>(data + 4), size - 4));
    const TocImage& toc = *image;
    const std::int32_t usable = toc.UsableCount();
    if (usable < 0 || usable > kMaxMessageCount) std::abort();
    if (usable > 0 && static_cast<std::int64_t>(toc.bytes().size()) < SummaryOffset(usable + 1)) std::abort();
    if (toc.HasHeader()) {
        const auto raw = toc.ReadHeader().Serialize();
        if (std::memcmp(raw.data(), toc.bytes().data(), raw.size()) != 0) std::abort();
    }
    for (std::int32_t k = 1; k <= usable; ++k) {
        const auto raw = toc.ReadSummary(k).Serialize();
        if (std::memcmp(raw.data(), toc.bytes().data() + SummaryOffset(k), raw.size()) != 0) std::abort();
    }
    const PairReport report = CheckPairImage(toc, mbxSize, nullptr);
    if (report.Consistent()) {
        if (report.usable != std::max<std::int32_t>(report.announced, 0)) std::abort();
        for (std::int32_t k = 1; k <= usable; ++k) {
            const MessageSummary s = toc.ReadSummary(k);
            if (s.Offset < 0 || s.Length < 0 || static_cast<std::int64_t>(s.Offset) + s.Length > mbxSize) std::abort();
        }
    }
    if (report.uncoveredBytes < 0 || report.uncoveredBytes > mbxSize) std::abort();
    // Writing a summary back never extends the image.
    TocImage copy = toc;
    if (usable > 0) copy.WriteSummary(usable, toc.ReadSummary(usable));
    copy.WriteSummary(usable + 1, MessageSummary{});
    if (copy.bytes() != toc.bytes()) std::abort();
    return 0;
}
