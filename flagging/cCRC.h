#pragma once
// CRC-32 (ISO-HDLC, the checksum of zlib and PKZIP) and CRC-16 (XMODEM) over
// bytes, strings and files, in one call or incrementally.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ledgerly {

class cCRC {
public:
    cCRC();  // selects CRC-32 and clears the registers

    // Runs the selected algorithm over the bytes, continuing the register; returns Value().
    std::int32_t AddBytes(std::span<const std::uint8_t> bytes);
    std::int32_t AddString(std::string_view text);  // the text's bytes (Windows-1252)

    // Non-zero selects CRC-32, zero CRC-16; clears both registers. Reads -1 (CRC-32) or 0.
    void SetAlgorithm(std::int32_t algorithm);
    std::int32_t Algorithm() const { return crc32_ ? -1 : 0; }

    std::int32_t CalculateBytes(std::span<const std::uint8_t> bytes);
    std::int32_t CalculateString(std::string_view text);
    // Empty for an empty, missing or unreadable file; the registers are then left alone.
    std::optional<std::int32_t> CalculateFile(const std::string& path);

    // CRC-32: the register complemented, as a signed 32-bit value; CRC-16: 0..65535.
    std::int32_t Value() const;
    // Sets the selected algorithm's register directly (CRC-32: before complementing).
    void SetValue(std::int32_t value);
    void Clear();

private:
    bool crc32_ = true;
    std::uint32_t reg32_ = 0xFFFFFFFFu;
    std::uint32_t reg16_ = 0;
};

// Eight upper-case hexadecimal digits of a CRC value.
std::string CrcHex(std::int32_t value);

}  // namespace ledgerly
