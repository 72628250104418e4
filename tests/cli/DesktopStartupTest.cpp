#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

namespace fs = std::filesystem;

// The desktop program ends at once, without a word, when the decoder library
// is not beside it: no window, no message, exit status 1.
TEST(DesktopStartup, WithoutTheDecoderLibraryBesideItTheProgramEndsSilently) {
    const fs::path program = fs::path(LEDGERLY_BIN_DIR) / "ledgerly";
    if (!fs::exists(program)) GTEST_SKIP() << "the desktop program is not built";
    test::TempDir dir;
    fs::copy_file(program, dir.path() / "ledgerly");
    test::TempDir data;
    const std::string out = dir / "out.txt";
    const std::string cmd = "env -u DISPLAY QT_QPA_PLATFORM=offscreen '" + (dir / "ledgerly") + "' '" + data.str() + "' >'" + out +
                            "' 2>&1";
    const int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(test::ReadFile(out), "");
    EXPECT_FALSE(fs::exists(data.path() / "Nickname"));  // nothing was done
    EXPECT_FALSE(fs::exists(dir.path() / "Ledgerly.ini"));
}

}  // namespace
}  // namespace ledgerly
