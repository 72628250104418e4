#pragma once
// Mailbox and TOC bytes are Windows-1252 and stay bytes everywhere in the core.
// These conversions are for the places where text meets a person.
#include <string>
#include <string_view>

namespace ledgerly {

std::string Cp1252ToUtf8(std::string_view bytes);
// A character that Windows-1252 cannot hold becomes "?"; invalid UTF-8 too.
std::string Utf8ToCp1252(std::string_view utf8);

// Text for a terminal: UTF-8 characters are kept, but control characters
// (below 0x20, DEL, and 0x80-0x9F) and bytes that are not UTF-8 are written
// as "\xHH", so that no escape sequence in a subject or a file name reaches
// the terminal (a tab would shift columns and is escaped too).
std::string EscapeForTerminal(std::string_view utf8);
// A JSON string, quotes included, that is always valid UTF-8: characters are
// kept, quote, backslash and control characters escaped, and a byte that is
// not UTF-8 (a file name in another encoding) becomes the character of the
// same number ("\u00e9" for the byte 0xE9).
std::string JsonString(std::string_view utf8);

// UTF-16 for the system calls of Windows, which take file names, window
// titles and registry values in it. A byte that is not UTF-8, or a lone
// surrogate, becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
#ifdef _WIN32
// The same with wchar_t, which is UTF-16 on Windows: the text of the W calls.
inline std::wstring Wide(std::string_view utf8) {
    const std::u16string u = Utf8ToUtf16(utf8);
    return std::wstring(u.begin(), u.end());
}
inline std::string FromWide(std::wstring_view wide) { return Utf16ToUtf8(std::u16string(wide.begin(), wide.end())); }
#endif

}  // namespace ledgerly
