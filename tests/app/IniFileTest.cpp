#include <gtest/gtest.h>

#include "app/IniFile.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(IniFile, MissingFileGivesTheDefaultAndWriteCreatesFileSectionAndKey) {
    TempDir dir;
    const std::string path = dir / "Ledgerly.ini";
    EXPECT_EQ(ReadIni("Settings", "WindowHeight", "5000", path), "5000");
    ASSERT_TRUE(WriteIni("Settings", "WindowHeight", FormatIniNumber(6000), path));
    EXPECT_EQ(ReadFile(path), "[Settings]\r\nWindowHeight= 6000\r\n");
    ASSERT_TRUE(WriteIni("Toolbars", "FlaggingTools", "1", path));
    EXPECT_EQ(ReadIni("Toolbars", "FlaggingTools", "0", path), "1");
    EXPECT_EQ(ReadIniNumber("Settings", "WindowHeight", path), 6000);
    // Under $XDG_CONFIG_HOME the file's folder may not exist yet: it is made with the file,
    // also where its name is not ASCII.
    const std::string nested = dir / "config/L\xC3\xA9" "dgerly/Ledgerly.ini";
    ASSERT_TRUE(WriteIni("Toolbars", "MiningTools", "1", nested));
    EXPECT_EQ(ReadIni("Toolbars", "MiningTools", "0", nested), "1");
}

TEST(IniFile, NamesAreComparedWithoutCaseAndOtherLinesAreKept) {
    TempDir dir;
    const std::string path = dir / "x.ini";
    WriteFile(path,
              "; written by hand\r\n[Settings]\r\nWindowTop=10\r\nOther = keep me\r\n\r\n[Columns]\r\nWho=7\r\n[Windows]\r\nMinerTop=5\r\n");
    EXPECT_EQ(ReadIni("SETTINGS", "windowtop", "0", path), "10");
    EXPECT_EQ(ReadIni("settings", "OTHER", "", path), "keep me");
    EXPECT_EQ(ReadIni("Columns", "WindowTop", "none", path), "none");  // the key of another section
    ASSERT_TRUE(WriteIni("settings", "WINDOWTOP", FormatIniNumber(20), path));
    ASSERT_TRUE(WriteIni("columns", "Date", "9", path));
    EXPECT_EQ(ReadFile(path),
              "; written by hand\r\n[Settings]\r\nWINDOWTOP= 20\r\nOther = keep me\r\n\r\n[Columns]\r\nWho=7\r\nDate=9\r\n[Windows]\r\nMinerTop=5\r\n");
}

TEST(IniFile, ValuesAreCutTo255Characters) {
    TempDir dir;
    const std::string path = dir / "x.ini";
    const std::string longValue(300, 'v');
    ASSERT_TRUE(WriteIni("Settings", "ExportDir", longValue, path));
    EXPECT_EQ(ReadIni("Settings", "ExportDir", "", path), std::string(255, 'v'));
    EXPECT_EQ(ReadIni("Settings", "Missing", longValue, path).size(), 255u);
}

TEST(IniFile, Numbers) {
    EXPECT_EQ(FormatIniNumber(5000), " 5000");
    EXPECT_EQ(FormatIniNumber(0), " 0");
    EXPECT_EQ(FormatIniNumber(-15), "-15");
    struct Case { const char* text; std::optional<double> value; };
    const Case cases[] = {{" 5000", 5000}, {"-15", -15}, {"12.7", 12.7}, {"", std::nullopt}, {"abc", std::nullopt}, {"12px", std::nullopt}};
    for (const Case& c : cases) EXPECT_EQ(ParseIniNumber(c.text), c.value) << c.text;
    TempDir dir;
    const std::string path = dir / "x.ini";
    WriteFile(path, "[Settings]\r\nWindowTop=abc\r\nWindowLeft=12.9\r\n");
    EXPECT_FALSE(ReadIniNumber("Settings", "WindowTop", path).has_value());
    EXPECT_EQ(ReadIniNumber("Settings", "WindowLeft", path), 12);
    EXPECT_FALSE(ReadIniNumber("Settings", "WindowHeight", path).has_value());
}

}  // namespace
}  // namespace ledgerly
