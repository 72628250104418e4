// Inputs at the limits: a TOC file that announces 32,767 summaries but holds
// ten, lines of 1 MB, a message larger than the memory the run may use, and
// (LEDGERLY_LARGE_TESTS=1) a message of 100 MB and a
// mailbox of 32,767 messages with every command's peak memory measured.
// A command that must refuse says why and changes nothing; one that reads
// reads what is there; none crashes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "store/MailboxBuilder.h"
#include "store/PairCheck.h"
#include "tests/cli/HardeningSupport.h"
#include "tests/support/TestSupport.h"

namespace ledgerly::test {
namespace {
namespace fs = std::filesystem;

std::vector<std::string> Expand(std::vector<std::string> args, const std::string& folder) {
    for (std::string& a : args) {
        if (a == "{MBX}") a = folder + "Box.mbx";
        else if (a == "{FOLDER}") a = folder;
        else if (a == "{ATTACH}") a = folder + "attach/";
        else if (a == "{OUT}") a = folder + "out/";
        else if (a == "{PAGE}") a = folder + "out/page.html";
    }
    return args;
}

std::string Message(int i, const std::string& body) {
    const std::string n = std::to_string(i);
    return ComposeMessage({"From: Sender " + n + " <sender" + n + "@example.com>", "To: team@example.org",
                           "Subject: Subject " + n, "Date: Mon, 13 Dec 2010 18:45:29 +0100"},
                          body);
}

// Ten messages, each with a link, an address and a broken attachment reference.
std::string TenMessagePair(const std::string& folder) {
    MailboxBuilder b;
    for (int i = 1; i <= 10; ++i) {
        const std::string n = std::to_string(i);
        b.Add(Message(i, "<x-html><b>See</b> http://example.com/m" + n + " =3D</x-html>\r\nAttachment Converted: \"" +
                             folder + "gone/file" + n + ".txt\"\r\n"),
              "who", "Subject " + n, "", 1);
    }
    if (Status s = b.Write(folder + "Box."); !s) throw std::runtime_error(s.error());
    return folder + "Box.";
}

struct ShortTocCase {
    std::vector<std::string> args;
    bool rewrites;
    std::string expectRead;  // for a reading command: text its output must hold
    // A command that writes files of its own may refuse instead, saying why.
    bool mayRefuse = false;
};

void PrintTo(const ShortTocCase& c, std::ostream* os) {
    for (const std::string& a : c.args) *os << a << ' ';
}

class ShortToc : public testing::TestWithParam<ShortTocCase> {};

TEST_P(ShortToc, RewritingCommandsRefuseAndReadingCommandsReadTheSummariesThatExist) {
    const ShortTocCase& c = GetParam();
    if (!CliHasCommand(c.args.front())) GTEST_SKIP() << "'" << c.args.front() << "' is not a command of this ledgerly-cli yet: not tested";
    TempDir dir;
    const std::string folder = dir.str();
    fs::create_directories(folder + "attach");
    fs::create_directories(folder + "out");
    const std::string pair = TenMessagePair(folder);
    std::string toc = ReadFile(pair + "toc");
    toc[102] = '\xFF';  // MessageCount 32,767
    toc[103] = '\x7F';
    WriteFile(pair + "toc", toc);
    const PairState before = ReadPairState(pair);

    const CliRun run = RunCli(Expand(c.args, folder));
    ASSERT_LT(run.exitCode, 128) << "crashed: " << run.err;
    if (c.rewrites) {
        EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
        EXPECT_FALSE(run.err.empty()) << "refused without a message";
        EXPECT_EQ(ReadPairState(pair), before) << "a pair that fails the check was changed";
        EXPECT_TRUE(NumberedBackups(folder, "Box.", "mbx").empty()) << "backups made of a pair that is refused";
    } else {
        std::string all = run.out;
        for (const auto& e : fs::recursive_directory_iterator(folder + "out")) all += ReadFile(e.path().string());
        const bool refusedClearly = c.mayRefuse && run.exitCode == 1 && run.err.find("32767") != std::string::npos;
        if (!refusedClearly) {
            EXPECT_NE(all.find(c.expectRead), std::string::npos) << "the tenth message was not read: " << run.out << run.err;
        }
        EXPECT_EQ(ReadPairState(pair), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryCommand, ShortToc,
    testing::Values(ShortTocCase{{"strip-html", "{MBX}"}, true, ""}, ShortTocCase{{"decode-qp", "{MBX}"}, true, ""},
                    ShortTocCase{{"rot13", "{MBX}"}, true, ""},
                    ShortTocCase{{"relink", "{MBX}", "--set-folder", "{ATTACH}"}, true, ""},
                    ShortTocCase{{"update", "--all", "{MBX}"}, true, ""}, ShortTocCase{{"mark", "sent", "{MBX}"}, true, ""},
                    ShortTocCase{{"duplicates", "--fast", "{MBX}"}, true, ""},
                    ShortTocCase{{"duplicates", "--slow", "{MBX}"}, true, ""},
                    ShortTocCase{{"align-columns", "{FOLDER}", "--widths", "4,4,4,6,31,17,5,4"}, true, ""},
                    ShortTocCase{{"links", "--all", "{MBX}"}, false, "example.com/m10"},
                    ShortTocCase{{"addresses", "{MBX}"}, false, "sender10@example.com"},
                    ShortTocCase{{"relink", "{MBX}"}, false, "file10.txt"},
                    ShortTocCase{{"list", "{MBX}"}, false, "Subject 10"},
                    ShortTocCase{{"export", "files", "{MBX}", "{OUT}"}, false, "Subject 10", true},
                    ShortTocCase{{"export", "digest", "{MBX}", "{PAGE}"}, false, "Subject 10", true},
                    ShortTocCase{{"export", "mbox", "{MBX}", "{OUT}"}, false, "Subject 10"},
                    ShortTocCase{{"export", "eml", "{MBX}", "{OUT}"}, false, "Subject 10"}));

// Lines of 1 MB: the miner and the harvester find what the line holds, and
// the HTML stripping rewrites the mailbox into a consistent pair.
TEST(LongLines, AMegabyteLineIsReadWholeAndRewrittenSoundly) {
    TempDir dir;
    const std::string folder = dir.str();
    std::string line = "<b>start</b> ";
    line += std::string(512 * 1024, 'a') + " someone@example.com ";
    line += std::string(512 * 1024, 'b') + " http://example.com/long-end\r\n";
    MailboxBuilder b;
    b.Add(Message(1, "<x-html>" + line + "</x-html>\r\n"), "who", "Subject 1");
    b.Add(Message(2, "short\r\n"), "who", "Subject 2");
    ASSERT_TRUE(b.Write(folder + "Box."));

    struct Case {
        std::vector<std::string> args;
        std::string expect;
    };
    for (const Case& c : {Case{{"links", "--all", "{MBX}"}, "http://example.com/long-end"},
                          Case{{"addresses", "{MBX}"}, "someone@example.com"}, Case{{"strip-html", "{MBX}"}, ""}}) {
        if (!CliHasCommand(c.args.front())) {
            std::cout << "[ skip ] '" << c.args.front() << "' is not a command of this ledgerly-cli yet\n";
            continue;
        }
        const CliRun run = RunCli(Expand(c.args, folder));
        EXPECT_EQ(run.exitCode, 0) << c.args.front() << ": " << run.err;
        EXPECT_NE(run.out.find(c.expect), std::string::npos) << c.args.front() << " missed '" << c.expect << "'";
    }
    if (CliHasCommand("strip-html")) {
        EXPECT_TRUE(CheckPair(MailboxPair::FromMailboxPath(folder + "Box.mbx")).Consistent());
        const std::string mbx = ReadFile(folder + "Box.mbx");
        EXPECT_EQ(mbx.find("<b>"), std::string::npos);
        EXPECT_NE(mbx.find("someone@example.com"), std::string::npos);
    }
}

// ---- heavy: LEDGERLY_LARGE_TESTS=1 ----------------------------------------

struct Measured {
    int exitCode = -1;
    long peakKb = 0;
    std::string err;
};

Measured RunTimed(const std::vector<std::string>& args, const std::string& scratch) {
    const char* env = std::getenv("LEDGERLY_CLI");
    std::string command = "/usr/bin/time -v -o '" + scratch + "time' '" + std::string(env && *env ? env : LEDGERLY_CLI_PATH) + "'";
    for (const std::string& a : args) command += " '" + a + "'";
    command += " </dev/null >/dev/null 2>'" + scratch + "err'";
    Measured m;
    const int status = std::system(command.c_str());
    m.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    const std::string report = ReadFile(scratch + "time");
    std::smatch found;
    if (std::regex_search(report, found, std::regex("Maximum resident set size \\(kbytes\\): ([0-9]+)"))) m.peakKb = std::stol(found[1]);
    if (report.find("Command terminated by signal") != std::string::npos) m.exitCode = 128;
    m.err = ReadFile(scratch + "err");
    return m;
}

const std::vector<std::vector<std::string>>& EveryTool() {
    static const std::vector<std::vector<std::string>> tools = {
        {"verify", "{MBX}"}, {"list", "{MBX}"}, {"links", "--all", "{MBX}"}, {"addresses", "{MBX}"},
        {"relink", "{MBX}"}, {"export", "files", "{MBX}", "{OUT}"}, {"export", "digest", "{MBX}", "{PAGE}"},
        {"export", "mbox", "{MBX}", "{OUT}"}, {"export", "maildir", "{MBX}", "{OUT}"},
        {"update", "--all", "{MBX}"}, {"mark", "sent", "{MBX}"}, {"duplicates", "--fast", "{MBX}"},
        {"duplicates", "--slow", "{MBX}"}, {"align-columns", "{FOLDER}", "--widths", "4,4,4,6,31,17,5,4"},
        {"strip-html", "{MBX}"}, {"decode-qp", "{MBX}"}, {"rot13", "{MBX}"}, {"repair-delimiters", "{MBX}", "--yes"},
    };
    return tools;
}

// Runs every tool on the pair (a fresh copy each time); memory must stay
// below `boundKb`. Prints each tool's peak.
void RunEveryTool(const std::string& folder, const std::string& label, long boundKb) {
    const PairState original = ReadPairState(folder + "Box.");
    for (const auto& tool : EveryTool()) {
        if (!CliHasCommand(tool.front())) {
            std::cout << "[ skip ] " << tool.front() << ": not a command of this ledgerly-cli yet\n";
            continue;
        }
        RestorePairState(folder + "Box.", original);
        fs::remove_all(folder + "out");
        fs::create_directories(folder + "out");
        const Measured m = RunTimed(Expand(tool, folder), folder);
        std::string name;
        for (const std::string& a : tool) name += (name.empty() ? "" : " ") + (a[0] == '{' ? std::string() : a);
        std::cout << "[ peak ] " << label << ": " << name << " -> exit " << m.exitCode << ", " << m.peakKb / 1024 << " MB\n";
        EXPECT_LT(m.exitCode, 128) << name << " crashed: " << m.err;
        EXPECT_TRUE(m.exitCode == 0 || !m.err.empty()) << name << " failed without a message";
        EXPECT_LT(m.peakKb, boundKb) << name << " used " << m.peakKb / 1024 << " MB";
        if (fs::exists(folder + "Box.toc") && m.exitCode == 0) {
            EXPECT_TRUE(CheckPair(MailboxPair::FromMailboxPath(folder + "Box.mbx")).Consistent()) << name;
        }
        for (const std::string& b : NumberedBackups(folder, "Box.", "mbx")) fs::remove(b);
        for (const std::string& b : NumberedBackups(folder, "Box.", "toc")) fs::remove(b);
    }
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;  // it maps terabytes of shadow memory: no address-space limit fits
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// A message larger than the memory the machine gives: the run stops with a
// message instead of a crash, the pair is as it was, and the next run leaves
// nothing of it behind.
TEST(OutOfMemory, ARewriteThatCannotGetTheMemoryStopsWithAMessageAndChangesNothing) {
    if (kAddressSanitizer) GTEST_SKIP() << "not under AddressSanitizer";
    TempDir dir;
    std::string body = "<x-html>";
    while (body.size() < (40u << 20)) body += "<p>Line of the long report, see http://example.com/p</p>\r\n";
    body += "</x-html>\r\n";
    MailboxBuilder b;
    b.Add(Message(1, body), "who", "Big");
    b.Add(Message(2, "small\r\n"), "who", "Small");
    ASSERT_TRUE(b.Write(dir.str() + "Box."));
    body.clear();
    body.shrink_to_fit();
    const PairState before = ReadPairState(dir.str() + "Box.");

    const CliRun r = RunCli({"strip-html", dir.str() + "Box.mbx"}, std::size_t{96} << 20);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("Not enough memory to finish"), std::string::npos) << r.err;
    EXPECT_TRUE(ReadPairState(dir.str() + "Box.") == before);
    EXPECT_EQ(RunCli({"verify", dir.str() + "Box.mbx"}).exitCode, 0);
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "Box.mbx" || name == "Box.toc" || name.starts_with("Box.mbx.") || name.starts_with("Box.toc."))
            << name;
        EXPECT_EQ(name.find(".ledgerly-"), std::string::npos) << name << " was left behind";
    }
}

TEST(Heavy, AMessageOf100MegabytesIsHandledWithBoundedMemory) {
    if (!LargeTestsEnabled()) GTEST_SKIP() << "set LEDGERLY_LARGE_TESTS=1 for the 100 MB message";
    TempDir dir;
    std::string body;
    body.reserve(100u << 20);
    body += "<x-html>";
    for (int i = 0; body.size() < (100u << 20); ++i)
        body += "<p>Line " + std::to_string(i) + " of the long report, see http://example.com/p" + std::to_string(i % 1000) +
                " or mail ann" + std::to_string(i % 500) + "@example.com =3D =E9</p>\r\n";
    body += "</x-html>\r\n";
    MailboxBuilder b;
    b.Add(Message(1, body), "who", "Big");
    b.Add(Message(2, "small\r\n"), "who", "Small");
    ASSERT_TRUE(b.Write(dir.str() + "Box."));
    body.clear();
    body.shrink_to_fit();
    // A few copies of the mailbox at most.
    RunEveryTool(dir.str(), "100 MB message", 6 * 100 * 1024 + 256 * 1024);
}

TEST(Heavy, AMailboxOf32767MessagesIsHandledWithBoundedMemory) {
    if (!LargeTestsEnabled()) GTEST_SKIP() << "set LEDGERLY_LARGE_TESTS=1 for 32,767 messages";
    TempDir dir;
    const std::string folder = dir.str();
    fs::create_directories(folder + "attach");
    WriteWorkMailbox(folder + "Box.", 32767, folder + "gone/");
    // Message by message: the bound does not grow with the mailbox.
    RunEveryTool(folder, "32,767 messages", 128 * 1024);
}

}  // namespace
}  // namespace ledgerly::test
