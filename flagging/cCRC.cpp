#include "flagging/cCRC.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define LEDGERLY_CRC_CLMUL 1
#include <immintrin.h>
#else
#define LEDGERLY_CRC_CLMUL 0
#endif

#include <array>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/FileHelpers.h"

namespace ledgerly {
namespace {

// Slicing-by-8 tables for the reflected CRC-32: table 0 is the classic
// per-byte table; table k advances a byte k positions further.
struct Crc32Tables {
    std::array<std::array<std::uint32_t, 256>, 8> t{};
    Crc32Tables() {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
            t[0][i] = c;
        }
        for (std::uint32_t i = 0; i < 256; ++i)
            for (std::size_t s = 1; s < 8; ++s) t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
    }
};

struct Crc16Table {
    std::array<std::uint16_t, 256> t{};
    Crc16Table() {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t crc = 0, c = i << 8;
            for (int k = 0; k < 8; ++k) {
                crc = ((crc ^ c) & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1;
                c <<= 1;
            }
            t[i] = static_cast<std::uint16_t>(crc & 0xFFFF);
        }
    }
};

const Crc32Tables& Tables32() { static const Crc32Tables t; return t; }
const Crc16Table& Table16() { static const Crc16Table t; return t; }

std::uint32_t Update32Slicing(std::uint32_t reg, const std::uint8_t* p, std::size_t n) {
    const auto& t = Tables32().t;
    while (n >= 8) {
        const std::uint32_t lo = reg ^ (static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                        static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
        reg = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^ t[3][p[4]] ^ t[2][p[5]] ^
              t[1][p[6]] ^ t[0][p[7]];
        p += 8;
        n -= 8;
    }
    while (n--) reg = (reg >> 8) ^ t[0][(reg ^ *p++) & 0xFF];
    return reg;
}

#if LEDGERLY_CRC_CLMUL
// Carry-less multiplication folding (the method of Intel's white paper "Fast
// CRC Computation for Generic Polynomials Using PCLMULQDQ Instruction"), for
// the reflected polynomial 0xEDB88320. Takes the register, at least 64 bytes
// and a length that is a multiple of 16; returns the register.
#define LEDGERLY_CLMUL_TARGET __attribute__((target("pclmul,sse4.1")))
LEDGERLY_CLMUL_TARGET inline __m128i load(const std::uint8_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}
// Folds 128 bits of remainder forward over the distance whose constants are k,
// onto the next 128 bits.
LEDGERLY_CLMUL_TARGET inline __m128i fold(__m128i x, __m128i k, __m128i next) {
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x11), _mm_clmulepi64_si128(x, k, 0x00)), next);
}

LEDGERLY_CLMUL_TARGET std::uint32_t Update32Clmul(std::uint32_t reg, const std::uint8_t* p,
                                                                       std::size_t n) {
    // x^(4*128+32) mod P, x^(4*128-32) mod P; x^(128+32), x^(128-32); x^64; P and mu (Barrett), bit-reflected.
    const __m128i k1k2 = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);
    const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
    const __m128i k5k0 = _mm_set_epi64x(0, 0x0163cd6124);
    const __m128i poly = _mm_set_epi64x(0x01f7011641, 0x01db710641);

    __m128i x1 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(reg)));
    __m128i x2 = load(p + 16), x3 = load(p + 32), x4 = load(p + 48);
    p += 64;
    n -= 64;
    for (; n >= 64; p += 64, n -= 64) {  // four lanes of 128 bits in parallel
        x1 = fold(x1, k1k2, load(p));
        x2 = fold(x2, k1k2, load(p + 16));
        x3 = fold(x3, k1k2, load(p + 32));
        x4 = fold(x4, k1k2, load(p + 48));
    }
    x1 = fold(x1, k3k4, x2);  // the four lanes into one
    x1 = fold(x1, k3k4, x3);
    x1 = fold(x1, k3k4, x4);
    for (; n >= 16; p += 16, n -= 16) x1 = fold(x1, k3k4, load(p));

    // 128 bits to 64, then Barrett reduction to 32.
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k3k4, 0x10));
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k5k0, 0x00), _mm_srli_si128(x1, 4));
    __m128i r = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), poly, 0x10);
    r = _mm_clmulepi64_si128(_mm_and_si128(r, low32), poly, 0x00);
    x1 = _mm_xor_si128(x1, r);
    return static_cast<std::uint32_t>(_mm_extract_epi32(x1, 1));
}

