// The decoder library as the program loads it: liblwb.so beside the test
// program, reached through the binding.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/FieldDecoder.h"
#include "tests/support/TestSupport.h"

#ifdef _WIN32
#include <windows.h>

#include "app/Encoding.h"
#endif

namespace ledgerly {
namespace {

FieldDecoder& Library() {
    static FieldDecoder decoder(DecoderLibraryPath(test::BinDir()));
    return decoder;
}

// Decodes `value` in a buffer that has filler bytes behind its NUL, and checks
// the caller's side of the contract: never longer, nothing behind the new NUL
// touched.
std::string Decode(const std::string& value) {
    std::vector<char> buf(value.begin(), value.end());
    buf.push_back('\0');
    buf.insert(buf.end(), 16, '\x7F');
    const std::vector<char> before = buf;
    EXPECT_TRUE(Library().Decode(buf.data())) << Library().Bind().error();
    const std::string result(buf.data());
    EXPECT_LE(result.size(), value.size()) << value;
    EXPECT_TRUE(std::equal(buf.begin() + static_cast<long>(result.size()) + 1, buf.end(),
                           before.begin() + static_cast<long>(result.size()) + 1))
        << "bytes behind the NUL changed for: " << value;
    return result;
}

struct Case {
    const char* what;
    std::string value;
    std::string decoded;
};

TEST(DecodeField, DecodesTheFirstEncodedWordAsItsRulesSay) {
    const Case cases[] = {
        {"Q escape", "=?ISO-8859-1?Q?Caf=E9?=", "Caf\xE9"},
        {"B word between head and tail", "Re: =?utf-8?B?SGVsbG8=?= again", "Re: Hello again"},
        {"letters of either case", "=?UTF-8?b?SGk=?=", "Hi"},
        {"lower-case q before an escape", "=?x?q?=E9t?=", "\xE9t"},
        {"underscore stays", "=?x?q?a_b?=", "a_b"},
        {"lower-case hex is no escape", "=?x?Q?=e9?=", "e9"},
        {"stray = dropped, rest kept", "=?x?Q?a=ZZb?=", "aZZb"},
        {"soft line break", "=?x?Q?A=\r\nB?=", "AB"},
        {"= with one byte behind it ends Q text", "=?x?Q?AB=4", "AB"},
        {"decoded zero byte ends the word", "=?x?Q?ab=00cd?= tail", "ab tail"},
        {"B zero bits end the word", "=?x?B?AAAASGk=?= x", " x"},
        {"B skips CR LF and spaces", "=?x?B?SG Vs\r\nbG8=?=", "Hello"},
        {"only the first word", "=?a?Q?one?= =?a?Q?two?=", "one =?a?Q?two?="},
        {"leading spaces dropped", "   =?a?B?SGk=?=", "Hi"},
        {"leading spaces never in the head", "  Re: =?a?B?SGk=?=", "Re: Hi"},
        {"head and tail kept as they are", "  Re:  =?x?Q?a?=  end ", "Re:  a  end "},
        {"line end cut", "Plain subject\r\n", "Plain subject"},
        {"line end cut before decoding", "=?x?Q?abc?=\r\n", "abc"},
        {"CR as next-to-last byte whatever follows", "A\rB", "A"},
        {"CR as last byte stays", "A\r", "A\r"},
        {"no word: byte for byte", "  Plain  subject  ", "  Plain  subject  "},
        {"empty value", "", ""},
        {"empty Q text: unchanged", "=?x?Q?" "?=", "=?x?Q?" "?="},
        {"empty B text: unchanged", "  =?x?B?" "?= t", "  =?x?B?" "?= t"},
        {"unknown encoding letter: unchanged", "=?utf-8?X?abc?=", "=?utf-8?X?abc?="},
        {"B word cut short: trailing spaces skipped", "=?x?B?SGVsbG8gd29y    ", "Hello wor"},
        {"Q word cut short: trailing spaces copied", "=?x?Q?Caf=E9_au  ", "Caf\xE9_au  "},
        // A "Q?=" with no "?=" after it: the word ends at its first "?=", but
        // never at the one of a "?Q?=" that opens the Q text (a field cut short
        // inside its first escape, decoded to the end).
        {"cut inside a leading escape", "=?x?Q?=E9t", "\xE9t"},
        {"B text ending in Q", "=?x?B?SGVsbG9Q?= tail", "HelloP tail"},
        {"Q text ending in Q", "Re: =?x?Q?FAQ?=", "Re: FAQ"},
        {"Q?= in the tail only", "=?x?B?SGk=?= FAQ?=", "Hi FAQ?="},
        {"Q?= in the tail of a Q word", "=?x?Q?a?= FAQ?=", "a FAQ?="},
        {"Q text starting with an escape, closed later", "=?x?Q?=E9FAQ?= x", "\xE9" "FAQ x"},
    };
    for (const Case& c : cases) EXPECT_EQ(Decode(c.value), c.decoded) << c.what;
}

TEST(DecodeField, ValuesOfHundredBytesOrMoreComeBackUntouched) {
    const std::string word = "=?x?Q?";
    EXPECT_EQ(Decode(word + std::string(93, 'a')), std::string(93, 'a'));  // 99 bytes: decoded
    for (const std::string& value : {word + std::string(94, 'a'), word + std::string(94, 'a') + "\r\n",
                                     word + std::string(500, '=')})
        EXPECT_EQ(Decode(value), value);
}

TEST(DecodeField, SummaryFieldsOfSixtyFourCharactersWithTrailingSpaces) {
    std::string subject = "=?utf-8?Q?Caf=E9?= ";
    subject.resize(64, ' ');
    EXPECT_EQ(Decode(subject), "Caf\xE9" + std::string(64 - 19 + 1, ' '));
}

#ifdef _WIN32
// The names in the DLL's export table, read from the image as the system maps it.
std::set<std::string> ExportedNames(const std::string& dll, unsigned long& functions) {
    std::set<std::string> names;
    HMODULE module = ::LoadLibraryExW(Wide(dll).c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (!module) return names;
    const auto* base = reinterpret_cast<const unsigned char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& table = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (table.Size > 0) {
        const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + table.VirtualAddress);
        const auto* nameOffsets = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
        for (DWORD i = 0; i < exports->NumberOfNames; ++i) names.insert(reinterpret_cast<const char*>(base + nameOffsets[i]));
        functions = exports->NumberOfFunctions;
    }
    ::FreeLibrary(module);
    return names;
}

TEST(DecodeField, LibraryExportsDecodeFieldAndNothingElse) {
    unsigned long functions = 0;
    const std::set<std::string> names = ExportedNames(DecoderLibraryPath(test::BinDir()), functions);
    EXPECT_EQ(names, std::set<std::string>{"DecodeField"});  // the plain name, no "@4" or other decoration
    EXPECT_EQ(functions, 1u);                                // nor any export by number alone
}
#else
TEST(DecodeField, LibraryExportsDecodeFieldAndNothingElse) {
    const std::string command = "nm -D --defined-only '" + DecoderLibraryPath(test::BinDir()) + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char chunk[512];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) output.append(chunk, n);
    ASSERT_EQ(::pclose(pipe), 0) << output;
    std::set<std::string> names;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string address, type, name;
        fields >> address >> type >> name;
        if (!name.empty()) names.insert(name);
    }
    EXPECT_EQ(names, std::set<std::string>{"DecodeField"}) << output;
}
#endif

}  // namespace
}  // namespace ledgerly
