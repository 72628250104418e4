#include <gtest/gtest.h>

#include <string>

#include "app/FieldDecoder.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

TEST(FieldDecoder, BindsTheLibraryBesideTheRunningProgram) {
    FieldDecoder& decoder = FieldDecoder::Default();
    ASSERT_TRUE(decoder.Bind().ok()) << decoder.Bind().error();
    char value[] = "=?x?B?SGk=?=";
    EXPECT_TRUE(decoder.Decode(value));
    EXPECT_STREQ(value, "Hi");
}

TEST(FieldDecoder, MissingOrBrokenLibraryIsReportedAndTheValueLeftAlone) {
    test::TempDir dir;
    test::WriteFile(DecoderLibraryPath(dir.str()), "not a shared library");
    struct Case {
        std::string path;
        std::string says;
    };
    for (const Case& c : {Case{DecoderLibraryPath(dir / "nowhere"), "is missing"},
                          Case{DecoderLibraryPath(dir.str()), "cannot be loaded"}}) {
        FieldDecoder decoder(c.path);
        const Status bound = decoder.Bind();
        ASSERT_FALSE(bound.ok());
        EXPECT_NE(bound.error().find(c.path), std::string::npos) << bound.error();
        EXPECT_NE(bound.error().find(c.says), std::string::npos) << bound.error();
        char value[] = "=?x?B?SGk=?=";
        EXPECT_FALSE(decoder.Decode(value));
        EXPECT_STREQ(value, "=?x?B?SGk=?=");
        EXPECT_EQ(decoder.Bind().error(), bound.error());  // the failure is kept, not retried
    }
}

}  // namespace
}  // namespace ledgerly
