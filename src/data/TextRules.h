// The database's text rules: the `like` pattern matcher and the collation.
//
// Both are plain code with no SQLite in sight, so they can be tested on their
// own; Database registers them on every connection.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct UCollator;

namespace orv::data {

// Simple case folding of one code point (Unicode CaseFolding, "C" + "S").
char32_t FoldCase(char32_t c);

// Decodes UTF-8 into code points, each case-folded. Malformed bytes become
// U+FFFD, so any byte string can be matched safely.
std::u32string FoldedCodePoints(std::string_view utf8);

// A compiled pattern in the classic desktop-database `like` syntax:
//   *       any run of characters, including none
//   ?       any one character
//   #       any one digit 0-9
//   [abc]   one of the listed characters; [a-z] a range; [!abc] none of them
//   []      nothing (matches the empty string)
// Every other character stands for itself. Letters compare by Unicode case
// folding; accents are significant. A character is one code point.
// A range's bounds are code points as written ([A-_] spans 'A' to '_'); a
// character is in a set when it, or a character of the same case folding,
// is listed or lies in one of its ranges.
class LikePattern {
  public:
    // Compiles a pattern; on an invalid one (an unclosed '[' or a
    // descending range) returns false and says why in `error`.
    static bool Compile(std::string_view utf8Pattern, LikePattern& out, std::string& error);

    // Matches a whole value, given as UTF-8.
    bool Matches(std::string_view utf8Value) const;

  private:
    struct Item {
        enum Kind { Literal, AnyRun, AnyOne, Digit, Set };
        explicit Item(Kind k, char32_t c = 0) : kind(k), ch(c) {}
        Kind kind;
        char32_t ch;  // Literal: the folded character
        bool negated = false;
        // Set: the ranges as written, and the foldings of the characters in
        // them that change when folded (sorted), since a value is matched
        // folded.
        std::vector<std::pair<char32_t, char32_t>> ranges;
        std::vector<char32_t> folds;
        bool MatchesOne(char32_t folded) const;
    };
    std::vector<Item> items_;
    // Set when the pattern is literal characters and one final '*' (the
    // shape of every prefix search): matched without decoding the whole
    // value.
    bool prefixOnly_ = false;
    std::u32string prefix_;
};

// The collation of every text column: dictionary order of the ICU root
// collator at secondary strength (case-insensitive, accent-sensitive), ties
// broken by code point so distinct strings never compare equal.
class TextCollator {
  public:
    TextCollator();
    ~TextCollator();
    TextCollator(const TextCollator&) = delete;
    TextCollator& operator=(const TextCollator&) = delete;

    int Compare(std::string_view a, std::string_view b) const;

  private:
    UCollator* collator_ = nullptr;
};

}  // namespace orv::data
