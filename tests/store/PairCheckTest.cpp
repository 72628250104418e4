#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "store/MailboxBuilder.h"
#include "store/PairCheck.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

MailboxBuilder ThreeMessages() {
    MailboxBuilder b;
    b.Name("Box");
    for (int i = 1; i <= 3; ++i) b.Add(ComposeMessage({"Subject: m" + std::to_string(i)}, "body\r\n"), "who", "m" + std::to_string(i));
    return b;
}

std::vector<PairProblemKind> Kinds(const PairReport& r) {
    std::vector<PairProblemKind> kinds;
    for (const PairProblem& p : r.problems) kinds.push_back(p.kind);
    return kinds;
}

TEST(PairCheck, EachKindOfProblem) {
    using K = PairProblemKind;
    struct Case {
        const char* name;
        std::function<void(std::string& mbx, std::string& toc)> damage;
        std::vector<K> expected;
        bool consistent;
        bool sound;
    };
    auto setI32 = [](std::string& toc, std::size_t at, std::int32_t v) {
        for (int i = 0; i < 4; ++i) toc[at + static_cast<std::size_t>(i)] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
    };
    const std::size_t s2 = 104 + 218, s3 = 104 + 2 * 218;
    const Case cases[] = {
        {"sound", [](std::string&, std::string&) {}, {}, true, true},
        {"truncated toc", [](std::string&, std::string& toc) { toc.resize(toc.size() - 10); }, {K::TocShort, K::Uncovered, K::UnlistedMessages}, false, false},
        {"shorter than a header", [](std::string&, std::string& toc) { toc.resize(60); }, {K::TocTooShort}, false, false},
        {"negative count", [](std::string&, std::string& toc) { toc[102] = '\xFF'; toc[103] = '\xFF'; toc.resize(104); },
         {K::NegativeCount, K::Uncovered, K::UnlistedMessages}, true, false},
        {"range past the end", [](std::string& mbx, std::string&) { mbx.resize(mbx.size() - 5); }, {K::RangeOutside, K::Uncovered, K::UnlistedMessages}, false, false},
        {"negative offset", [&](std::string&, std::string& toc) { setI32(toc, s2, -4); }, {K::RangeOutside, K::Uncovered, K::UnlistedMessages}, false, false},
        {"moved offset", [&](std::string&, std::string& toc) { setI32(toc, s3, 3); },
         {K::NoDelimiter, K::Overlap, K::Uncovered, K::UnlistedMessages}, true, false},
        {"trailing toc bytes", [](std::string&, std::string& toc) { toc += "xx"; }, {K::TrailingTocBytes}, true, true},
        {"a message no summary lists", [](std::string& mbx, std::string&) { mbx += "From ???@??? lost\r\n"; }, {K::Uncovered, K::UnlistedMessages}, true, false},
        {"uncovered bytes that hold no message", [](std::string& mbx, std::string&) { mbx += "\r\nno message here\r\n"; }, {K::Uncovered}, true, true},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const MailboxBuilder b = ThreeMessages();
        std::string mbx = b.MbxBytes(), toc = b.TocBytes();
        c.damage(mbx, toc);
        WriteFile(dir / "Box.mbx", mbx);
        WriteFile(dir / "Box.toc", toc);
        const PairReport r = CheckPair(MailboxPair::FromMailboxPath(dir / "Box.mbx"));
        EXPECT_EQ(Kinds(r), c.expected) << c.name;
        EXPECT_EQ(r.Consistent(), c.consistent) << c.name;
        EXPECT_EQ(r.Sound(), c.sound) << c.name;
        if (!c.consistent) {
            ASSERT_NE(r.FirstError(), nullptr) << c.name;
            EXPECT_FALSE(r.FirstError()->text.empty());
        }
    }
}

TEST(PairCheck, MissingFiles) {
    TempDir dir;
    PairReport r = CheckPair(MailboxPair::FromMailboxPath(dir / "None.mbx"));
    EXPECT_EQ(Kinds(r), (std::vector<PairProblemKind>{PairProblemKind::MissingMailbox, PairProblemKind::MissingToc}));
    ASSERT_TRUE(ThreeMessages().Write(dir / "Box.").ok());
    std::filesystem::remove(dir / "Box.toc");
    r = CheckPair(MailboxPair::FromMailboxPath(dir / "Box.mbx"));
    EXPECT_EQ(Kinds(r), std::vector<PairProblemKind>{PairProblemKind::MissingToc});
    EXPECT_FALSE(r.Consistent());
}

}  // namespace
}  // namespace ledgerly
