#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/FieldDecoder.h"
#include "app/FileHelpers.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

using test::RunCli;

TEST(DecodeFieldCli, DecodesTerminalTextThroughWindows1252) {
    struct Case { const char* value; const char* printed; };
    const Case cases[] = {
        {"Re: =?iso-8859-1?Q?Caf=E9?= au lait", "Re: Caf\xC3\xA9 au lait\n"},
        {"R\xC3\xA9: =?utf-8?B?SGk=?=", "R\xC3\xA9: Hi\n"},        // typed accents survive the round trip
        {"=?windows-1252?Q?=80_5?=", "\xE2\x82\xAC_5\n"},          // 0x80 is the euro sign
        {"no encoded word", "no encoded word\n"},
    };
    for (const Case& c : cases) {
        const test::CliRun run = RunCli({"decode-field", c.value});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, c.printed) << c.value;
    }
}

TEST(DecodeFieldCli, LongValueComesBackUnchangedWithANote) {
    const std::string value = "=?x?Q?" + std::string(100, 'a');
    const test::CliRun run = RunCli({"decode-field", value});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, value + "\n");
    EXPECT_NE(run.err.find("not decoded"), std::string::npos) << run.err;
}

TEST(DecodeFieldCli, MissingLibraryIsReportedWithExitOne) {
    // The program alone in a folder, without the library beside it.
    test::TempDir dir;
    const std::string cli = dir / test::ProgramFileName("ledgerly-cli");
    std::filesystem::copy_file(FsPath(test::CliPath()), FsPath(cli));
    test::CliRun run;
    {
        const test::ScopedEnv useCopy("LEDGERLY_CLI", cli.c_str());
        run = RunCli({"decode-field", "=?x?B?SGk=?="});
    }
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(DecoderLibraryPath(dir.str())), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("missing"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace ledgerly
