#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "flagging/cCRC.h"
#include "tests/support/TestSupport.h"

namespace ledgerly {
namespace {

// Plain per-byte table algorithms, written out from the published definitions:
// the engine must give exactly these results however it walks the bytes.
struct Reference {
    std::array<std::uint32_t, 256> t32{};
    std::array<std::uint32_t, 256> t16{};
    Reference() {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t32[i] = c;
            std::uint32_t crc = 0, v = i * 256;
            for (int k = 0; k < 8; ++k) {
                crc = ((crc ^ v) & 0x8000) ? (crc * 2) ^ 0x1021 : crc * 2;
                v *= 2;
            }
            t16[i] = crc & 0xFFFF;
        }
    }
    std::uint32_t Step32(std::uint32_t reg, std::span<const std::uint8_t> bytes) const {
        for (std::uint8_t b : bytes) reg = (reg >> 8) ^ t32[(reg ^ b) & 0xFF];
        return reg;
    }
    std::uint32_t Step16(std::uint32_t reg, std::span<const std::uint8_t> bytes) const {
        for (std::uint8_t b : bytes) reg = ((reg << 8) ^ t16[((reg >> 8) ^ b) & 0xFF]) & 0xFFFF;
        return reg;
    }
};

const Reference& Ref() {
    static const Reference r;
    return r;
}

std::vector<std::uint8_t> RandomBytes(std::mt19937& rng, std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (auto& b : v) b = static_cast<std::uint8_t>(rng());
    return v;
}

TEST(Crc, CheckValuesOfThePublishedAlgorithms) {
    EXPECT_EQ(Ref().t32[1], 0x77073096u);
    EXPECT_EQ(Ref().t32[128], 0xEDB88320u);
    struct Case { std::int32_t algorithm; std::int32_t value; const char* hex; };
    for (const Case& c : {Case{1, -873187034, "CBF43926"}, Case{0, 12739, "000031C3"}}) {
        cCRC crc;
        crc.SetAlgorithm(c.algorithm);
        EXPECT_EQ(crc.CalculateString("123456789"), c.value);
        EXPECT_EQ(crc.Value(), c.value);
        EXPECT_EQ(CrcHex(c.value), c.hex);
    }
    EXPECT_EQ(cCRC().CalculateString("123456789"), -873187034);  // CRC-32 from construction
}

TEST(Crc, EqualsThePerByteAlgorithmOnRandomBuffersAndRegisters) {
    std::mt19937 rng(20261207);
    for (std::size_t n : {0u, 1u, 7u, 8u, 9u, 15u, 16u, 17u, 63u, 64u, 65u, 80u, 127u, 128u, 129u, 200u, 1000u, 65536u + 3u}) {
        const std::vector<std::uint8_t> buf = RandomBytes(rng, n + 7);
        for (std::size_t offset : {0u, 1u, 3u, 7u}) {  // every alignment of the 8-byte steps
            const std::span<const std::uint8_t> bytes(buf.data() + offset, n);
            const std::uint32_t start = static_cast<std::uint32_t>(rng());
            cCRC crc;
            crc.SetValue(static_cast<std::int32_t>(start));
            EXPECT_EQ(crc.AddBytes(bytes), static_cast<std::int32_t>(~Ref().Step32(start, bytes))) << n << '+' << offset;
            EXPECT_EQ(crc.CalculateBytes(bytes), static_cast<std::int32_t>(~Ref().Step32(0xFFFFFFFFu, bytes)));
            crc.SetAlgorithm(0);
            crc.SetValue(static_cast<std::int32_t>(start & 0xFFFF));
            EXPECT_EQ(crc.AddBytes(bytes), static_cast<std::int32_t>(Ref().Step16(start & 0xFFFF, bytes))) << n;
            EXPECT_EQ(crc.CalculateBytes(bytes), static_cast<std::int32_t>(Ref().Step16(0, bytes)));
        }
    }
}

TEST(Crc, IncrementalUseContinuesTheRegister) {
    const std::string text = "From ???@??? Mon Dec 13 18:45:29 2010\r\nSubject: caf\xE9\r\n\r\nbody text of some length";
    for (std::int32_t algorithm : {1, 0}) {
        cCRC whole;
        whole.SetAlgorithm(algorithm);
        const std::int32_t expected = whole.CalculateString(text);
        for (std::size_t cut = 0; cut <= text.size(); ++cut) {
            cCRC parts;
            parts.SetAlgorithm(algorithm);
            parts.CalculateString("something else first");
            parts.Clear();
            parts.AddString(text.substr(0, cut));
            EXPECT_EQ(parts.AddString(text.substr(cut)), expected) << algorithm << " cut at " << cut;
        }
        // Empty input changes nothing.
        cCRC crc;
        crc.SetAlgorithm(algorithm);
        const std::int32_t partial = crc.AddString("abc");
        EXPECT_EQ(crc.AddString(""), partial);
        EXPECT_EQ(crc.AddBytes({}), partial);
        EXPECT_EQ(crc.Value(), partial);
    }
}

TEST(Crc, ValueWrittenIsTheRegisterAndLetsAChecksumBeResumed) {
    cCRC first;
    first.CalculateString("1234");
    cCRC second;
    second.SetValue(~first.Value());  // the CRC-32 register is the complement of Value
    EXPECT_EQ(second.AddString("56789"), -873187034);
    second.SetValue(-1);
    EXPECT_EQ(second.Value(), 0);
}

TEST(Crc, AlgorithmReadsBackAsTrueOrFalseAndSwitchingClearsBothRegisters) {
    struct Case { std::int32_t written; std::int32_t read; };
    for (const Case& c : {Case{5, -1}, Case{1, -1}, Case{-7, -1}, Case{0, 0}}) {
        cCRC crc;
        crc.AddString("dirty");
        crc.SetAlgorithm(c.written);
        EXPECT_EQ(crc.Algorithm(), c.read) << c.written;
        EXPECT_EQ(crc.Value(), 0) << "registers cleared";  // ~0xFFFFFFFF for CRC-32, 0 for CRC-16
    }
    cCRC crc;
    crc.SetAlgorithm(0);
    crc.AddString("123");
    crc.SetAlgorithm(1);
    crc.AddString("123456789");
    EXPECT_EQ(crc.Value(), -873187034);
}

TEST(Crc, FilesGiveTheChecksumOfTheirBytesAndEmptyFilesNone) {
    test::TempDir dir;
    std::mt19937 rng(7);
    const std::vector<std::uint8_t> bytes = RandomBytes(rng, 200000);  // several read blocks
    test::WriteFile(dir / "big", std::string(bytes.begin(), bytes.end()));
    test::WriteFile(dir / "empty", "");
    for (std::int32_t algorithm : {1, 0}) {
        cCRC crc;
        crc.SetAlgorithm(algorithm);
        const std::int32_t expected = cCRC(crc).CalculateBytes(bytes);
        EXPECT_EQ(crc.CalculateFile(dir / "big"), expected);
        const std::int32_t held = crc.AddString("x");
        EXPECT_EQ(crc.CalculateFile(dir / "empty"), std::nullopt);
        EXPECT_EQ(crc.CalculateFile(dir / "missing"), std::nullopt);
        EXPECT_EQ(crc.CalculateFile(dir.str()), std::nullopt);  // a folder
        EXPECT_EQ(crc.Value(), held) << "registers left alone";
    }
}

}  // namespace
}  // namespace ledgerly
