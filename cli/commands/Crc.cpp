// ledgerly-cli crc [--crc16] FILE...: the checksum the duplicate finder uses,
// one line per file: the value (signed), its eight hexadecimal digits, the name.
#include <filesystem>
#include <iostream>
#include <vector>

#include "app/FileHelpers.h"
#include "cli/Cli.h"
#include "flagging/cCRC.h"

namespace ledgerly::cli {
namespace {

namespace fs = std::filesystem;

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("crc", "Print the CRC-32 (or CRC-16) checksum of files: the value as a signed number, its eight hex digits, the name");
    static std::vector<std::string> files;
    static bool crc16 = false;
    cmd->add_flag("--crc16", crc16, "CRC-16/XMODEM instead of CRC-32");
    cmd->add_option("FILE", files, "The files")->required();
    cmd->callback([&env] {
        cCRC crc;
        crc.SetAlgorithm(crc16 ? 0 : 1);
        for (const std::string& file : files) {
            std::error_code ec;
            if (!fs::is_regular_file(FsPath(file), ec)) {
                std::cout.flush();
                env.Fail(fs::exists(FsPath(file), ec) ? "Not a file: '" + PathForTerminal(file) + "'." : "File not found: '" + PathForTerminal(file) + "'.");
                continue;
            }
            if (const std::optional<std::int32_t> value = crc.CalculateFile(file)) {
                std::cout << *value << '\t' << CrcHex(*value) << '\t' << PathForTerminal(file) << '\n';
            } else if (fs::file_size(FsPath(file), ec) == 0 && !ec) {
                // An empty file has no checksum (not even that of zero bytes).
                std::cout << "(empty)\t(empty)\t" << PathForTerminal(file) << '\n';
            } else {
                std::cout.flush();
                env.Fail("Cannot read '" + PathForTerminal(file) + "'.");
            }
        }
        std::cout.flush();
    });
}

const CommandRegistrar registrar(91, &Register);

}  // namespace
}  // namespace ledgerly::cli
