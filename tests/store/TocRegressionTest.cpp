// Faults found by fuzzing the TOC reader, one test each.
#include <gtest/gtest.h>

#include "store/Toc.h"

namespace ledgerly {
namespace {

TEST(TocRegression, SummaryWriteBeyondTheAnnouncedCountLeavesTrailingBytesAlone) {
    TocHeader h;
    h.MessageCount = 1;
    const auto header = h.Serialize();
    std::string bytes(header.data(), header.size());
    bytes += std::string(kSummarySize, 'a');  // summary 1
    bytes += std::string(kSummarySize, 'b');  // bytes the header does not announce
    auto image = TocImage::FromBytes(bytes);
    image->WriteSummary(2, MessageSummary{});
    image->WriteSummary(0, MessageSummary{});
    EXPECT_EQ(image->bytes(), bytes);
    image->WriteSummary(1, MessageSummary{});
    EXPECT_EQ(image->bytes().substr(SummaryOffset(2)), std::string(kSummarySize, 'b'));
}

}  // namespace
}  // namespace ledgerly
