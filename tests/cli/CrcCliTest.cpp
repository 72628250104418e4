#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

using test::RunCli;

TEST(CrcCli, OneLinePerFileWithSignedValueHexAndName) {
    test::TempDir dir;
    const std::string check = dir / "check.txt", empty = dir / "empty.mbx";
    test::WriteFile(check, "123456789");
    test::WriteFile(empty, "");
    struct Case { std::vector<std::string> args; std::string out; };
    const Case cases[] = {
        {{"crc", check, empty}, "-873187034\tCBF43926\t" + check + "\n(empty)\t(empty)\t" + empty + "\n"},
        {{"crc", "--crc16", check}, "12739\t000031C3\t" + check + "\n"},
    };
    for (const Case& c : cases) {
        const test::CliRun run = RunCli(c.args);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, c.out);
    }
}

TEST(CrcCli, MissingFileFailsButTheOthersAreStillSummed) {
    test::TempDir dir;
    const std::string check = dir / "check.txt";
    test::WriteFile(check, "123456789");
    const test::CliRun run = RunCli({"crc", dir / "gone.mbx", dir.str(), check});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "-873187034\tCBF43926\t" + check + "\n");
    EXPECT_NE(run.err.find("File not found: '" + dir / "gone.mbx" + "'"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Not a file"), std::string::npos) << run.err;
    EXPECT_EQ(RunCli({"crc"}).exitCode, 2);  // no file: usage
}

}  // namespace
}  // namespace ledgerly
