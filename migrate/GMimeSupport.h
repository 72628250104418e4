#pragma once
// Ownership of GMime's reference-counted objects and GLib's strings, and the
// one-time start of the library. Only migrate/ includes this.
#include <gmime/gmime.h>

#include <memory>
#include <string>
#include <string_view>

namespace ledgerly::gmime {

struct Unref {
    void operator()(gpointer p) const {
        if (p) g_object_unref(p);
    }
};
template <class T>
using Ptr = std::unique_ptr<T, Unref>;

struct Free {
    void operator()(gpointer p) const { g_free(p); }
};
using String = std::unique_ptr<char, Free>;

// g_mime_init, once per process; safe from any thread.
void Start();

// A memory stream holding a copy of `bytes`.
Ptr<GMimeStream> MemoryStream(std::string_view bytes);
// What a memory stream holds.
std::string_view Bytes(GMimeStream* memoryStream);

// SHA-256 of `bytes`, as 64 lower-case hex digits.
std::string Sha256(std::string_view bytes);
// SHA-256 of a part's decoded content.
std::string DecodedSha256(GMimePart* part);

bool IsUtf8(std::string_view bytes);

}  // namespace ledgerly::gmime
