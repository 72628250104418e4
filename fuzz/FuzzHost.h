#pragma once
// A host that answers nothing and shows nothing: what a fuzz target hands a tool.
#include <cstdio>
#include <string>

#include <unistd.h>

#include "app/Host.h"

namespace ledgerly::fuzz {

class SilentHost : public Host {
public:
    void Status(std::string_view) override {}
    void Inform(std::string_view, std::string_view, BoxIcon) override {}
    bool Ask(std::string_view, std::string_view) override { return false; }
    void Wait(int) override {}
    bool EudoraRunning() override { return false; }
    void OpenProgress() override {}
    void UpdateProgress() override {}
    void CloseProgress() override {}
};

// A scratch path of this process, in memory when /dev/shm is there.
inline std::string ScratchPath(const char* name) {
    const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(base) + "/ledgerly-fuzz-" + std::to_string(::getpid()) + "-" + name;
}

inline void WriteScratch(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}

}  // namespace ledgerly::fuzz
