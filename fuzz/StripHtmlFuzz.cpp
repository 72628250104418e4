// StripHtml on arbitrary bytes: never longer than its input, no complete tag
// left ("<" with a ">" after it), and no doubled CR, LF, tab or space.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "body/StripHtml.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in(reinterpret_cast<const char*>(data), size);
    const std::string out = ledgerly::StripHtml(in);
    if (out.size() > in.size()) std::abort();
    if (out.size() >= 3) {
        const std::size_t lt = out.find('<');
        if (lt != std::string::npos && out.find('>', lt) != std::string::npos) std::abort();
    }
    for (const char* pair : {"\r\r", "\n\n", "\t\t", "  "})
        if (out.find(pair) != std::string::npos) std::abort();
    return 0;
}
