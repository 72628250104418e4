#pragma once
// Small text routines shared by the tools. Texts are bytes of Windows-1252, one
// character per byte; every position is 1-based and 0 means "not found".
#include <cstddef>
#include <string>
#include <string_view>

namespace ledgerly {

// Case folding of Windows-1252: ASCII letters and the accented letters alike.
char FoldCase(char c);
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
