// The Windows side of the platform services, against the system itself
// (under Wine in CI): the registry, the window list, the folder lock, the
// single instance, starting programs, file associations and short names.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <random>
#include <string>

#include "app/Encoding.h"
#include "app/FileHelpers.h"
#include "app/Platform.h"
#include "app/Process.h"
#include "app/SafeFiles.h"
#include "app/TextHelpers.h"
#include "store/RewriteLock.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

std::string UniqueName(const char* stem) { return stem + std::to_string(std::random_device{}() % 1000000000u); }

// A key of HKEY_CURRENT_USER made for one test and deleted after it.
class TestKey {
public:
    TestKey() : path_("Software\\" + UniqueName("LedgerlyTest")) {}
    ~TestKey() { ::RegDeleteTreeW(HKEY_CURRENT_USER, Wide(path_).c_str()); }
    const std::string& path() const { return path_; }
    void Set(const char* name, DWORD type, const void* data, DWORD size) const {
        ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, Wide(path_).c_str(), Wide(name).c_str(), type, data, size), ERROR_SUCCESS);
    }
    void SetText(const char* name, const std::wstring& text, DWORD type = REG_SZ) const {
        Set(name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }

private:
    std::string path_;
};

TEST(WindowsRegistry, ReadsStringValuesOnlyAndCutsAtTheFirstNul) {
    const TestKey key;
    key.SetText("Current", L"C:\\PROGRA~1\\Eudora\\Eudora.exe C:\\EUDORA~1\\ C:\\EUDORA~1\\eudora.ini");
    key.SetText("Accents", L"C:\\M\u00e4il \u65e5\u672c");
    key.SetText("Nul", std::wstring(L"before\0after", 12));
    key.SetText("Empty", L"");
    key.SetText("Expand", L"%USERPROFILE%\\Mail", REG_EXPAND_SZ);
    const DWORD number = 1;
    key.Set("Number", REG_DWORD, &number, sizeof number);
    key.Set("Binary", REG_BINARY, "ABC", 3);
    const std::string none = kNoRegistryValue;
    struct Case { std::string key, value, expected; };
    const Case cases[] = {
        {key.path(), "Current", "C:\\PROGRA~1\\Eudora\\Eudora.exe C:\\EUDORA~1\\ C:\\EUDORA~1\\eudora.ini"},
        {key.path(), "current", "C:\\PROGRA~1\\Eudora\\Eudora.exe C:\\EUDORA~1\\ C:\\EUDORA~1\\eudora.ini"},  // names without case
        {key.path(), "Accents", "C:\\M\xC3\xA4il \xE6\x97\xA5\xE6\x9C\xAC"},  // UTF-8
        {key.path(), "Nul", "before"},
        {key.path(), "Empty", none},
        {key.path(), "Expand", none},
        {key.path(), "Number", none},
        {key.path(), "Binary", none},
        {key.path(), "Missing", none},
        {key.path() + "\\Missing", "Current", none},
    };
    for (const Case& c : cases) EXPECT_EQ(RegReadString(c.key, c.value), c.expected) << c.key << " / " << c.value;
}

