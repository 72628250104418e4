// ledgerly-cli decode-field TEXT: what the summary refresh makes of a header
// value (the first encoded word decoded, the rest kept).
#include <iostream>
#include <vector>

#include "app/Encoding.h"
#include "app/FieldDecoder.h"
#include "cli/Cli.h"

namespace ledgerly::cli {
namespace {

// The decoder's working copy holds 99 bytes; a longer value comes back unchanged.
constexpr std::size_t kLongestDecoded = 99;

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("decode-field", "Decode the first encoded word (=?charset?Q|B?text?=) of a header value");
    static std::string text;
    cmd->add_option("TEXT", text, "The header value, e.g. a subject")->required();
    cmd->callback([&env] {
        FieldDecoder& decoder = FieldDecoder::Default();
        if (const Status bound = decoder.Bind(); !bound.ok()) {
            env.Fail(bound.error());
            return;
        }
        // Mail bytes are Windows-1252; the terminal speaks UTF-8.
        const std::string value = Utf8ToCp1252(text);
        if (value.size() > kLongestDecoded)
            std::cerr << "Note: the value is " << value.size() << " bytes long; values of more than " << kLongestDecoded
                      << " bytes are not decoded.\n";
        std::vector<char> buffer(value.begin(), value.end());
        buffer.push_back('\0');
        decoder.Decode(buffer.data());
        std::cout << ForTerminal(buffer.data()) << '\n';
    });
}

const CommandRegistrar registrar(90, &Register);

}  // namespace
}  // namespace ledgerly::cli
