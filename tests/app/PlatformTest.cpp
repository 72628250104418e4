#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/Platform.h"
#include "app/Process.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

using test::TempDir;
using test::WriteFile;

constexpr const char* kKey = "Software\\Qualcomm\\Eudora\\CommandLine";

TEST(WineRegistry, ReadsStringValuesOfTheKey) {
    TempDir dir;
    const std::string reg = dir / "user.reg";
    WriteFile(reg,
              "WINE REGISTRY Version 2\r\n;; All keys relative to \\\\User\\\\S-1-5-21\r\n\r\n"
              "[Software\\\\Other] 1700000000\r\n\"Current\"=\"wrong key\"\r\n\r\n"
              "[Software\\\\Qualcomm\\\\Eudora\\\\CommandLine] 1700000000\r\n#time=1d0\r\n"
              "\"Current\"=\"C:\\\\Eudora\\\\Eudora.exe C:\\\\Mail\\\\ C:\\\\Mail\\\\eudora.ini\"\r\n"
              "\"Quoted\"=\"say \\\"hi\\\"\\nnext\"\r\n"
              "\"Accents\"=\"M\\xfcnchen \\x20ac\"\r\n"
              "\"Octal\"=\"a\\101b\"\r\n"
              "\"Expand\"=str(2):\"%USERPROFILE%\\\\Mail\"\r\n"
              "\"Multi\"=str(7):\"a\\0b\\0\"\r\n"
              "\"Number\"=dword:00000001\r\n"
              "\"Binary\"=hex:41,42,43,\\\r\n  44,45\r\n"
              "\"Empty\"=\"\"\r\n"
              "\"Nul\"=\"before\\0after\"\r\n"
              "\"Name \\\"with\\\" quotes\"=\"found\"\r\n"
              "@=\"the default\"\r\n"
              "\r\n[Software\\\\Qualcomm\\\\Eudora\\\\CommandLine\\\\Sub] 1700000000\r\n\"Only\"=\"in sub\"\r\n");
    struct Case { const char* key; const char* value; std::string expected; };
    const std::string none = kNoRegistryValue;
    const Case cases[] = {
        {kKey, "Current", "C:\\Eudora\\Eudora.exe C:\\Mail\\ C:\\Mail\\eudora.ini"},
        {"SOFTWARE\\qualcomm\\EUDORA\\commandline", "current", "C:\\Eudora\\Eudora.exe C:\\Mail\\ C:\\Mail\\eudora.ini"},
        {kKey, "Quoted", "say \"hi\"\nnext"},
        {kKey, "Accents", "M\xC3\xBCnchen \xE2\x82\xAC"},  // UTF-8
        {kKey, "Octal", "aAb"},
        {kKey, "Expand", "%USERPROFILE%\\Mail"},
        {kKey, "Multi", none},
        {kKey, "Number", none},
        {kKey, "Binary", none},
        {kKey, "Empty", none},
        {kKey, "Nul", "before"},
        {kKey, "Name \"with\" quotes", "found"},
        {kKey, "", "the default"},
        {kKey, "Only", none},  // a value of a sub-key
        {kKey, "Missing", none},
        {"Software\\Qualcomm\\Eudora", "Current", none},
        {"Software\\Other", "Current", "wrong key"},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadWineRegistryString(reg, c.key, c.value), c.expected) << c.key << " / " << c.value;
    EXPECT_EQ(ReadWineRegistryString(dir / "missing.reg", kKey, "Current"), none);
}

TEST(WindowsCommandLine, QuotesSoThatProgramsSplitItBackWordForWord) {
    struct Case { std::vector<std::string> argv; std::string line; };
    const Case cases[] = {
        {{"perl", "C:\\Mail\\In.mbx"}, "perl C:\\Mail\\In.mbx"},
        {{"perl", "C:\\My Mail\\In.mbx"}, "perl \"C:\\My Mail\\In.mbx\""},
        {{"x", ""}, "x \"\""},
        {{"x", "say \"hi\""}, "x \"say \\\"hi\\\"\""},
        {{"x", "C:\\My Mail\\"}, "x \"C:\\My Mail\\\\\""},      // a trailing backslash doubled before the closing quote
        {{"x", "a\\\"b"}, "x \"a\\\\\\\"b\""},                 // backslashes before a quote doubled, the quote escaped
        {{"x", "a\\b c"}, "x \"a\\b c\""},                        // elsewhere left alone
        {{"x", "tab\there"}, "x \"tab\there\""},
    };
    for (const Case& c : cases) EXPECT_EQ(WindowsCommandLine(c.argv), c.line) << c.line;
}

#ifndef _WIN32  // the stand-ins of other systems; WindowsServicesTest has Windows' own
TEST(InstanceLock, SecondInstanceIsRefusedUntilTheFirstEnds) {
    TempDir dir;
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = old ? old : "";
    ::setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    {
        auto first = AcquireInstanceLock("ledgerly-test");
        ASSERT_NE(first, nullptr);
        EXPECT_TRUE(std::filesystem::exists(dir / "ledgerly-test.lock"));
        EXPECT_EQ(AcquireInstanceLock("ledgerly-test"), nullptr);
        EXPECT_NE(AcquireInstanceLock("ledgerly-other"), nullptr);
    }
    EXPECT_NE(AcquireInstanceLock("ledgerly-test"), nullptr);
    if (old) ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    else ::unsetenv("XDG_RUNTIME_DIR");
}

TEST(WindowExists, NoDisplayMeansNoWindow) {
    const char* old = std::getenv("DISPLAY");
    const std::string saved = old ? old : "";
    ::unsetenv("DISPLAY");
    EXPECT_FALSE(WindowExists("Eudora"));
    EXPECT_FALSE(WindowExists(""));
    ::setenv("DISPLAY", ":65000", 1);  // a display nobody serves
    EXPECT_FALSE(WindowExists("Eudora"));
    if (old) ::setenv("DISPLAY", saved.c_str(), 1);
    else ::unsetenv("DISPLAY");
}
#endif

}  // namespace
}  // namespace ledgerly
