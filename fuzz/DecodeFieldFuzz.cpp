// Fuzz target for DecodeField. The input, with a NUL appended, is the
// caller's buffer: heap memory of exactly that size, so that the sanitizer
// catches any byte read or written outside it. Inputs may hold NUL bytes of
// their own; the bytes behind the first one belong to the caller too.
//
// Checked on every input:
//  - the result is NUL-terminated inside the buffer and never longer than the
//    value that went in;
//  - every byte behind the new NUL is what it was;
//  - a value of 100 bytes or more comes back untouched;
//  - the same value always gives the same result (no state between calls).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "lwb/lwb.h"

namespace {

constexpr std::size_t kLongestValue = 99;

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "DecodeField contract broken: %s\n", what);
        std::abort();  // the fuzzer saves the input and reports it
    }
}

std::size_t LengthWithin(const char* buf, std::size_t size) {
    const void* nul = std::memchr(buf, 0, size);
    return nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - buf) : size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t total = size + 1;
    std::unique_ptr<char[]> buf(new char[total]);
    std::memcpy(buf.get(), data, size);
    buf[size] = '\0';
    std::unique_ptr<char[]> before(new char[total]);
    std::memcpy(before.get(), buf.get(), total);

    const std::size_t oldLength = LengthWithin(buf.get(), total);
    DecodeField(buf.get());
    const std::size_t newLength = LengthWithin(buf.get(), total);

    Check(newLength < total, "result not NUL-terminated");
    Check(newLength <= oldLength, "result longer than the value");
    Check(std::memcmp(buf.get() + newLength + 1, before.get() + newLength + 1, total - newLength - 1) == 0,
          "bytes behind the NUL changed");
    if (oldLength > kLongestValue) Check(std::memcmp(buf.get(), before.get(), total) == 0, "long value changed");

    // Again on a fresh copy: the same result.
    std::unique_ptr<char[]> again(new char[total]);
    std::memcpy(again.get(), before.get(), total);
    DecodeField(again.get());
    Check(std::memcmp(again.get(), buf.get(), total) == 0, "result differs between calls");
    return 0;
}
