#pragma once
// Initialisation files with the rules of Windows' private profile routines:
// section and key names compared without regard to case, every other line of
// the file kept as it was, file, section and key (and the file's folder)
// created on demand, values of at most 255 characters.
#include <optional>
#include <string>
#include <string_view>

namespace ledgerly {

std::string ReadIni(std::string_view section, std::string_view key, std::string_view defaultValue, const std::string& path);
bool WriteIni(std::string_view section, std::string_view key, std::string_view value, const std::string& path);

// A number as the settings file stores it: a non-negative number with one
// leading blank (" 5000"), a negative one with its sign ("-15").
std::string FormatIniNumber(long long value);
// The whole value read as a number (surrounding blanks allowed); nullopt when
// it is not one.
std::optional<double> ParseIniNumber(std::string_view value);
// ReadIni + ParseIniNumber, truncated toward zero; nullopt when absent or not a number.
std::optional<long long> ReadIniNumber(std::string_view section, std::string_view key, const std::string& path);

}  // namespace ledgerly
