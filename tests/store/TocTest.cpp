#include <gtest/gtest.h>

#include <random>

#include "app/TextHelpers.h"
#include "store/MailboxBuilder.h"
#include "store/Toc.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng() & 0xFF);
    return s;
}

TEST(Toc, RecordsReadAndWrittenBackReproduceEveryByte) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::string header = RandomBytes(kTocHeaderSize, seed);
        std::string summary = RandomBytes(kSummarySize, seed + 100);
        // NUL bytes inside text fields and bytes of 0x80 and above.
        summary[60] = '\0';
        summary[61] = '\x80';
        summary[120] = '\xFF';
        const auto h = TocHeader::Parse(std::span<const char, kTocHeaderSize>(header.data(), kTocHeaderSize)).Serialize();
        const auto s = MessageSummary::Parse(std::span<const char, kSummarySize>(summary.data(), kSummarySize)).Serialize();
        EXPECT_EQ(std::string(h.data(), h.size()), header) << seed;
        EXPECT_EQ(std::string(s.data(), s.size()), summary) << seed;
    }
}

TEST(Toc, FieldsLieAtTheirOffsets) {
    std::string raw(kSummarySize, '\0');
    raw[0] = '\x10'; raw[1] = '\x27';                  // Offset 10000
    raw[4] = '\xFF'; raw[5] = '\xFF'; raw[6] = '\xFF'; raw[7] = '\xFF';  // Length -1
    raw[12] = 8;                                       // Status
    raw[15] = '\x80';                                  // AttachmentFlags
    raw[16] = 5;                                       // Priority
    raw.replace(18, 4, "Date");
    raw.replace(50, 3, "Who");
    raw.replace(114, 7, "Subject");
    const MessageSummary s = MessageSummary::Parse(std::span<const char, kSummarySize>(raw.data(), kSummarySize));
    EXPECT_EQ(s.Offset, 10000);
    EXPECT_EQ(s.Length, -1);
    EXPECT_EQ(s.Status, 8);
    EXPECT_EQ(s.AttachmentFlags, 0x80);
    EXPECT_EQ(s.Priority, 5);
    EXPECT_EQ(TrimAtNull(FieldText(s.Date)), "Date");
    EXPECT_EQ(TrimAtNull(FieldText(s.Who)), "Who");
    EXPECT_EQ(TrimAtNull(FieldText(s.Subject)), "Subject");

    std::string head(kTocHeaderSize, '\0');
    head.replace(8, 12, std::string("  Inbox\0junk", 12));
    head[40] = 1;
    head[54 + 8] = 20;   // Who width
    head[102] = '\xFF';  // MessageCount -1
    head[103] = '\xFF';
    const TocHeader h = TocHeader::Parse(std::span<const char, kTocHeaderSize>(head.data(), kTocHeaderSize));
    EXPECT_EQ(TrimAtNull(FieldText(h.MailboxName)), "Inbox");
    EXPECT_EQ(h.MailboxType, 1);
    EXPECT_EQ(h.ColumnWidths[4], 20);
    EXPECT_EQ(h.MessageCount, -1);
}

TEST(Toc, TextFieldsAreCutAndPaddedWithSpaces) {
    MessageSummary s;
    SetTextField(s.Subject, std::string(70, 's'));
    EXPECT_EQ(FieldText(s.Subject), std::string(64, 's'));
    SetTextField(s.Subject, "abc");
    EXPECT_EQ(FieldText(s.Subject), "abc" + std::string(61, ' '));
    SetTextField(s.Who, std::string("Ann\0\0", 5));  // a value's own NUL bytes stay
    EXPECT_EQ(FieldText(s.Who).substr(0, 6), std::string("Ann\0\0 ", 6));
    EXPECT_EQ(TrimAtNull(FieldText(s.Who)), "Ann");
    SetTextField(s.Date, "");
    EXPECT_EQ(FieldText(s.Date), std::string(32, ' '));
}

TEST(Toc, SummaryPositionsUseWideArithmetic) {
    EXPECT_EQ(SummaryOffset(1), 104);
    EXPECT_EQ(SummaryOffset(151) + 1, 32805);  // beyond 16 bits
    EXPECT_EQ(SummaryOffset(32767), 104 + 32766LL * 218);
}

