// The speller: text in a Latin transliteration scheme or in Devanagari,
// written in Siddham or Lantsa (Devanagari code points for a Ranjana font).
// No widgets: the converter window, orvanta-convert and the input methods
// share it.
//
// A scheme's reader turns its text into IAST letters (tbl_scheme). The
// letters are cut into written syllables: a consonant cluster, then its
// vowel (the inherent a when none is written), then anusvara, visarga or
// candrabindu. A vowel with no consonant before it, at the start of a word
// or after another vowel, is the independent letter; a cluster with no vowel
// after it is written with virama. Each syllable is spelled as the first
// candidate of its transliteration in tbl_siddham or tbl_lantsa, so the
// keyboards, the input methods and the speller never disagree; a syllable
// the keyboards lack is put together from the spellings of its letters,
// which are read from the same table.
//
// Danda, double danda and the separator dot and bar become their script's
// marks; the avagraha is ' in Siddham (a typographic ’ stays ’), ऽ in Lantsa.
// A final (ṃ, ḥ, m̐) with no vowel before it is written as the mark alone, as
// the keyboards write it. Anything that is no letter or mark of the scheme
// (blanks, digits, other letters, Siddham, invalid input replaced by U+FFFD
// before it gets here) passes through unchanged. "##" switches the
// conversion off and on again; the two characters themselves are left out.
#pragma once

#include "data/Database.h"

#include <QString>
#include <QStringView>

#include <array>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace orv::engine {

enum class Scheme { Iast, Iso, Hk, Itrans, Velthuis, Slp1, Deva };
inline constexpr std::array kSchemes{Scheme::Iast,     Scheme::Iso,  Scheme::Hk,  Scheme::Itrans,
                                     Scheme::Velthuis, Scheme::Slp1, Scheme::Deva};
enum class Script { Siddham, Lantsa };

// The scheme's key in tbl_scheme and on the command line: "iast", "hk", ...
QString SchemeKey(Scheme scheme);
// The scheme's name for people: "IAST", "Harvard-Kyoto", ...
QString SchemeName(Scheme scheme);
std::optional<Scheme> SchemeFromKey(QStringView key);

class SpellerTables {
  public:
    // Reads tbl_scheme and the script's keyboard table (tbl_siddham or
    // tbl_lantsa) once; on failure (a missing table, a keyboard table without
    // the syllables the letters are read from) gives nothing and says why.
    static std::optional<SpellerTables> Load(data::Database& database, Script script,
                                             QString* error = nullptr);

    Script Target() const { return script_; }

    // The scheme a text is written in, told from a sample of it: Devanagari
    // by its letters; IAST by its diacritics (ISO 15919 by its own: r̥, l̥, ē,
    // ō); otherwise the Latin scheme whose tell-tale letters (those that read
    // otherwise or not at all in IAST) the sample uses most, with letters
    // that are none of a scheme's counting against it and words that read as
    // a dictionary word in it counting for it. Plain ASCII that tells nothing
    // is IAST.
    Scheme Recognise(QStringView sample) const;

    // The whole text at once.
    QString Spell(QStringView text, Scheme scheme) const;

  private:
    friend class SpellStream;
    enum class Kind : unsigned char {
        Consonant,
        Vowel,
        Final,
        Mark,
        Avagraha,
        Sign,    // a Devanagari vowel sign
        Virama,  // the Devanagari virama
    };
    struct Token {
        std::u16string input;
        Kind kind = Kind::Mark;
        // Letters (ids) of a consonant, vowel or final row; a row of several
        // letters (ITRANS x: kṣ) holds them all.
        std::vector<unsigned char> letters;
        std::u16string iast;  // of a mark or avagraha
    };
    struct SchemeTable {
        std::vector<Token> tokens;
        // Token indices by first code unit, longest input first.
        std::array<std::vector<int>, 0x80> ascii;
        std::unordered_map<char16_t, std::vector<int>> other;
        int longest = 1;  // code units of the longest input
        const std::vector<int>* StartingWith(char16_t c) const;
    };
    struct Letter {
        std::u16string iast;
        Kind kind = Kind::Consonant;
        std::u16string spelling;  // consonant with inherent a, independent vowel, final alone
        std::u16string sign;      // vowel sign, final mark after a vowel
        bool hasSign = false;
    };

    // The longest token of `scheme` at the start of `text`, or -1.
    int Match(const SchemeTable& table, QStringView text) const;
    std::optional<std::vector<unsigned char>> Letters(QStringView iast) const;
    static uint64_t Key(const unsigned char* letters, int count);
    void SpellSyllable(const unsigned char* consonants, int count, int vowel,
                       const unsigned char* finals, int finalCount, std::u16string& out) const;
    int Score(const SchemeTable& table, QStringView sample) const;

    Script script_ = Script::Siddham;
    std::array<SchemeTable, kSchemes.size()> schemes_;
    std::vector<Letter> letters_;  // id = index + 1
    std::u16string virama_;
    unsigned char a_ = 0;  // the letter a, a Devanagari consonant's inherent vowel
    std::unordered_map<uint64_t, std::u16string> syllables_;    // by Key of their letters
    std::unordered_map<std::u16string, std::u16string> marks_;  // by IAST: | || . , '
    std::u16string isoOnly_;                                    // code points only ISO 15919 uses
    // The dictionary's words in IAST: a scheme that reads a text's words as
    // known words is more likely its scheme.
    std::unordered_set<std::u16string> words_;
};

// Spells text handed over piece by piece. A piece may end anywhere (inside
// a letter of several characters, a surrogate pair or a decomposed letter):
// the text is read in NFC, and the unfinished end waits for the next piece or
// for Finish. Feeding a text in any pieces gives exactly the output of
// feeding it whole.
class SpellStream {
  public:
    SpellStream(const SpellerTables& tables, Scheme scheme);

    // Appends more text; the output of what it completes goes to `out`.
    void Feed(QStringView piece, QString& out);
    // Marks the end of the text; the rest of the output goes to `out`.
    void Finish(QString& out);

  private:
    using Kind = SpellerTables::Kind;
    void Run(QString& out);
    void Consonant(unsigned char id, QString& out);
    void Vowel(unsigned char id, QString& out);
    void Final(unsigned char id, QString& out);
    void Letter(unsigned char id, QString& out);
    // Ends the syllable under way (a cluster alone takes the virama).
    void Flush(QString& out);
    // A Devanagari consonant with neither sign nor virama after it: its
    // inherent a.
    void InherentA(QString& out);

    const SpellerTables& tables_;
    const SpellerTables::SchemeTable& table_;
    bool devanagari_;
    QString raw_;   // not yet in NFC: may go on in the next piece
    QString text_;  // in NFC, read from pos_ on
    qsizetype pos_ = 0;
    bool finished_ = false;
    bool off_ = false;  // between ## and ##
    // The syllable under way.
    std::array<unsigned char, 16> consonants_{};
    int consonantCount_ = 0;
    int vowel_ = 0;  // letter id; 0 while none
    std::array<unsigned char, 3> finals_{};
    int finalCount_ = 0;
    bool inherent_ = false;  // a Devanagari consonant waits for its vowel
    std::u16string spelled_;
};

}  // namespace orv::engine
