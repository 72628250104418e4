#include <gtest/gtest.h>

#include <filesystem>

#include <unistd.h>

#include "app/FieldDecoder.h"
#include "app/Startup.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace ledgerly {
namespace {

using test::TempDir;
using test::WriteFile;

class Startup : public ::testing::Test {
protected:
    void SetUp() override {
        program = dir / "bin/";
        fs::create_directories(program);
        fs::create_directories(dir.path() / "Mail");
        options.programFolder = program;
        options.changeDirectory = false;
        options.lockName = "ledgerly-startup-test-" + std::to_string(::getpid());
        options.readRegistry = [] { return std::string(kNoRegistryValue); };
        options.winePrefix = std::string();
    }
    TempDir dir;
    std::string program;
    StartupOptions options;
};

TEST_F(Startup, EndsSilentlyWithoutTheDecoderLibrary) {
    AppState state;
    const StartupOutcome out = RunStartup(state, dir / "Mail", options);
    EXPECT_FALSE(out.proceed);
    EXPECT_EQ(out.lock, nullptr);
    EXPECT_EQ(state.paths.DataFolder, "");
}

TEST_F(Startup, FixesThePathsAndRefusesASecondInstance) {
    WriteFile(DecoderLibraryPath(program), "stand-in");
    AppState state;
    const StartupOutcome first = RunStartup(state, dir / "Mail", options);
    ASSERT_TRUE(first.proceed) << first.why;
    EXPECT_EQ(state.paths.ProgramFolder, program);
    EXPECT_EQ(state.paths.IniPath, program + "Ledgerly.ini");
    EXPECT_EQ(state.paths.DataFolder, dir / "Mail/");
    EXPECT_EQ(state.paths.EudoraIniPath, "");
    EXPECT_EQ(state.paths.LinkHistoryPath, dir / "Mail/LinkHistory.dat");
    EXPECT_EQ(state.paths.NicknameFolder, dir / "Mail/Nickname/");
    EXPECT_FALSE(fs::exists(state.paths.NicknameFolder));  // made by the first command that writes there

    AppState second;
    const StartupOutcome again = RunStartup(second, dir / "Mail", options);
    EXPECT_FALSE(again.proceed);
    EXPECT_EQ(second.paths.DataFolder, "");
}

TEST_F(Startup, WithoutADataFolderTheNicknameFolderGoesBesideTheProgram) {
    WriteFile(DecoderLibraryPath(program), "stand-in");
    AppState state;
    const StartupOutcome out = RunStartup(state, "\"" + (dir / "Mail") + "\"", options);
    ASSERT_TRUE(out.proceed) << out.why;
    EXPECT_EQ(state.paths.DataFolder, "");
    EXPECT_EQ(state.paths.NicknameFolder, dir / "bin/Nickname/");
    EXPECT_FALSE(fs::exists(program + "Nickname"));
}

// The desktop program keeps its single instance with its own guard.
TEST_F(Startup, WithoutALockNameNoLockIsTaken) {
    WriteFile(DecoderLibraryPath(program), "stand-in");
    options.lockName.clear();
    AppState first, second;
    EXPECT_TRUE(RunStartup(first, dir / "Mail", options).proceed);
    EXPECT_TRUE(RunStartup(second, dir / "Mail", options).proceed);
}

TEST(StartupCommandLine, IsJoinedWhole) {
    const char* argv[] = {"ledgerly", "/home/sam/My", "Mail", "\"x\""};
    EXPECT_EQ(JoinCommandLine(4, argv), "/home/sam/My Mail \"x\"");
    EXPECT_EQ(JoinCommandLine(1, argv), "");
}

}  // namespace
}  // namespace ledgerly