TEST(Toc, LastSummaryOfAFullTocIsReachable) {
    MailboxBuilder b;
    for (int i = 0; i < kMaxMessageCount; ++i) b.Add("From ???@??? x\r\n\r\n", "", i == kMaxMessageCount - 1 ? "last" : "");
    auto image = TocImage::FromBytes(b.TocBytes());
    ASSERT_TRUE(image.ok());
    EXPECT_EQ(image->bytes().size(), 104u + 32767u * 218u);
    EXPECT_EQ(image->AnnouncedCount(), 32767);
    EXPECT_EQ(image->UsableCount(), 32767);
    const MessageSummary last = image->ReadSummary(32767);
    EXPECT_EQ(TrimAtNull(FieldText(last.Subject)), "last");
    EXPECT_EQ(last.Offset, 32766 * 18);
    EXPECT_EQ(TrimAtNull(FieldText(image->ReadSummary(151).Subject)), "");
    EXPECT_EQ(image->ReadSummary(151).Offset, 150 * 18);
}

TEST(Toc, CountOfZeroOrLessYieldsNoSummaries) {
    for (const std::int16_t count : {std::int16_t{0}, std::int16_t{-1}, std::int16_t{-32768}}) {
        MailboxBuilder b;
        b.Add("From ???@??? x\r\n\r\n");
        std::string bytes = b.TocBytes();
        bytes[102] = static_cast<char>(count & 0xFF);
        bytes[103] = static_cast<char>((count >> 8) & 0xFF);
        auto image = TocImage::FromBytes(bytes);
        EXPECT_EQ(image->AnnouncedCount(), count);
        EXPECT_EQ(image->UsableCount(), 0) << count;
    }
}

TEST(Toc, ShortTocReadsOnlyCompleteSummariesAndIsNeverExtended) {
    MailboxBuilder b;
    for (int i = 0; i < 5; ++i) b.Add("From ???@??? x\r\n\r\n", "", "s" + std::to_string(i + 1));
    std::string bytes = b.TocBytes();
    bytes.resize(104 + 3 * 218 + 100);  // three whole summaries and part of the fourth
    auto image = TocImage::FromBytes(bytes);
    EXPECT_EQ(image->AnnouncedCount(), 5);
    EXPECT_EQ(image->UsableCount(), 3);
    EXPECT_EQ(TrimAtNull(FieldText(image->ReadSummary(3).Subject)), "s3");
    // Reads beyond the file give an empty summary, writes change nothing.
    EXPECT_EQ(image->ReadSummary(4).Offset, 0);
    EXPECT_EQ(image->ReadSummary(0).Length, 0);
    MessageSummary s = image->ReadSummary(3);
    s.Priority = 5;
    image->WriteSummary(4, s);
    image->WriteSummary(6, s);
    image->WriteSummary(0, s);
    EXPECT_EQ(image->bytes(), bytes);
    image->WriteSummary(3, s);
    EXPECT_EQ(image->bytes().size(), bytes.size());
    EXPECT_EQ(image->ReadSummary(3).Priority, 5);
    // A file shorter than its header has no summaries.
    auto tiny = TocImage::FromBytes(std::string(50, '\x01'));
    EXPECT_FALSE(tiny->HasHeader());
    EXPECT_EQ(tiny->UsableCount(), 0);
}

TEST(Toc, SummaryWriteLeavesOtherBytesAndTheImageIsByteExact) {
    test::TempDir dir;
    MailboxBuilder b;
    b.Add("From ???@??? x\r\n\r\nA", "a").Add("From ???@??? x\r\n\r\nB", "b");
    std::string bytes = b.TocBytes();
    bytes[104 + 218 + 200] = '\xAB';  // opaque tail of summary 2
    auto image = TocImage::FromBytes(bytes);
    MessageSummary s = image->ReadSummary(2);
    SetTextField(s.Subject, "changed");
    image->WriteSummary(2, s);
    test::WriteFile(dir / "x.toc", image->bytes());
    const std::string saved = test::ReadFile(dir / "x.toc");
    ASSERT_EQ(saved.size(), bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (i < 104 + 218 + 114 || i >= 104 + 218 + 178) {
            EXPECT_EQ(saved[i], bytes[i]) << "byte " << i;
        }
    auto loaded = TocImage::Load(dir / "x.toc");
    EXPECT_EQ(TrimAtNull(FieldText(loaded->ReadSummary(2).Subject)), "changed");
    EXPECT_FALSE(TocImage::Load(dir / "missing.toc").ok());
}

}  // namespace
}  // namespace ledgerly
