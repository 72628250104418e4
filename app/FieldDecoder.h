#pragma once
// The binding to the header-field decoder library (liblwb.so / lwb.dll),
// loaded by name from the program's own folder at the first call.
#include <string>

#include "app/Result.h"
#include "lwb/lwb.h"

namespace ledgerly {

// The library's file name beside the program.
std::string DecoderLibraryPath(const std::string& programFolder);

class FieldDecoder {
public:
    // The decoder of the library beside the running program, bound at first use.
    static FieldDecoder& Default();
    explicit FieldDecoder(std::string libraryPath);
    ~FieldDecoder();
    FieldDecoder(const FieldDecoder&) = delete;
    FieldDecoder& operator=(const FieldDecoder&) = delete;

    // Binds the library if it is not bound yet; the message says what failed.
    Status Bind();
    // Decodes the NUL-terminated value in place (never lengthens it).
    // Returns false, leaving the value alone, when the library cannot be bound.
    bool Decode(char* value);

private:
    std::string path_;
    void* handle_ = nullptr;
    DecodeFieldFunction fn_ = nullptr;
    std::string error_;
};

}  // namespace ledgerly