bool HasClmul() {
    static const bool has = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return has;
}
#endif

// The same result as the per-byte step over every byte; long runs go through
// carry-less multiplication where the processor has it, the rest through
// slicing-by-8.
std::uint32_t Update32(std::uint32_t reg, const std::uint8_t* p, std::size_t n) {
#if LEDGERLY_CRC_CLMUL
    if (n >= 64 && HasClmul()) {
        const std::size_t bulk = n & ~std::size_t{15};
        reg = Update32Clmul(reg, p, bulk);
        p += bulk;
        n -= bulk;
    }
#endif
    return Update32Slicing(reg, p, n);
}

std::uint32_t Update16(std::uint32_t reg, const std::uint8_t* p, std::size_t n) {
    const auto& t = Table16().t;
    while (n--) reg = ((reg << 8) ^ t[((reg >> 8) ^ *p++) & 0xFF]) & 0xFFFF;
    return reg;
}

std::span<const std::uint8_t> Bytes(std::string_view s) { return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()}; }

}  // namespace

cCRC::cCRC() { SetAlgorithm(1); }

std::int32_t cCRC::AddBytes(std::span<const std::uint8_t> bytes) {
    if (crc32_) reg32_ = Update32(reg32_, bytes.data(), bytes.size());
    else reg16_ = Update16(reg16_, bytes.data(), bytes.size());
    return Value();
}

std::int32_t cCRC::AddString(std::string_view text) { return AddBytes(Bytes(text)); }

void cCRC::SetAlgorithm(std::int32_t algorithm) {
    crc32_ = algorithm != 0;
    Clear();
}

std::int32_t cCRC::CalculateBytes(std::span<const std::uint8_t> bytes) {
    Clear();
    return AddBytes(bytes);
}

std::int32_t cCRC::CalculateString(std::string_view text) { return CalculateBytes(Bytes(text)); }

std::optional<std::int32_t> cCRC::CalculateFile(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(OpenStdFile(path, "rb"), &std::fclose);
    if (!f) return std::nullopt;
    // The file is read in blocks rather than whole; the result is the same.
    // The register is only taken over once the whole file has been read, so
    // a read error leaves the object as it was, as an empty file does.
    std::vector<std::uint8_t> buf(std::size_t{1} << 16);
    std::uint32_t reg = crc32_ ? 0xFFFFFFFFu : 0u;
    std::uint64_t total = 0;
    for (std::size_t got; (got = std::fread(buf.data(), 1, buf.size(), f.get())) > 0;) {
        reg = crc32_ ? Update32(reg, buf.data(), got) : Update16(reg, buf.data(), got);
        total += got;
    }
    if (std::ferror(f.get()) || total == 0) return std::nullopt;
    Clear();
    (crc32_ ? reg32_ : reg16_) = reg;
    return Value();
}

std::int32_t cCRC::Value() const {
    return crc32_ ? static_cast<std::int32_t>(~reg32_) : static_cast<std::int32_t>(reg16_);
}

void cCRC::SetValue(std::int32_t value) {
    if (crc32_) reg32_ = static_cast<std::uint32_t>(value);
    else reg16_ = static_cast<std::uint32_t>(value) & 0xFFFF;
}

void cCRC::Clear() {
    reg32_ = 0xFFFFFFFFu;
    reg16_ = 0;
}

std::string CrcHex(std::int32_t value) {
    char buf[9];
    std::snprintf(buf, sizeof buf, "%08X", static_cast<std::uint32_t>(value));
    return buf;
}

}  // namespace ledgerly
