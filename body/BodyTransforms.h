#pragma once
// Byte-level body transforms of the rewriting tools (Windows-1252 bytes in,
// bytes out). The HTML stripping lives in StripHtml.h.
#include <string>
#include <string_view>

namespace ledgerly {

// Decodes the quoted-printable escapes the body tools understand:
//   '=' + two upper-case hex digits of a byte 127..255 or 10..32, "=3D" ("="),
//   and "=00".."=09"; every other "=" is dropped (a soft line break loses its
//   "=" but keeps its line break; '=41' becomes '41', '=e9' becomes 'e9').
std::string DecodeQuotedPrintable(std::string_view text);

// A-M/a-m up by 13, N-Z/n-z down by 13; every other byte stays.
std::string Rot13(std::string_view text);

}  // namespace ledgerly
