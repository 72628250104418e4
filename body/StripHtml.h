#pragma once
// HTML stripping for message bodies, shared by the body rewriting tools and
// the exports. It works on Windows-1252 bytes and never decodes character
// references ("&amp;" stays as it is).
#include <string>
#include <string_view>

namespace ledgerly {

// Every run of `c` becomes a single `c`.
std::string CollapseRuns(std::string_view text, char c);
// Runs of spaces collapsed, then every "< " made "<".
std::string NormalizeTagText(std::string_view text);
// Removes every "<...>" (from a "<" to the first ">" after it); a lone "<"
// and everything after it stay.
std::string RemoveTags(std::string_view text);
// Removes each element "<name ... </name ...>" (name matched as a prefix,
// without regard to case).
std::string RemoveElement(std::string_view text, std::string_view name);
// Head and script elements removed, then every tag, then runs of CR, LF, tab
// and space collapsed.
std::string StripHtml(std::string_view text);

}  // namespace ledgerly
