#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "flagging/TocRebuild.h"
#include "store/PairCheck.h"
#include "store/SampleStore.h"
#include "tests/flagging/FlaggingFixture.h"

namespace ledgerly::test {
namespace {

// Leaves the fields as they are: what the rebuild does with a summary's
// texts is the refresh's, tested there.
void NoDecoding(char*) {}

class TocRebuildTest : public FlaggingTest {
protected:
    Result<TocRebuildPlan> Plan(const std::string& pairPath) {
        const MailboxPair p{pairPath};
        return PlanTocRebuild(p, {p.mbx(), {}, {}}, "", &NoDecoding, host);
    }
    Result<TocRebuildPlan> Plan() { return Plan(pair); }
    // The plan's TOC passes the check `verify` makes.
    static void ExpectSound(const TocRebuildPlan& plan, const std::string& pairPath) {
        auto reader = MailboxReader::Open(pairPath + "mbx");
        ASSERT_TRUE(reader.ok());
        const auto toc = TocImage::FromBytes(plan.tocBytes);
        const PairReport check = CheckPairImage(*toc, reader->Size(), &*reader);
        EXPECT_TRUE(check.Sound()) << (check.problems.empty() ? "" : check.problems.front().text);
        EXPECT_EQ(check.usable, plan.report.kept + plan.report.added);
    }
};

std::string Received(const std::string& subject) {
    return ComposeMessage({"Received: from relay by mailhost", "From: \"Ann Lee\" <ann@host>", "Subject: " + subject}, "Hello " + subject + "\r\n");
}

// Four messages of different lengths, each in a different state.
MailboxBuilder FourStates() {
    MailboxBuilder b;
    b.Name("Box").Type(3);
    const std::int16_t states[] = {2, 3, 1, 0};
    for (int i = 0; i < 4; ++i)
        b.Add(Received(std::string(static_cast<std::size_t>(i + 1), 'a' + static_cast<char>(i))), "who " + std::to_string(i),
              "subject " + std::to_string(i), "1/1/2010", states[i], static_cast<std::int16_t>(i + 1));
    for (std::size_t i = 0; i < 4; ++i) b.Summary(i).Reserved188[3] = static_cast<char>(0x40 + i);  // Eudora's own bytes
    return b;
}

TEST_F(TocRebuildTest, AConsistentTocIsReproducedByteForByte) {
    struct Case { const char* name; std::function<MailboxBuilder()> build; std::function<void(std::string& toc)> touch; };
    const Case cases[] = {
        {"states and Eudora's bytes", FourStates, {}},
        {"a message run into the line before", [] {
             MailboxBuilder b = FourStates();
             b.Add(ComposeMessage({"Subject: html"}, "<x-html>\r\n</x-html>\r\n").substr(0, 50) + "</x-html>", "a", "b");
             b.Add(Received("glued"), "c", "d", "", 2);
             return b;
         }, {}},
        {"an older TOC with no recorded size", [] { return FourStates().Version(0x30); },
         [](std::string& toc) { std::memset(toc.data() + 96, 0, 4); }},
        {"an empty mailbox", [] { return MailboxBuilder().Name("Empty"); }, {}},
    };
    for (const Case& c : cases) {
        const MailboxBuilder b = c.build();
        Write(b);
        std::string toc = b.TocBytes();
        if (c.touch) c.touch(toc);
        WriteFile(pair + "toc", toc);
        auto plan = Plan();
        ASSERT_TRUE(plan.ok()) << c.name << ": " << plan.error();
        EXPECT_EQ(plan->tocBytes, toc) << c.name;
        EXPECT_TRUE(plan->report.unchanged) << c.name;
        EXPECT_EQ(plan->report.kept, static_cast<std::int32_t>(b.Count())) << c.name;
    }
}

TEST_F(TocRebuildTest, EverySampleStoreTocIsReproducedByteForByte) {
    auto store = WriteSampleStore(dir / "store");
    ASSERT_TRUE(store.ok()) << store.error();
    for (const std::string& mbx : store->mailboxes) {
        const MailboxPair p = MailboxPair::FromMailboxPath(mbx);
        auto plan = Plan(p.pairPath);
        ASSERT_TRUE(plan.ok()) << mbx << ": " << plan.error();
        EXPECT_EQ(plan->tocBytes, ReadFile(p.toc())) << mbx;
        EXPECT_TRUE(plan->report.dropped.empty() && plan->report.added == 0) << mbx;
    }
}

TEST_F(TocRebuildTest, AChangedMailboxKeepsEveryMatchedState) {
    MailboxBuilder b = FourStates();
    std::vector<std::string> texts;
    {
        const std::string all = b.MbxBytes();
        const std::string toc = b.TocBytes();
        const auto image = TocImage::FromBytes(toc);
        for (std::int32_t k = 1; k <= 4; ++k) {
            const MessageSummary s = image->ReadSummary(k);
            texts.push_back(all.substr(static_cast<std::size_t>(s.Offset), static_cast<std::size_t>(s.Length)));
        }
    }
    const std::string sent = ComposeMessage({"To: bob@host", "Subject: sent one"}, "Hi\r\n");
    struct Case {
        const char* name;
        std::string mailbox;
        std::vector<std::int32_t> keeps;  // per message in the new file: the old summary it keeps, 0 for a new one
        std::vector<std::int16_t> newStates;
        std::vector<std::int32_t> dropped;
    };
    const Case cases[] = {
        {"appended", texts[0] + texts[1] + texts[2] + texts[3] + Received("late") + sent, {1, 2, 3, 4, 0, 0}, {12, 8}, {}},
        {"last cut", texts[0] + texts[1] + texts[2], {1, 2, 3}, {}, {4}},
        // Later messages move: their old summaries describe bytes that are not there any more.
        {"middle cut", texts[0] + texts[2] + texts[3], {1, 0, 0}, {12, 12}, {2, 3, 4}},
        {"reordered", texts[0] + texts[1] + texts[3] + texts[2], {1, 2, 0, 0}, {12, 12}, {3, 4}},
        {"sent mail put in front", sent + texts[0] + texts[1] + texts[2] + texts[3], {0, 0, 0, 0, 0}, {8, 12, 12, 12, 12}, {1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        Write(b);
        WriteFile(pair + "mbx", c.mailbox);
        auto plan = Plan();
        ASSERT_TRUE(plan.ok()) << c.name << ": " << plan.error();
        ExpectSound(*plan, pair);
        const auto toc = TocImage::FromBytes(plan->tocBytes);
        ASSERT_EQ(toc->AnnouncedCount(), static_cast<std::int32_t>(c.keeps.size())) << c.name;
        std::size_t nextNew = 0;
        for (std::int32_t k = 1; k <= toc->AnnouncedCount(); ++k) {
            MessageSummary s = toc->ReadSummary(k);
            const std::int32_t old = c.keeps[static_cast<std::size_t>(k - 1)];
            if (old > 0) {
                MessageSummary expected = b.Summary(static_cast<std::size_t>(old - 1));
                expected.Offset = s.Offset;
                expected.Length = s.Length;
                EXPECT_EQ(s.Serialize(), expected.Serialize()) << c.name << ", summary " << k;
            } else {
                EXPECT_EQ(s.Status, c.newStates.at(nextNew++)) << c.name << ", summary " << k;
            }
        }
        std::vector<std::int32_t> dropped;
        for (const auto& d : plan->report.dropped) dropped.push_back(d.summary);
        EXPECT_EQ(dropped, c.dropped) << c.name;
    }
}

TEST_F(TocRebuildTest, BadTocsAreRebuiltNeverRefused) {
    const MailboxBuilder b = FourStates();
    const std::string good = b.TocBytes();
    auto setCount = [](std::string toc, std::int16_t n) {
        toc[102] = static_cast<char>(n & 0xFF);
        toc[103] = static_cast<char>((n >> 8) & 0xFF);
        return toc;
    };
    std::string garbage(3000, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 7919u + 13u) % 251u);
    struct Case { const char* name; std::optional<std::string> toc; std::int32_t kept; bool headerKept; };
    const Case cases[] = {
        {"no TOC file", std::nullopt, 0, false},
        {"an empty TOC file", std::string(), 0, false},
        {"a TOC of 50 bytes", good.substr(0, 50), 0, false},
        {"garbage", garbage, 0, false},
        {"a count larger than the file", setCount(good, 200).substr(0, 104 + 2 * 218 + 100), 2, true},
        {"a negative count", setCount(good, -3), 4, true},
        {"a count of zero", setCount(good, 0), 4, true},
    };
    for (const Case& c : cases) {
        Write(b);
        std::filesystem::remove(pair + "toc");
        if (c.toc) WriteFile(pair + "toc", *c.toc);
        auto plan = Plan();
        ASSERT_TRUE(plan.ok()) << c.name << ": " << plan.error();
        ExpectSound(*plan, pair);
        EXPECT_EQ(plan->report.kept, c.kept) << c.name;
        EXPECT_EQ(plan->report.added, 4 - c.kept) << c.name;
        EXPECT_EQ(plan->report.headerKept, c.headerKept) << c.name;
        EXPECT_EQ(plan->report.tocExisted, c.toc.has_value()) << c.name;
        const TocHeader h = TocImage::FromBytes(plan->tocBytes)->ReadHeader();
        EXPECT_EQ(h.RecordedMailboxSize(), b.MbxBytes().size() + 1) << c.name;
        if (!c.headerKept) {
            EXPECT_EQ(Shown(h.MailboxName), "Box") << c.name;
        }
    }
}

TEST_F(TocRebuildTest, AMadeHeaderTakesTypeFromTheNameAndVersionFromTheFolder) {
    // Two older TOC files and one of Eudora 7 beside the mailbox: the older version wins.
    const std::array<std::int16_t, 8> widths{1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_TRUE(MailboxBuilder().Version(0x30).Widths(widths).Write(dir / "A.").ok());
    ASSERT_TRUE(MailboxBuilder().Version(0x31).Write(dir / "B.").ok());
    ASSERT_TRUE(MailboxBuilder().Version(0x30).Write(dir / "C.").ok());
    struct Case { const char* name; std::int16_t type; };
    for (const Case& c : {Case{"In", 0}, Case{"OUT", 1}, Case{"Trash", 2}, Case{"Inbox", 2}}) {
        const std::string p = dir / (std::string(c.name) + ".");
        WriteFile(p + "mbx", Received("x"));
        auto plan = Plan(p);
        ASSERT_TRUE(plan.ok()) << plan.error();
        const TocHeader h = TocImage::FromBytes(plan->tocBytes)->ReadHeader();
        EXPECT_EQ(h.MailboxType, c.type) << c.name;
        EXPECT_EQ(h.Version(), 0x30) << c.name;
        EXPECT_EQ(h.ColumnWidths, widths) << c.name;
        EXPECT_EQ(std::string(h.MailboxName.data()), c.name);
        EXPECT_EQ(h.MessageCount, 1);
    }
}

TEST_F(TocRebuildTest, ANewSummaryIsMadeFromTheHeadersAsEudora7WritesIt) {
    const std::string received = ComposeMessage({"Received: from relay by mailhost", "From: \"Ann Lee\" <ann@host>", "To: sam@host",
                                                 "Date: Mon, 12 Jan 2004 15:05:09 +0100", "Priority: High", "Subject: Plans",
                                                 "X-Attachments: C:\\plan.doc;"},
                                                "Body\r\n");
    const MessageSummary r = NewSummary(received, &NoDecoding);
    EXPECT_EQ(r.Status, 12);
    EXPECT_EQ(Shown(r.Who), "Ann Lee");
    EXPECT_EQ(Shown(r.Subject), "Plans");
    EXPECT_EQ(Shown(r.Date), "03:05 PM 1/12/2004");
    EXPECT_EQ(r.Priority, 2);
    EXPECT_EQ(r.AttachmentFlags, 0x80);
    MessageSummary zero;
    const auto bytes = r.Serialize(), none = zero.Serialize();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i >= 12 && i < 178) continue;  // the fields the refresh computes
        EXPECT_EQ(bytes[i], i < 186 && i >= 178 ? '\xFF' : none[i]) << "byte " << i;
    }

    const MessageSummary s = NewSummary(ComposeMessage({"From: sam@host", "To: Bob <bob@host>"}, "Hi\r\n"), &NoDecoding);
    EXPECT_EQ(s.Status, 8);
    EXPECT_EQ(Shown(s.Who), "Bob <bob@host>");
    EXPECT_EQ(Shown(s.Subject), "(no subject)");
    EXPECT_EQ(s.Priority, 3);
    EXPECT_EQ(s.AttachmentFlags, 0);
}

TEST_F(TocRebuildTest, BytesBeforeTheFirstMessageAreReportedNotDescribed) {
    // The first delimiter starts a message even when it is run into what comes before.
    for (const std::string stray : {"stray\r\n", "stray</x-html>"}) {
        Write(FourStates());
        WriteFile(pair + "mbx", stray + FourStates().MbxBytes());
        auto plan = Plan();
        ASSERT_TRUE(plan.ok());
        ExpectSound(*plan, pair);
        EXPECT_EQ(plan->report.uncoveredBytes, static_cast<std::int64_t>(stray.size())) << stray;
        EXPECT_EQ(plan->report.added, 4) << stray;
    }
}

TEST_F(TocRebuildTest, AStopRequestChangesNothing) {
    // Stops on its `stopAt`th look: in the question's first pass, or in the
    // pass under the lock, after the backups.
    struct StoppingHost : FakeHost {
        using FakeHost::FakeHost;
        int looks = 0, stopAt = 0;
        bool StopRequested() override { return ++looks >= stopAt; }
    } stopping(state);
    const MailboxBuilder b = FourStates();
    for (int stopAt : {1, 5}) {
        Write(b);
        const std::string toc = b.TocBytes().substr(0, 200);
        WriteFile(pair + "toc", toc);
        stopping.looks = 0;
        stopping.stopAt = stopAt;
        ToolContext stoppable{state, stopping};
        auto r = RebuildToc(stoppable, pair + "mbx", false, &NoDecoding);
        ASSERT_FALSE(r.ok()) << stopAt;
        EXPECT_NE(r.error().find("Stopped. Nothing was changed"), std::string::npos) << r.error();
        EXPECT_EQ(ReadFile(pair + "toc"), toc) << stopAt;
        EXPECT_EQ(ReadFile(pair + "mbx"), b.MbxBytes()) << stopAt;
        EXPECT_EQ(std::filesystem::exists(pair + "toc.1"), stopAt == 5) << stopAt;
        EXPECT_EQ(std::filesystem::exists(pair + "mbx.1"), stopAt == 5) << stopAt;
    }
}

}  // namespace
}  // namespace ledgerly::test
