#pragma once
// Small mailbox pairs on disk for the flagging tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/MailboxBuilder.h"
#include "store/Toc.h"
#include "tests/support/TestSupport.h"

namespace ledgerly::test {

class FlaggingTest : public ::testing::Test {
protected:
    TempDir dir;
    AppState state;
    FakeHost host{state};
    ToolContext context{state, host};
    std::string pair = dir / "Box.";

    void Write(const MailboxBuilder& b) { ASSERT_TRUE(b.Write(pair).ok()); }
    // A pair of one message per header list.
    void WriteMessages(const std::vector<std::vector<std::string>>& headerLists, std::string_view body = "Body\r\n") {
        MailboxBuilder b;
        for (const auto& h : headerLists) b.Add(ComposeMessage(h, body), "old who", "old subject", "old date");
        Write(b);
    }
    TocImage Toc() const {
        auto toc = TocImage::Load(pair + "toc");
        EXPECT_TRUE(toc.ok());
        return std::move(toc).value();
    }
    MessageSummary Summary(std::int32_t k) const { return Toc().ReadSummary(k); }
};

// A field's text up to its first NUL, trailing spaces removed.
inline std::string Shown(std::span<const char> field) {
    std::string s(field.data(), field.size());
    s = s.substr(0, s.find('\0'));
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

}  // namespace ledgerly::test
