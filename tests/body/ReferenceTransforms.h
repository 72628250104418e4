#pragma once
// The body transforms as they were first written: each step of their rules
// done literally, one pass per step. The engines in body/ take shortcuts;
// these stay as the yardstick their results are compared with (differential
// tests, the fuzz targets, the throughput benchmark).
#include <string>
#include <string_view>

namespace ledgerly::reference {

std::string CollapseRuns(std::string_view text, char c);
std::string NormalizeTagText(std::string_view text);
std::string RemoveTags(std::string_view text);
std::string RemoveElement(std::string_view text, std::string_view name);
std::string StripHtml(std::string_view text);

std::string DecodeQuotedPrintable(std::string_view text);
std::string Rot13(std::string_view text);

}  // namespace ledgerly::reference
