#pragma once
// Attachment references inside message text, and the case-insensitive text
// routines the attachment tools share. Texts are Windows-1252 bytes.
#include <string>
#include <string_view>
#include <vector>

namespace ledgerly {

inline constexpr std::string_view kAttachmentConverted = "Attachment Converted: ";
inline constexpr std::string_view kXAttachments = "X-Attachments: ";
inline constexpr std::string_view kEmbeddedContent = "Embedded Content: ";

// The text with every letter folded (Windows-1252 folding).
std::string FoldText(std::string_view text);
// Every occurrence of `from`, in any letter case, replaced by `to`, scanning
// left to right; the text between occurrences is kept as it was.
std::string ReplaceAllNoCase(std::string_view text, std::string_view from, std::string_view to);

// Local file names are UTF-8 here, mail is Windows-1252. A local text as mail
// holds it: converted when every character has a Windows-1252 form, else the
// bytes unchanged.
std::string NativeToMail(std::string_view native);
// The spellings a path from mail may have on the local file system: its
// bytes as they are, then converted to UTF-8 when that differs.
std::vector<std::string> MailSpellings(const std::string& cp1252);

// The path an "Attachment Converted: " line names: the rest of the line less
// one closing and then one opening double quote.
std::string ConvertedPath(std::string_view rest);
// The non-empty pieces of an "X-Attachments: " value, cut at ";" and trimmed.
std::vector<std::string> XAttachmentPieces(std::string_view rest);

// Every path the lines of `text` (cut at CR LF, a lone LF also ends a line)
// name in "Attachment Converted: " lines and "X-Attachments: " headers.
// With exactCase the prefixes must match with case, else in any case.
std::vector<std::string> AttachmentReferences(std::string_view text, bool exactCase);

}  // namespace ledgerly