TEST(WindowsWindowList, FindsATopLevelWindowByTheStartOfItsTitle) {
    const std::string title = UniqueName("Ledgerly test window ") + " \xE2\x80\x93 \xC3\x9Cnic\xC3\xB6" "de";
    EXPECT_FALSE(WindowExists(title.substr(0, 30)));
    HWND window = ::CreateWindowExW(0, L"STATIC", Wide(title).c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(WindowExists(title.substr(0, 30)));  // hidden windows count too
    EXPECT_TRUE(WindowExists(title));                 // the whole title, characters outside ASCII included
    EXPECT_FALSE(WindowExists("ledgerly test window"));  // case counts
    EXPECT_FALSE(WindowExists(title + "!"));
    ::DestroyWindow(window);
    EXPECT_FALSE(WindowExists(title.substr(0, 30)));
}

TEST(WindowsFolderLock, KeepsASecondRunOutAndLeavesNoFileBehind) {
    test::TempDir dir;
    const std::string mbx = dir / "In.mbx";
    {
        auto first = RewriteLock::Acquire(mbx);
        ASSERT_TRUE(first.ok()) << first.error();
        auto second = RewriteLock::Acquire(dir / "Out.mbx");
        ASSERT_FALSE(second.ok());
        EXPECT_NE(second.error().find("Another run is rewriting a mailbox"), std::string::npos) << second.error();
    }
    EXPECT_TRUE(RewriteLock::Acquire(mbx).ok());
    EXPECT_FALSE(FileExists(dir / kLockFileName));
}

// What stands for a FIFO or a link to /dev/zero on Windows: a device name
// (NUL, CON) and a folder. Names outside ASCII go through the UTF-16 calls.
TEST(WindowsSafeFiles, OnlyRegularFilesAreOpenedAndRenamesReplaceOnlyWhenAsked) {
    test::TempDir dir;
    struct Row { std::string path, kind; };
    for (const Row& row : {Row{"NUL", "a character device"}, Row{dir / "", "a folder"}}) {
        const auto read = ReadFileChecked(row.path);
        ASSERT_FALSE(read.ok()) << row.path;
        EXPECT_NE(read.error().find("it is " + row.kind + ", not a regular file."), std::string::npos) << read.error();
    }
    EXPECT_FALSE(FileHandle::OpenForAppending(dir.str()).ok());

    const std::string a = dir / "\xc3\xa4-\xe6\x97\xa5.mbx", b = dir / "b.mbx";
    for (const auto& [path, bytes] : {std::pair{a, "new"}, std::pair{b, "old"}}) {
        auto file = FileHandle::CreateNew(path, OwnershipOf(b));
        ASSERT_TRUE(file.ok()) << file.error();
        ASSERT_TRUE(file->Write(bytes).ok());
        ASSERT_TRUE(file->Sync().ok());
        ASSERT_TRUE(file->Close().ok());
    }
    EXPECT_FALSE(FileHandle::CreateNew(b, {}).ok());  // the name is taken
    EXPECT_FALSE(RenameWithoutReplacing(a, b).ok());
    EXPECT_EQ(test::ReadFile(b), "old");
    ASSERT_TRUE(RenameFile(a, b).ok());
    EXPECT_EQ(test::ReadFile(b), "new");
    EXPECT_FALSE(FileExists(a));
    EXPECT_TRUE(RemoveFile(a).ok());  // gone already: no failure
}

TEST(WindowsInstanceLock, SecondInstanceIsRefusedUntilTheFirstEnds) {
    const std::string name = UniqueName("ledgerly-test-");
    auto first = AcquireInstanceLock(name);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(AcquireInstanceLock(name), nullptr);
    first.reset();
    EXPECT_NE(AcquireInstanceLock(name), nullptr);
}

TEST(WindowsProcess, RunsAProgramFromTheSystemFoldersAndReturnsItsExitCode) {
    auto code = RunAndWait({"cmd.exe", "/c", "exit 7"});
    ASSERT_TRUE(code.ok()) << code.error();
    EXPECT_EQ(*code, 7);
    EXPECT_TRUE(ProgramOnPath("cmd"));  // ".exe" added
    EXPECT_FALSE(ProgramOnPath("no-such-program-ledgerly"));
    auto missing = RunAndWait({"no-such-program-ledgerly"});
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().rfind("Cannot start 'no-such-program-ledgerly': ", 0), 0u) << missing.error();
    EXPECT_FALSE(StartDetached({"no-such-program-ledgerly"}).ok());
}

TEST(WindowsProcess, AssociatedProgramIsTheOneTheFileTypeOpensWith) {
    const std::wstring ext = Wide("." + UniqueName("lt")), progId = L"Ledgerly.Test" + ext;
    const std::wstring command = L"\"C:\\windows\\system32\\cmd.exe\" /c \"%1\"";
    auto set = [](const std::wstring& key, const std::wstring& text) {
        return ::RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, text.c_str(),
                                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    };
    // The classes root as the shell reads it (writing there needs rights a user may lack).
    if (!set(ext, progId) || !set(progId + L"\\shell\\open\\command", command)) GTEST_SKIP() << "cannot register a file type";
    const std::string program = AssociatedProgram(FromWide(ext));
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, ext.c_str());
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, progId.c_str());
    EXPECT_TRUE(EqualsNoCase(GetFileName(program), "cmd.exe")) << program;
    EXPECT_EQ(AssociatedProgram("." + UniqueName("none")), "");
}

TEST(WindowsPaths, ShortAndLongFormsOfAnExistingPath) {
    test::TempDir dir;
    const std::string file = dir / "A long file name \xC3\xA4.mbox";
    test::WriteFile(file, "x");
    const std::string shortForm = GetShortPath(file);
    ASSERT_FALSE(shortForm.empty());
    EXPECT_EQ(shortForm.find(' '), std::string::npos) << shortForm;
    EXPECT_TRUE(FileExists(shortForm));
    EXPECT_EQ(GetLongPath(shortForm), GetLongPath(file));
    EXPECT_EQ(GetFileName(GetLongPath(shortForm)), "A long file name \xC3\xA4.mbox");
    EXPECT_EQ(GetShortPath(dir / "missing.mbx"), "");
}

}  // namespace
}  // namespace ledgerly
