// The attachment commands on the generated sample store: relink lists exactly
// the broken references the generator plants, orphans exactly the orphaned files.
// (ccache's direct mode does not see __has_include: if these tests are missing
// after store/SampleStore.h arrives, rebuild this file with CCACHE_DISABLE=1.)
#if __has_include("store/SampleStore.h")
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <tuple>

#include "app/WindowsPaths.h"
#include "store/SampleStore.h"
#include "tests/support/TestSupport.h"

using namespace ledgerly;
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

using Row = std::tuple<std::string, std::string, std::string>;  // file name, path as written, mailbox

std::vector<Row> RelinkRows(const SampleStoreInfo& info) {
    std::vector<Row> rows;
    for (const std::string& mbx : info.mailboxes) {
        const auto run = RunCli({"--data-folder", info.folder, "relink", mbx});
        EXPECT_EQ(run.exitCode, 0) << mbx << ": " << run.err;
        for (const std::string& line : Lines(run.out))
            rows.emplace_back(line.substr(0, line.find('\t')), line.substr(line.rfind('\t') + 1), mbx);
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

struct Sample {
    TempDir dir;
    SampleStoreInfo info;
    Sample() {
        auto written = WriteSampleStore(dir / "store/");
        EXPECT_TRUE(written.ok()) << written.error();
        if (written) info = *written;
    }
};

}  // namespace

TEST(SampleStoreAttachments, RelinkListsExactlyThePlantedBrokenReferences) {
    Sample s;
    ASSERT_FALSE(s.info.brokenReferences.empty());
    std::vector<Row> planted;
    for (const PlantedReference& r : s.info.brokenReferences) planted.emplace_back(r.fileName, r.writtenPath, r.mailbox);
    std::sort(planted.begin(), planted.end());
    EXPECT_EQ(RelinkRows(s.info), planted);
}

// attach/moved.pdf is named by mail only through its old, broken location: it
// is the file that reference is to be pointed at again, so it is no orphan.
TEST(SampleStoreAttachments, OrphansListsExactlyThePlantedOrphans) {
    Sample s;
    std::vector<std::string> expected = s.info.orphanedFiles;
    std::sort(expected.begin(), expected.end(),
              [](const std::string& a, const std::string& b) { return FileNameOfAnyPath(a) < FileNameOfAnyPath(b); });
    ASSERT_EQ(expected.size(), 2u);
    const auto run = RunCli({"--data-folder", s.info.folder, "orphans", "--search-folder", s.info.attachFolder, s.info.folder});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Lines(run.out), expected);
    EXPECT_NE(run.err.find("Search Completed. 2 orphaned attachments found in " + std::to_string(s.info.mailboxes.size()) + " mailboxes."),
              std::string::npos)
        << run.err;
}

TEST(SampleStoreAttachments, RelinkingTheMovedFileRepairsOnlyThatReference) {
    Sample s;
    const auto moved = std::find_if(s.info.brokenReferences.begin(), s.info.brokenReferences.end(),
                                    [&](const PlantedReference& r) { return r.fileName == FileNameOfAnyPath(s.info.movedFile); });
    ASSERT_NE(moved, s.info.brokenReferences.end());
    const auto fix = RunCli({"--data-folder", s.info.folder, "relink", moved->mailbox, "--set-folder", s.info.attachFolder, "--only",
                             moved->fileName});
    ASSERT_EQ(fix.exitCode, 0) << fix.err;
    std::vector<Row> rest;
    for (const PlantedReference& r : s.info.brokenReferences)
        if (r.fileName != moved->fileName) rest.emplace_back(r.fileName, r.writtenPath, r.mailbox);
    std::sort(rest.begin(), rest.end());
    EXPECT_EQ(RelinkRows(s.info), rest);
    EXPECT_EQ(RunCli({"verify", moved->mailbox}).exitCode, 0);
}
#endif
