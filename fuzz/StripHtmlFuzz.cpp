// StripHtml on arbitrary bytes: exactly what the reference (the rules done
// step by step) gives, and so never longer than its input, no complete tag
// left ("<" with a ">" after it), and no doubled CR, LF, tab or space. The
// element removal with a name taken from the input agrees as well.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "body/StripHtml.h"
#include "tests/body/ReferenceTransforms.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in(reinterpret_cast<const char*>(data), size);
    const std::string out = ledgerly::StripHtml(in);
    if (out != ledgerly::reference::StripHtml(in)) std::abort();
    if (out.size() > in.size()) std::abort();
    if (out.size() >= 3) {
        const std::size_t lt = out.find('<');
        if (lt != std::string::npos && out.find('>', lt) != std::string::npos) std::abort();
    }
    for (const char* pair : {"\r\r", "\n\n", "\t\t", "  "})
        if (out.find(pair) != std::string::npos) std::abort();
    // The first byte chooses how many of the next bytes name an element.
    if (size > 1) {
        const std::size_t n = std::min<std::size_t>(data[0] % 8, size - 1);
        const std::string name = in.substr(1, n), text = in.substr(1 + n);
        if (ledgerly::RemoveElement(text, name) != ledgerly::reference::RemoveElement(text, name)) std::abort();
        if (ledgerly::RemoveTags(text) != ledgerly::reference::RemoveTags(text)) std::abort();
    }
    return 0;
}
