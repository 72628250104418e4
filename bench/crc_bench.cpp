// CRC-32 throughput of cCRC on a 256 MiB buffer, next to zlib's crc32 and a
// plain per-byte table loop on the same buffer. Usage: crc_bench [MiB] [runs]
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

#include "flagging/cCRC.h"

namespace {

struct Timing {
    double bestMBps = 0, medianMBps = 0;
    std::uint32_t crc = 0;
};

Timing Measure(const std::vector<std::uint8_t>& buf, int runs, const std::function<std::uint32_t()>& fn) {
    std::vector<double> rates;
    Timing t;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        t.crc = fn();
        const std::chrono::duration<double> secs = std::chrono::steady_clock::now() - start;
        rates.push_back(static_cast<double>(buf.size()) / 1e6 / secs.count());
    }
    std::sort(rates.begin(), rates.end());
    t.bestMBps = rates.back();
    t.medianMBps = rates[rates.size() / 2];
    return t;
}

std::uint32_t PerByte(const std::vector<std::uint8_t>& buf) {
    static std::uint32_t table[256];
    if (table[1] == 0)
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
    std::uint32_t reg = 0xFFFFFFFFu;
    for (std::uint8_t b : buf) reg = (reg >> 8) ^ table[(reg ^ b) & 0xFF];
    return ~reg;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 256;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    std::vector<std::uint8_t> buf(mib << 20);
    std::mt19937_64 rng(42);
    for (std::size_t i = 0; i + 8 <= buf.size(); i += 8) {
        const std::uint64_t v = rng();
        for (int k = 0; k < 8; ++k) buf[i + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(v >> (8 * k));
    }

    ledgerly::cCRC crc;
    const Timing ours = Measure(buf, runs, [&] { return static_cast<std::uint32_t>(crc.CalculateBytes(buf)); });
    const Timing zlib = Measure(buf, runs, [&] {
        uLong c = crc32(0L, Z_NULL, 0);
        // zlib takes at most 4 GiB - 1 per call; feed it in 1 GiB pieces.
        for (std::size_t off = 0; off < buf.size(); off += std::size_t{1} << 30) {
            const std::size_t n = std::min(buf.size() - off, std::size_t{1} << 30);
            c = crc32(c, buf.data() + off, static_cast<uInt>(n));
        }
        return static_cast<std::uint32_t>(c);
    });
    const Timing plain = Measure(buf, std::max(1, runs / 2), [&] { return PerByte(buf); });
    crc.SetAlgorithm(0);
    const Timing crc16 = Measure(buf, std::max(1, runs / 2), [&] { return static_cast<std::uint32_t>(crc.CalculateBytes(buf)); });

    std::printf("buffer: %zu MiB, %d runs (best / median MB/s, MB = 10^6 bytes)\n", mib, runs);
    std::printf("cCRC CRC-32               : %8.0f / %8.0f   crc %08X\n", ours.bestMBps, ours.medianMBps, ours.crc);
    std::printf("zlib crc32 %-15s: %8.0f / %8.0f   crc %08X\n", zlibVersion(), zlib.bestMBps, zlib.medianMBps, zlib.crc);
    std::printf("per-byte table CRC-32     : %8.0f / %8.0f   crc %08X\n", plain.bestMBps, plain.medianMBps, plain.crc);
    std::printf("cCRC CRC-16 (per byte)    : %8.0f / %8.0f\n", crc16.bestMBps, crc16.medianMBps);
    if (ours.crc != zlib.crc || ours.crc != plain.crc) {
        std::printf("MISMATCH: the checksums differ\n");
        return 1;
    }
    return 0;
}
