#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/FileHelpers.h"
#include "app/Platform.h"
#include "app/StartupPaths.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace ledgerly {
namespace {

using test::TempDir;
using test::WriteFile;

std::function<std::string()> Registry(std::string value) {
    return [value] { return value; };
}

TEST(StartupPaths, CommandLineIsTakenWhole) {
    TempDir dir;
    fs::create_directory(dir.path() / "Mail");
    fs::create_directory(dir.path() / "My Mail");
    const std::string mail = dir / "Mail";
    struct Case { std::string candidate; std::string expected; };
    const Case cases[] = {
        {mail, WithTrailingSeparator(mail)},         // a separator is appended
        {WithTrailingSeparator(mail), WithTrailingSeparator(mail)},  // used unchanged
        {dir / "My Mail", dir / "My Mail/"},       // spaces are part of the path
        {"\"" + mail + "\"", ""},                  // quotes are taken as part of the path
#ifdef _WIN32
        {"C:\\", ""},                              // the root of a drive
        {"C:", ""},
#else
        {"/", ""},                                 // the root of the file system
        {"/tm", ""},
#endif
        {dir / "Missing", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        GlobalPaths paths;
        FindDataFolder(paths, c.candidate, Registry(kNoRegistryValue), std::string());
        EXPECT_EQ(paths.DataFolder, c.expected) << c.candidate;
        EXPECT_EQ(paths.EudoraIniPath, "") << c.candidate;
    }
}

TEST(StartupPaths, RegistryValueWithThreePartsGivesFolderAndSettingsFile) {
    TempDir dir;
    fs::create_directory(dir.path() / "Eudora");
    const std::string folder = dir / "Eudora";
    GlobalPaths paths;
    FindDataFolder(paths, "", Registry("/opt/Eudora.exe " + folder + " " + (dir / "Eudora/eudora.ini")), std::string());
    EXPECT_EQ(paths.DataFolder, WithTrailingSeparator(folder));
    EXPECT_EQ(paths.EudoraIniPath, dir / "Eudora/eudora.ini");

    // The command line wins when it is valid.
    fs::create_directory(dir.path() / "Other");
    GlobalPaths first;
    FindDataFolder(first, dir / "Other", Registry("/opt/Eudora.exe " + folder + " " + (dir / "Eudora/eudora.ini")), std::string());
    EXPECT_EQ(first.DataFolder, dir / "Other/");
    EXPECT_EQ(first.EudoraIniPath, "");
}

TEST(StartupPaths, RegistryValueThatDoesNotSplitIntoThreePartsGivesNoFolder) {
    TempDir dir;
    fs::create_directory(dir.path() / "My Mail");
    const std::string values[] = {
        kNoRegistryValue,  // six parts
        "/opt/Eudora.exe " + (dir / "My Mail") + " /x/eudora.ini",  // a folder with a space: four parts
        "/opt/Eudora.exe  " + (dir / "My Mail"),                    // two spaces: an empty part
        "/opt/Eudora.exe " + (dir / "Missing") + " /x/eudora.ini",  // three parts, no such folder
    };
    for (const std::string& v : values) {
        GlobalPaths paths;
        FindDataFolder(paths, "", Registry(v), std::string());
        EXPECT_EQ(paths.DataFolder, "") << v;
    }
}

#ifndef _WIN32  // Windows has no Wine prefix to map through
// A Wine prefix as Wine lays it out: dosdevices/c: links to drive_c, and
// user.reg holds Eudora's own command line in short 8.3 paths.
class FakeWinePrefix : public ::testing::Test {
protected:
    void SetUp() override {
        prefix = dir.path().string() + "/wine prefix";
        fs::create_directories(prefix + "/dosdevices");
        fs::create_directories(prefix + "/drive_c/Program Files/Eudora");
        fs::create_directories(prefix + "/drive_c/Eudora Mail");
        fs::create_symlink("../drive_c", prefix + "/dosdevices/c:");
        WriteFile(prefix + "/drive_c/Eudora Mail/eudora.ini", "[Settings]\r\n");
        WriteFile(prefix + "/user.reg",
                  "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win32\n\n"
                  "[Software\\\\Qualcomm\\\\Eudora\\\\CommandLine] 1700000000\n#time=1d9a1b2c3d4e5f6\n"
                  "\"Current\"=\"C:\\\\PROGRA~1\\\\Eudora\\\\Eudora.exe C:\\\\EUDORA~1\\\\ C:\\\\EUDORA~1\\\\eudora.ini\"\n\n");
    }
    TempDir dir;
    std::string prefix;
};

TEST_F(FakeWinePrefix, DataFolderComesFromUserRegMappedThroughTheDriveLinks) {
    GlobalPaths paths;
    FindDataFolder(paths, "", [&] { return ReadWineRegistryString(prefix + "/user.reg", kEudoraCommandLineKey, kEudoraCommandLineValue); },
                   prefix);
    const std::string drive = fs::canonical(prefix + "/drive_c").string();
    EXPECT_EQ(paths.DataFolder, drive + "/Eudora Mail/");
    EXPECT_EQ(paths.EudoraIniPath, drive + "/Eudora Mail/eudora.ini");
    SetDataPaths(paths);
    EXPECT_EQ(paths.LinkHistoryPath, drive + "/Eudora Mail/LinkHistory.dat");
    EXPECT_EQ(paths.AddressHistoryPath, drive + "/Eudora Mail/History.lst");
    EXPECT_EQ(paths.NicknameFolder, drive + "/Eudora Mail/Nickname/");
}

TEST_F(FakeWinePrefix, RegReadStringUsesWinePrefixFromTheEnvironment) {
    const char* old = std::getenv("WINEPREFIX");
    const std::string saved = old ? old : "";
    ::setenv("WINEPREFIX", prefix.c_str(), 1);
    EXPECT_EQ(DefaultWinePrefix(), prefix);
    const std::string value = RegReadString(kEudoraCommandLineKey, kEudoraCommandLineValue);
    const std::string mapped = MapRegistryPath("C:\\EUDORA~1\\eudora.ini");
    if (old) ::setenv("WINEPREFIX", saved.c_str(), 1);
    else ::unsetenv("WINEPREFIX");
    EXPECT_EQ(value, "C:\\PROGRA~1\\Eudora\\Eudora.exe C:\\EUDORA~1\\ C:\\EUDORA~1\\eudora.ini");
    EXPECT_EQ(mapped, fs::canonical(prefix + "/drive_c").string() + "/Eudora Mail/eudora.ini");
}

TEST_F(FakeWinePrefix, PathsThatMapToNothingStayAsWritten) {
    EXPECT_EQ(MapRegistryPath("D:\\Mail\\", prefix), "D:\\Mail\\");  // no d: link
    EXPECT_EQ(MapRegistryPath("/home/sam/mail", prefix), "/home/sam/mail");
    EXPECT_EQ(MapRegistryPath("C:\\Mail\\", std::string()), "C:\\Mail\\");  // no prefix
    GlobalPaths paths;
    FindDataFolder(paths, "", Registry("C:\\PROGRA~1\\Eudora\\Eudora.exe D:\\Mail\\ D:\\Mail\\eudora.ini"), prefix);
    EXPECT_EQ(paths.DataFolder, "");
}

#endif

// Start-up creates nothing in the data folder, nor the settings file's folder.
TEST(StartupPaths, NothingIsCreatedWhenThePathsAreFixed) {
    TempDir dir;
    GlobalPaths paths;
    paths.DataFolder = dir.str();
    SetDataPaths(paths);
    EXPECT_EQ(paths.NicknameFolder, dir / "Nickname/");
    EXPECT_FALSE(fs::exists(paths.NicknameFolder));
#ifndef _WIN32

    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", (dir.str() + "config").c_str(), 1);
    const std::string ini = DefaultIniPath(dir.str() + "gone/");  // a program folder nobody can write into
    if (old) ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(ini, dir.str() + "config/Ledgerly/Ledgerly.ini");
    EXPECT_FALSE(fs::exists(dir.str() + "config"));
#endif
}

}  // namespace
}  // namespace ledgerly
