#include "tests/cli/HardeningSupport.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "store/MailboxBuilder.h"
#include "tests/support/TestSupport.h"

namespace ledgerly::test {
namespace fs = std::filesystem;

long EnvNumber(const char* name, long fallback) {
    const char* v = std::getenv(name);
    if (!v || !*v) return fallback;
    char* end = nullptr;
    const long n = std::strtol(v, &end, 10);
    return end && *end == '\0' ? n : fallback;
}

bool LargeTestsEnabled() { return EnvNumber("LEDGERLY_LARGE_TESTS", 0) != 0; }

bool CliHasCommand(const std::string& command) {
    // An unknown name gives the program's own help, whose usage line has no command in it.
    const CliRun run = RunCli({command, "--help"});
    return run.exitCode == 0 && run.out.find("Usage: ledgerly-cli " + command + " ") != std::string::npos;
}

namespace {

std::string Filler(int seed, std::size_t bytes) {
    static const char* const kWords[] = {"ledger", "invoice", "meeting", "quarterly", "draft", "attached",
                                         "regards", "schedule", "budget", "review", "notes", "call"};
    std::string text;
    std::uint32_t x = static_cast<std::uint32_t>(seed) * 2654435761u + 1;
    int onLine = 0;
    while (text.size() < bytes) {
        x = x * 1664525u + 1013904223u;
        text += kWords[(x >> 16) % 12];
        if (++onLine == 11) { text += "\r\n"; onLine = 0; } else { text += ' '; }
    }
    return text + "\r\n";
}

}  // namespace

void WriteWorkMailbox(const std::string& pairPath, int messages, const std::string& missingAttachFolder) {
    MailboxBuilder b;
    b.Name("Box").Widths({3, 3, 3, 5, 20, 16, 4, 3});
    std::string previous;
    for (int i = 1; i <= messages; ++i) {
        const std::string n = std::to_string(i);
        std::vector<std::string> headers = {"From: Sender " + n + " <sender" + n + "@example.com>",
                                            "To: team@example.org",
                                            "Subject: Report number " + n,
                                            "Date: Mon, 13 Dec 2010 18:45:29 +0100"};
        std::string body;
        switch (i % 5) {
            case 0:  // HTML, run into the next delimiter every tenth message
                body = "<x-html><html><body><p>Hello <b>team</b>,</p>\r\n<div>" + Filler(i, 2400) +
                       "</div><br><table><tr><td>cell</td></tr></table></body></html>\r\n</x-html>";
                if (i % 10 != 0) body += "\r\n";
                break;
            case 1:  // quoted-printable
                headers.push_back("Content-Transfer-Encoding: quoted-printable");
                body = "Caf=E9 prices =3D budget=\r\n" + Filler(i, 2400) + "end of =\r\nline=20\r\n";
                break;
            case 2:  // a broken attachment reference
                body = Filler(i, 2000) + "Attachment Converted: \"" + missingAttachFolder + "file" + n + ".txt\"\r\n";
                headers.push_back("X-Attachments: " + missingAttachFolder + "file" + n + ".txt;");
                break;
            default:
                body = Filler(i, 2600);
        }
        std::string text = ComposeMessage(headers, body);
        if (i % 7 == 0 && !previous.empty()) text = previous;  // a repeated message
        // Summaries that disagree with the headers, received (status 1).
        b.Add(text, "someone else", "old subject " + n, "", 1, 3);
        previous = text;
    }
    if (Status s = b.Write(pairPath); !s) throw std::runtime_error(s.error());
}

std::string PairState::Describe() const {
    auto size = [](const std::optional<std::string>& f) { return f ? std::to_string(f->size()) + " bytes" : std::string("missing"); };
    return "mbx " + size(mbx) + ", toc " + size(toc);
}

PairState ReadPairState(const std::string& pairPath) {
    PairState s;
    if (fs::exists(pairPath + "mbx")) s.mbx = ReadFile(pairPath + "mbx");
    if (fs::exists(pairPath + "toc")) s.toc = ReadFile(pairPath + "toc");
    return s;
}

void RestorePairState(const std::string& pairPath, const PairState& state) {
    if (state.mbx) WriteFile(pairPath + "mbx", *state.mbx);
    if (state.toc) WriteFile(pairPath + "toc", *state.toc);
}

pid_t StartCli(const std::vector<std::string>& args) {
    const char* env = std::getenv("LEDGERLY_CLI");
    const std::string exe = env && *env ? env : LEDGERLY_CLI_PATH;
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(exe.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(exe.c_str(), argv.data());
        ::_exit(127);
    }
    return pid;
}

int WaitCli(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

namespace {
bool IsNumberedName(const std::string& name, const std::string& prefix) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return false;
    for (std::size_t i = prefix.size(); i < name.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
    return true;
}
}  // namespace

std::vector<std::string> NumberedBackups(const std::string& folder, const std::string& pairName, const std::string& ext) {
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (IsNumberedName(name, pairName + ext + ".")) found.push_back(e.path().string());
    }
    return found;
}

std::vector<std::string> StrayFiles(const std::string& folder, const std::string& pairName) {
    std::vector<std::string> stray;
    for (const auto& e : fs::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (name == pairName + "mbx" || name == pairName + "toc") continue;
        if (IsNumberedName(name, pairName + "mbx.") || IsNumberedName(name, pairName + "toc.")) continue;
        stray.push_back(name);
    }
    return stray;
}

}  // namespace ledgerly::test
