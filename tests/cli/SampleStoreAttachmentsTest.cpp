// The attachment commands on the generated sample store: relink lists exactly
// the broken references the generator plants, orphans exactly the orphaned files.
#if __has_include("store/SampleStore.h")
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>

#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using ledgerly::test::RunCli;
using ledgerly::test::TempDir;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

std::vector<std::string> Mailboxes(const fs::path& root) {
    std::vector<std::string> boxes;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file() && e.path().extension() == ".mbx") boxes.push_back(e.path().string());
    std::sort(boxes.begin(), boxes.end());
    return boxes;
}

struct SampleStore {
    TempDir dir;
    std::string data;
    SampleStore() : data(dir / "store/") {
        const auto run = RunCli({"sample-store", data});
        EXPECT_EQ(run.exitCode, 0) << run.err;
    }
};

}  // namespace

TEST(SampleStoreAttachments, RelinkListsExactlyThePlantedBrokenReferences) {
    SampleStore s;
    std::vector<std::string> rows;
    for (const std::string& mbx : Mailboxes(s.data)) {
        const auto run = RunCli({"--data-folder", s.data, "relink", mbx});
        ASSERT_EQ(run.exitCode, 0) << mbx << ": " << run.err;
        for (const std::string& line : Lines(run.out)) rows.push_back(line);
    }
    ASSERT_EQ(rows.size(), 3u) << ::testing::PrintToString(rows);
    std::set<std::string> names;
    bool windowsPath = false, movedPath = false;
    for (const std::string& row : rows) {
        const std::string name = row.substr(0, row.find('\t'));
        const std::string original = row.substr(row.rfind('\t') + 1);
        names.insert(name);
        windowsPath = windowsPath || original == "C:\\Program Files\\Eudora\\attach\\old-invoice.doc";
        movedPath = movedPath || original == s.data + "OldAttach/moved.pdf";
        EXPECT_FALSE(fs::exists(original)) << row;
        EXPECT_NE(name, "report.pdf");
    }
    EXPECT_TRUE(windowsPath);
    EXPECT_TRUE(movedPath);
    EXPECT_EQ(names.count("old-invoice.doc"), 1u);
    EXPECT_EQ(names.count("moved.pdf"), 1u);
}

TEST(SampleStoreAttachments, OrphansListsExactlyThePlantedOrphans) {
    SampleStore s;
    const auto run = RunCli({"--data-folder", s.data, "orphans", "--search-folder", s.data + "attach", s.data});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Lines(run.out), (std::vector<std::string>{s.data + "attach/orphan-notes.txt", s.data + "attach/orphan-photo.jpg"}));
    EXPECT_NE(run.err.find("Search Completed. 2 orphaned attachments found in "), std::string::npos) << run.err;
}

TEST(SampleStoreAttachments, RepairingTheMovedFileLeavesTheOthers) {
    SampleStore s;
    for (const std::string& mbx : Mailboxes(s.data)) {
        const auto list = RunCli({"--data-folder", s.data, "relink", mbx});
        if (list.out.find("moved.pdf") == std::string::npos) continue;
        const auto fix = RunCli({"--data-folder", s.data, "relink", mbx, "--set-folder", s.data + "attach", "--only", "moved.pdf"});
        ASSERT_EQ(fix.exitCode, 0) << fix.err;
        const auto after = RunCli({"--data-folder", s.data, "relink", mbx});
        EXPECT_EQ(after.out.find("moved.pdf"), std::string::npos) << after.out;
        EXPECT_EQ(RunCli({"verify", mbx}).exitCode, 0);
        return;
    }
    FAIL() << "no mailbox names moved.pdf";
}
#endif
