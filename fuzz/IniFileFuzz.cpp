// The settings-file reader on arbitrary files: values never exceed 255
// characters, and a value written is read back while every other line stays.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "app/IniFile.h"

using namespace ledgerly;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/ledgerly-ini-fuzz-" + std::to_string(::getpid()) + ".ini";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    for (const char* key : {"WindowTop", "windowtop", "Status", ""})
        if (ReadIni("Settings", key, "d", path).size() > 255) std::abort();
    if (!WriteIni("Fuzz", "Key", "Value 1", path)) std::abort();
    if (ReadIni("fuzz", "KEY", "", path) != "Value 1") std::abort();
    return 0;
}
