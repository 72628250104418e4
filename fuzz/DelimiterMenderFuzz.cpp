// The delimiter repair on arbitrary mailbox bytes fed in pieces of every
// size the input picks: the result never depends on where the pieces break,
// only CR LF pairs are added, one per mended place, removing them gives the
// input back, and every input byte is found where MovedTo says.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "body/Delimiters.h"

using namespace ledgerly;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t piece = 1 + data[0] % 64;
    const std::string in(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::int64_t mended = 0;
    const std::string whole = InsertMissingDelimiterBreaks(in, &mended);

    DelimiterMender mender;
    std::string out;
    for (std::size_t at = 0; at < in.size(); at += piece) mender.Feed(std::string_view(in).substr(at, piece), out);
    mender.Finish(out);
    if (out != whole || mender.Mended() != mended) std::abort();
    if (whole.size() != in.size() + 2 * static_cast<std::size_t>(mended)) std::abort();
    // Every input byte stands where MovedTo says (what a TOC rebuilt after the repair relies on).
    for (std::size_t x = 0; x < in.size(); ++x)
        if (whole[static_cast<std::size_t>(mender.MovedTo(static_cast<std::int64_t>(x)))] != in[x]) std::abort();
    if (mender.MovedTo(static_cast<std::int64_t>(in.size())) != static_cast<std::int64_t>(whole.size())) std::abort();

    std::string undone;
    const std::string added = "</x-html>\r\nFrom ???@???";
    std::size_t from = 0;
    for (std::size_t at; (at = whole.find(added, from)) != std::string::npos; from = at + added.size())
        undone += whole.substr(from, at - from) + "</x-html>From ???@???";
    undone += whole.substr(from);
    // A CR LF already between the tag and the delimiter is the input's own:
    // only count on the round trip when nothing like it was there.
    if (in.find(added) == std::string::npos && undone != in) std::abort();
    return 0;
}
