#pragma once
// Mailbox and TOC bytes are Windows-1252 and stay bytes everywhere in the core.
// These conversions are for the places where text meets a person.
#include <string>
#include <string_view>

namespace ledgerly {

std::string Cp1252ToUtf8(std::string_view bytes);
// A character that Windows-1252 cannot hold becomes "?"; invalid UTF-8 too.
std::string Utf8ToCp1252(std::string_view utf8);

}  // namespace ledgerly
