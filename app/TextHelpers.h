#pragma once
// Small text routines shared by the tools. Texts are bytes of Windows-1252, one
// character per byte; every position is 1-based and 0 means "not found".
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace ledgerly {

namespace detail {
constexpr std::array<unsigned char, 256> MakeFoldTable() {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i) t[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i);
    for (int c = 'A'; c <= 'Z'; ++c) t[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c + 32);
    for (int c = 0xC0; c <= 0xDE; ++c)
        if (c != 0xD7) t[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c + 32);
    t[0x8A] = 0x9A;  // S caron
    t[0x8C] = 0x9C;  // OE
    t[0x8E] = 0x9E;  // Z caron
    t[0x9F] = 0xFF;  // Y diaeresis
    return t;
}
inline constexpr std::array<unsigned char, 256> kFoldTable = MakeFoldTable();
}  // namespace detail

// Case folding of Windows-1252: ASCII letters and the accented letters alike.
// Inline: the searches call it for every byte.
inline char FoldCase(char c) { return static_cast<char>(detail::kFoldTable[static_cast<unsigned char>(c)]); }
bool EqualsNoCase(std::string_view a, std::string_view b);

// fromEnd = false: first occurrence, compared without regard to case.
// fromEnd = true: last occurrence, compared with case.
std::size_t FindText(std::string_view text, std::string_view search, bool fromEnd = false);
std::string TextAfter(std::string_view text, std::string_view search, bool fromEnd = false);
std::string TextAfterLast(std::string_view text, std::string_view search);
std::string TextBefore(std::string_view text, std::string_view search, bool fromEnd = false);
std::string TextBeforeLast(std::string_view text, std::string_view search);
int CountOccurrences(std::string_view text, std::string_view search, bool lowerCase = false);
bool IsAlphanumeric(std::string_view text);
std::string KeepAlphanumerics(std::string_view text);
std::string TrimAtNull(std::string_view text);
std::string TrimSpaces(std::string_view text);  // leading and trailing spaces only

// Replaces every occurrence of `from` (case-sensitive), scanning left to right.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

}  // namespace ledgerly
