#include <gtest/gtest.h>

#include <random>
#include <string>

#include "app/TextHelpers.h"

#include "body/BodyTransforms.h"
#include "body/RewriteBodies.h"
#include "body/StripHtml.h"
#include "tests/body/ReferenceTransforms.h"

namespace ledgerly {
namespace {

struct Case {
    std::string input;
    std::string expected;
};

TEST(StripHtml, RemovesMarkupHeadAndScriptAndCollapsesRuns) {
    const Case cases[] = {
        {"<html><head><title>T</title></head><body><p>Hi  there</p><script>x()</script></body></html>", "Hi there"},
        {"a < b and more", "a <b and more"},                      // a lone "<" stays with all behind it
        {"x <b>bold</b> < y", "x bold <y"},
        {"<HEAD><Title>t</TITLE></Head>kept", "kept"},            // names matched without case
        {"<header>h</header>rest", "rest"},                       // the name is a prefix: <header is a <head
        {"<head>unclosed head <p>x</p>", "unclosed head x"},      // no "</head": nothing removed but tags
        {"A &amp; B", "A &amp; B"},                               // references are not decoded
        {"one\r\n\r\n\r\ntwo\t\t three", "one\r\n\r\n\r\ntwo\t three"},
        {"\r\r\n\n", "\r\n"},
        {"<<", "<<"},                                             // shorter than three characters
        {"<script>a</script><script>b</script>c", "c"},
        {"<scr<script>x</script>ipt>y</script>z", "z"},          // removal joins a new element
        {"< b>x</ b>", "x"},                                      // "< " made "<" before tags go
    };
    for (const Case& c : cases) EXPECT_EQ(StripHtml(c.input), c.expected) << c.input;
}

TEST(StripHtml, HelpersKeepTheirOwnRules) {
    EXPECT_EQ(CollapseRuns("aaabaa", 'a'), "aba");
    EXPECT_EQ(NormalizeTagText("<   <  p>"), "<<p>");
    EXPECT_EQ(RemoveTags("<>"), "<>");
    EXPECT_EQ(RemoveTags("a<>b"), "ab");
    EXPECT_EQ(RemoveElement("x<Style>s</style >y", "style"), "xy");
    EXPECT_EQ(RemoveElement("x<style>s", "style"), "x<style>s");
    // A removal joins "a<x<" and "/x</x>": the new element's end begins
    // inside its own start, which only a name holding "<" allows.
    EXPECT_EQ(RemoveElement("a<x<<x</x></x</x>/x</x>", "x</x"), "a");
}

TEST(DecodeQuotedPrintable, DecodesTheEscapesItKnowsAndDropsOtherEquals) {
    const Case cases[] = {
        {"caf=E9 =3D x=\r\nyz", "caf\xE9 = x\r\nyz"},   // a soft break loses its "=", keeps its break
        {"=0D=0A", "\r\n"},
        {"=e9", "e9"},                                   // lower-case digits are not escapes
        {"=41=42", "4142"},                              // printable ASCII escapes lose only "="
        {"=20=09=00=7F=FF=80", std::string(" \t\0\x7F\xFF\x80", 6)},
        {"=3D41", "=41"},                                // the decoded "=" is not read again
        {"=3D3D", "=3D"},
        {"==E9", "\xE9"},
        {"a=", "a"},
        {"a=4", "a4"},
        {"=0G", "0G"},
        {"=1F=10=0F=0A=09", "\x1F\x10\x0F\n\t"},
        {"=FF=FE", "\xFF\xFE"},                          // two decoded bytes stay what they are
        {std::string("\xFF\xFE", 2), std::string("\xFF\xFE", 2)},
    };
    for (const Case& c : cases) EXPECT_EQ(DecodeQuotedPrintable(c.input), c.expected) << c.input;
}

// The decoding as a sequence of replacements over the whole text, step by step.
std::string DecodeByReplacements(std::string text) {
    auto hex2 = [](int v) {
        const char* digits = "0123456789ABCDEF";
        return std::string{'=', digits[v / 16], digits[v % 16]};
    };
    for (int v = 255; v >= 127; --v) text = ReplaceAll(text, hex2(v), std::string(1, static_cast<char>(v)));
    text = ReplaceAll(text, "=3D", "\xFF\xFE");
    for (int v = 32; v >= 10; --v) text = ReplaceAll(text, hex2(v), std::string(1, static_cast<char>(v)));
    for (int v = 9; v >= 0; --v) text = ReplaceAll(text, "=0" + std::to_string(v), std::string(1, static_cast<char>(v)));
    text = ReplaceAll(text, "=", "");
    return ReplaceAll(text, "\xFF\xFE", "=");
}

TEST(DecodeQuotedPrintable, OnePassAgreesWithStepwiseReplacements) {
    // Digits up to E only: the stepwise placeholder (bytes FF FE) never meets a real "=FF".
    const std::string alphabet = "===0123456789ABCDEa3D\r\n x";
    std::mt19937 rng(7);
    for (int round = 0; round < 1000; ++round) {
        std::string text;
        const int len = static_cast<int>(rng() % 24);
        for (int i = 0; i < len; ++i) text.push_back(alphabet[rng() % alphabet.size()]);
        ASSERT_EQ(DecodeQuotedPrintable(text), DecodeByReplacements(text)) << text;
    }
}

TEST(Rot13, RotatesLettersOnlyAndUndoesItself) {
    const Case cases[] = {
        {"Hello, World!", "Uryyb, Jbeyq!"},
        {"AMNZamnz", "NZAMnzam"},
        {"@[`{ 09 \xE9", "@[`{ 09 \xE9"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Rot13(c.input), c.expected) << c.input;
        EXPECT_EQ(Rot13(Rot13(c.input)), c.input) << c.input;
    }
}

TEST(RewriteMessage, RepairsAMissingSeparatorBeforeSplitting) {
    const Case cases[] = {
        // CR LF line ends and no empty line: CR LF CR LF LF after the first line.
        {"From ???@??? x\r\nSubject: s\r\nBODY", "From ???@??? x\r\n\r\n\nFhowrpg: f\r\nOBQL"},
        // LF only: the first LF becomes the separator.
        {"From ???@??? x\nbody", "From ???@??? x\r\n\r\nobql"},
        // An ordinary message keeps its header part.
        {"From ???@??? x\r\nSubject: s\r\n\r\nbody", "From ???@??? x\r\nSubject: s\r\n\r\nobql"},
        // No line break at all: the delimiter line alone, no body to transform.
        {"From ???@??? Mon Dec 13 18:45:29 2010", "From ???@??? Mon Dec 13 18:45:29 2010"},
        {"abc", "abc"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(RewriteMessage(RewriteMode::Rot13, c.input), c.expected) << c.input;
    for (RewriteMode mode : {RewriteMode::StripHtml, RewriteMode::DecodeQuotedPrintable})
        EXPECT_EQ(RewriteMessage(mode, "From ???@???  <b>=41</b>"), "From ???@???  <b>=41</b>");
}

TEST(RewriteMessage, KeepsAMessageWhoseHeaderPartIsTooLongToSplit) {
    const std::string longHeader = "From ???@??? x\r\nX-Long: " + std::string(kMaxHeaderPart, 'a');
    bool keptWhole = false;
    const std::string message = longHeader + "\r\n\r\nbody";
    EXPECT_EQ(RewriteMessage(RewriteMode::Rot13, message, &keptWhole), message);
    EXPECT_TRUE(keptWhole);
    // Without an empty line the repair would make a separator deep inside: kept too.
    const std::string noBreak = "From ???@??? " + std::string(kMaxHeaderPart + 1, 'b') + "\r\nbody";
    EXPECT_EQ(RewriteMessage(RewriteMode::Rot13, noBreak, &keptWhole), noBreak);
    EXPECT_TRUE(keptWhole);
    // Exactly 32,767 characters of header part are still split.
    const std::string limit = std::string(kMaxHeaderPart, 'h') + "\r\n\r\nabc";
    EXPECT_EQ(RewriteMessage(RewriteMode::Rot13, limit, &keptWhole), std::string(kMaxHeaderPart, 'h') + "\r\n\r\nnop");
    EXPECT_FALSE(keptWhole);
}

TEST(RewriteMessage, CipherAndDecipherOnlyRepairTheSeparator) {
    for (RewriteMode mode : {RewriteMode::Cipher, RewriteMode::Decipher}) {
        EXPECT_EQ(RewriteMessage(mode, "From ???@??? x\r\nS: <b>=41\r\n\r\n<b>=41"), "From ???@??? x\r\nS: <b>=41\r\n\r\n<b>=41");
        EXPECT_EQ(RewriteMessage(mode, "From ???@??? x\r\n<b>"), "From ???@??? x\r\n\r\n\n<b>");
    }
}

// Random texts made of the pieces the transforms react to: tags and element
// names in mixed case, joins that only a removal completes, runs of CR, LF,
// tab and space, escapes and soft line breaks, folding 8-bit letters.
std::string RandomText(std::mt19937& rng, std::size_t pieces) {
    static const char* const kPieces[] = {
        "<", ">", "</", "< ", " <", "<head>", "<HEAD", "<HeAd ", "</head>", "</HEAD >", "<header>", "</head", "<hea",
        "d>", "<script>", "<SCRIPT", "</script>", "</ScRiPt>", "<scr", "ipt>", "</scr", "<style>", "</style>", "<p>",
        "<b>", "</b>", "<a<b>", "x", "text", " ", "  ", "   ", "\r", "\n", "\r\n", "\r\n\r\n", "\n\n", "\r\r", "\t",
        "\t\t", "&amp;", "=", "==", "=3D", "=\r\n", "=E9", "=e9", "=0A", "=0D", "=09", "=41", "=7F", "=FF", "=1", "=G0",
        "<x</x", "</x</x", "AZaz", "Nm", "\xC9", "\xE9", "\x8A", "\x9A", "\x00"};
    std::string text;
    for (std::size_t i = 0; i < pieces; ++i) {
        const char* piece = kPieces[rng() % std::size(kPieces)];
        text += *piece ? std::string(piece) : std::string(1, '\0');
    }
    return text;
}

struct TransformPair {
    const char* name;
    std::string (*engine)(std::string_view);
    std::string (*reference)(std::string_view);
};

class AgreesWithReference : public ::testing::TestWithParam<TransformPair> {};

// The engines take shortcuts through the rules; on random texts they give
// byte for byte what the rules done step by step give.
TEST_P(AgreesWithReference, OnRandomTexts) {
    const TransformPair& t = GetParam();
    std::mt19937 rng(19);
    for (int round = 0; round < 4000; ++round) {
        const std::size_t pieces = round < 3900 ? rng() % 40 : 2000 + rng() % 4000;
        const std::string text = RandomText(rng, pieces);
        ASSERT_EQ(t.engine(text), t.reference(text)) << "round " << round << ": " << ::testing::PrintToString(text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Transforms, AgreesWithReference,
    ::testing::Values(
        TransformPair{"StripHtml", [](std::string_view s) { return StripHtml(s); }, [](std::string_view s) { return reference::StripHtml(s); }},
        TransformPair{"RemoveHead", [](std::string_view s) { return RemoveElement(s, "head"); },
                      [](std::string_view s) { return reference::RemoveElement(s, "head"); }},
        TransformPair{"RemoveScript", [](std::string_view s) { return RemoveElement(s, "SCRIPT"); },
                      [](std::string_view s) { return reference::RemoveElement(s, "SCRIPT"); }},
        TransformPair{"RemoveNameWithTagStart", [](std::string_view s) { return RemoveElement(s, "x</x"); },
                      [](std::string_view s) { return reference::RemoveElement(s, "x</x"); }},
        TransformPair{"RemoveTags", [](std::string_view s) { return RemoveTags(s); }, [](std::string_view s) { return reference::RemoveTags(s); }},
        TransformPair{"NormalizeTagText", [](std::string_view s) { return NormalizeTagText(s); },
                      [](std::string_view s) { return reference::NormalizeTagText(s); }},
        TransformPair{"CollapseRunsOfEquals", [](std::string_view s) { return CollapseRuns(s, '='); },
                      [](std::string_view s) { return reference::CollapseRuns(s, '='); }},
        TransformPair{"CollapseRunsOfNul", [](std::string_view s) { return CollapseRuns(s, '\0'); },
                      [](std::string_view s) { return reference::CollapseRuns(s, '\0'); }},
        TransformPair{"DecodeQuotedPrintable", [](std::string_view s) { return DecodeQuotedPrintable(s); },
                      [](std::string_view s) { return reference::DecodeQuotedPrintable(s); }},
        TransformPair{"Rot13", [](std::string_view s) { return Rot13(s); }, [](std::string_view s) { return reference::Rot13(s); }}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace ledgerly
