#include "app/FieldDecoder.h"

#ifdef _WIN32
#include <windows.h>

#include "app/Encoding.h"
#include "app/Platform.h"
#else
#include <dlfcn.h>
#endif

#include "app/FileHelpers.h"

namespace ledgerly {

std::string DecoderLibraryPath(const std::string& programFolder) {
#ifdef _WIN32
    return WithTrailingSeparator(programFolder) + "lwb.dll";
#else
    return WithTrailingSeparator(programFolder) + "liblwb.so";
#endif
}

FieldDecoder& FieldDecoder::Default() {
    static FieldDecoder decoder(DecoderLibraryPath(ProgramFolder()));
    return decoder;
}

FieldDecoder::FieldDecoder(std::string libraryPath) : path_(std::move(libraryPath)) {}

FieldDecoder::~FieldDecoder() {
#ifdef _WIN32
    if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
#else
    if (handle_) dlclose(handle_);
#endif
}

Status FieldDecoder::Bind() {
    if (fn_) return {};
    if (!error_.empty()) return Status::Fail(error_);
    if (!FileExists(path_)) {
        error_ = "The header-field decoder library '" + path_ + "' is missing.";
        return Status::Fail(error_);
    }
    std::string why;
#ifdef _WIN32
    // The full path, so that the system's search order plays no part.
    handle_ = ::LoadLibraryExW(Wide(path_).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!handle_) {
        why = ": " + SystemMessage(::GetLastError());
        if (why.back() == '.') why.pop_back();
    } else {
        // Through a generic function pointer: FARPROC's own type matches no function.
        const auto symbol = reinterpret_cast<void (*)()>(::GetProcAddress(static_cast<HMODULE>(handle_), "DecodeField"));
        fn_ = reinterpret_cast<DecodeFieldFunction>(symbol);
    }
#else
    handle_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        if (const char* e = dlerror()) why = std::string(": ") + e;
    } else {
        fn_ = reinterpret_cast<DecodeFieldFunction>(dlsym(handle_, "DecodeField"));
    }
#endif
    if (!handle_) error_ = "The header-field decoder library '" + path_ + "' cannot be loaded" + why + ".";
    else if (!fn_) error_ = "The library '" + path_ + "' has no DecodeField function.";
    return error_.empty() ? Status() : Status::Fail(error_);
}

bool FieldDecoder::Decode(char* value) {
    if (!Bind().ok()) return false;
    fn_(value);
    return true;
}

}  // namespace ledgerly
