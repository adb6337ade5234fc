#include "data/TextRules.h"

#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/uset.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstring>

namespace orv::data {

char32_t FoldCase(char32_t c) {
    if (c < 0x80) return c >= U'A' && c <= U'Z' ? c + 32 : c;  // the common case, cheaply
    return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
}

namespace {

std::u32string CodePoints(std::string_view utf8, bool fold) {
    std::u32string out;
    out.reserve(utf8.size());
    const auto* s = reinterpret_cast<const uint8_t*>(utf8.data());
    const auto length = static_cast<int32_t>(utf8.size());
    int32_t i = 0;
    while (i < length) {
        UChar32 c;
        U8_NEXT(s, i, length, c);
        const char32_t cp = c < 0 ? U'\uFFFD' : static_cast<char32_t>(c);
        out.push_back(fold ? FoldCase(cp) : cp);
    }
    return out;
}

// Every code point that case folding changes, ascending (about 1,400).
const std::vector<char32_t>& ChangedByFolding() {
    static const std::vector<char32_t> changed = [] {
        std::vector<char32_t> out;
        UErrorCode status = U_ZERO_ERROR;
        USet* set = uset_openEmpty();
        uset_applyIntPropertyValue(set, UCHAR_CHANGES_WHEN_CASEFOLDED, 1, &status);
        const int32_t count = U_SUCCESS(status) ? uset_getItemCount(set) : 0;
        for (int32_t k = 0; k < count; ++k) {
            UChar32 start, end;
            status = U_ZERO_ERROR;
            // Code point ranges only: the property holds no strings.
            if (uset_getItem(set, k, &start, &end, nullptr, 0, &status) != 0) continue;
            for (UChar32 c = start; c <= end; ++c)
                if (FoldCase(static_cast<char32_t>(c)) != static_cast<char32_t>(c))
                    out.push_back(static_cast<char32_t>(c));
        }
        uset_close(set);
        return out;
    }();
    return changed;
}

}  // namespace

std::u32string FoldedCodePoints(std::string_view utf8) { return CodePoints(utf8, true); }

bool LikePattern::Item::MatchesOne(char32_t c) const {
    // `c` is folded, so a listed character that folds to it matches too.
    switch (kind) {
        case Literal:
            return c == ch;
        case AnyOne:
            return true;
        case Digit:
            return c >= U'0' && c <= U'9';
        case Set: {
            const bool inSet =
                std::any_of(ranges.begin(), ranges.end(),
                            [c](const auto& r) { return c >= r.first && c <= r.second; }) ||
                std::binary_search(folds.begin(), folds.end(), c);
            return inSet != negated;
        }
        case AnyRun:
            break;
    }
    return false;
}

bool LikePattern::Compile(std::string_view utf8Pattern, LikePattern& out, std::string& error) {
    // Unfolded: folding the bounds of a range one by one would change the
    // range ([A-_] would become the descending a-_). Literals are folded below.
    const std::u32string p = CodePoints(utf8Pattern, false);
    std::vector<Item> items;
    for (size_t i = 0; i < p.size(); ++i) {
        const char32_t c = p[i];
        if (c == U'*') {
            // Consecutive stars mean the same as one.
            if (items.empty() || items.back().kind != Item::AnyRun)
                items.emplace_back(Item::AnyRun);
        } else if (c == U'?') {
            items.emplace_back(Item::AnyOne);
        } else if (c == U'#') {
            items.emplace_back(Item::Digit);
        } else if (c == U'[') {
            const size_t close = p.find(U']', i + 1);
            if (close == std::u32string::npos) {
                error = "invalid pattern: '[' without ']'";
                return false;
            }
            std::u32string_view body(p.data() + i + 1, close - i - 1);
            i = close;
            if (body.empty()) continue;  // "[]" stands for the empty string
            Item set(Item::Set);
            if (body.front() == U'!') {
                set.negated = true;
                body.remove_prefix(1);
            }
            for (size_t k = 0; k < body.size(); ++k) {
                // A '-' between two characters makes a range; at either end
                // it is itself.
                if (k + 2 < body.size() && body[k + 1] == U'-') {
                    if (body[k] > body[k + 2]) {
                        error = "invalid pattern: descending range in '[...]'";
                        return false;
                    }
                    set.ranges.emplace_back(body[k], body[k + 2]);
                    k += 2;
                } else {
                    set.ranges.emplace_back(body[k], body[k]);
                }
            }
            const auto& changed = ChangedByFolding();
            for (const auto& [low, high] : set.ranges)
                for (auto it = std::lower_bound(changed.begin(), changed.end(), low);
                     it != changed.end() && *it <= high; ++it)
                    set.folds.push_back(FoldCase(*it));
            std::sort(set.folds.begin(), set.folds.end());
            set.folds.erase(std::unique(set.folds.begin(), set.folds.end()), set.folds.end());
            items.push_back(std::move(set));
        } else {
            items.emplace_back(Item::Literal, FoldCase(c));
        }
    }
    out.prefixOnly_ = !items.empty() && items.back().kind == Item::AnyRun;
    out.prefix_.clear();
    for (size_t k = 0; out.prefixOnly_ && k + 1 < items.size(); ++k) {
        if (items[k].kind != Item::Literal) out.prefixOnly_ = false;
        out.prefix_.push_back(items[k].ch);
    }
    out.items_ = std::move(items);
    return true;
}

bool LikePattern::Matches(std::string_view utf8Value) const {
    if (prefixOnly_) {
        const auto* s = reinterpret_cast<const uint8_t*>(utf8Value.data());
        const auto length = static_cast<int32_t>(utf8Value.size());
        int32_t i = 0;
        for (const char32_t expected : prefix_) {
            if (i >= length) return false;
            UChar32 c;
            U8_NEXT(s, i, length, c);
            if ((c < 0 ? U'\uFFFD' : FoldCase(static_cast<char32_t>(c))) != expected) return false;
        }
        return true;
    }
    const std::u32string v = FoldedCodePoints(utf8Value);
    // Only '*' matches a variable length, so remembering the last star and
    // retrying from one character further is enough: O(|pattern| * |value|)
    // at worst, never exponential.
    size_t p = 0, i = 0;
    size_t starP = std::u32string::npos, starI = 0;
    const size_t m = items_.size();
    while (i < v.size()) {
        if (p < m && items_[p].kind == Item::AnyRun) {
            starP = p++;
            starI = i;
        } else if (p < m && items_[p].MatchesOne(v[i])) {
            ++p;
            ++i;
        } else if (starP != std::u32string::npos) {
            p = starP + 1;
            i = ++starI;
        } else {
            return false;
        }
    }
    while (p < m && items_[p].kind == Item::AnyRun) ++p;
    return p == m;
}

TextCollator::TextCollator() {
    UErrorCode status = U_ZERO_ERROR;
    collator_ = ucol_open("", &status);
    if (U_FAILURE(status)) {
        collator_ = nullptr;
        return;
    }
    ucol_setStrength(collator_, UCOL_SECONDARY);
}

TextCollator::~TextCollator() {
    if (collator_) ucol_close(collator_);
}

int TextCollator::Compare(std::string_view a, std::string_view b) const {
    if (collator_) {
        UErrorCode status = U_ZERO_ERROR;
        const UCollationResult r =
            ucol_strcollUTF8(collator_, a.data(), static_cast<int32_t>(a.size()), b.data(),
                             static_cast<int32_t>(b.size()), &status);
        if (U_SUCCESS(status) && r != UCOL_EQUAL) return r == UCOL_LESS ? -1 : 1;
    }
    // UTF-8 byte order is code point order.
    const int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (c != 0) return c < 0 ? -1 : 1;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace orv::data
