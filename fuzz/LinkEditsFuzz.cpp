// The link repair's rewrite on arbitrary text with rows cut from that text:
// the one-scan LinkEdits gives exactly what applying the rows one by one
// gives (same text, same count), and PatternSet finds exactly the patterns
// a plain search finds.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/TextHelpers.h"
#include "attachments/LinkRepair.h"
#include "attachments/PatternSet.h"
#include "attachments/References.h"

using namespace ledgerly;

namespace {

// Input: a row count, three bytes per row (where its old path starts in the
// text, its length, what is decided), then the text.
std::vector<BrokenLink> RowsFrom(const std::uint8_t*& data, std::size_t& size, const std::string& text) {
    std::vector<BrokenLink> rows;
    const std::size_t count = data[0] % 8;
    ++data, --size;
    for (std::size_t k = 0; k < count && size >= 3; ++k, data += 3, size -= 3) {
        const std::size_t start = text.empty() ? 0 : data[0] * text.size() / 256;
        std::string original = text.substr(start, 1 + data[1] % 24);
        const std::uint8_t mode = data[2];
        if (mode & 1)
            for (char& c : original) c = static_cast<char>(c ^ (std::isalpha(static_cast<unsigned char>(c)) ? 0x20 : 0));
        BrokenLink row{"f", "", original, {}, LinkState::Inicijalno};
        if (mode & 2) row.state = LinkState::ZaBrisanje;
        else if (mode & 4) row.newLocation = "/n/" + text.substr(0, mode % 13);  // may hold other rows' paths
        else if (mode & 8) row.newLocation = "/new/x";
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string whole(reinterpret_cast<const char*>(data), size);
    const std::string textForRows = whole.substr(std::min<std::size_t>(size, 1 + 3 * (data[0] % 8)));
    const std::vector<BrokenLink> rows = RowsFrom(data, size, textForRows);
    const std::string text(reinterpret_cast<const char*>(data), size);
    const PathMapper mapper("/nowhere/");

    std::string expected = text;
    int expectedChanges = 0;
    std::vector<std::string> folded;
    for (const BrokenLink& row : rows) {
        const bool remove = row.state == LinkState::ZaBrisanje;
        if (row.originalLocation.empty() || (!remove && row.newLocation.empty())) continue;
        folded.push_back(FoldText(row.originalLocation));
        if (FoldText(expected).find(folded.back()) == std::string::npos) continue;
        expected = ReplaceAllNoCase(expected, row.originalLocation, remove ? std::string() : NativeToMail(mapper.ForMail(row.newLocation)));
        ++expectedChanges;
    }
    std::string actual = text;
    if (LinkEdits(rows, mapper).Apply(actual) != expectedChanges || actual != expected) std::abort();

    const std::string foldedText = FoldText(text);
    std::vector<int> present;
    for (std::size_t id = 0; id < folded.size(); ++id) {
        bool repeat = false;
        for (std::size_t j = 0; j < id; ++j) repeat = repeat || folded[j] == folded[id];
        if (!repeat && foldedText.find(folded[id]) != std::string::npos) present.push_back(static_cast<int>(id));
    }
    if (PatternSet(folded).Present(foldedText) != present) std::abort();
    return 0;
}
