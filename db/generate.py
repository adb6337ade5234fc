#!/usr/bin/env python3
"""Writes the systematic reference tables in db/data from the letter tables below.

The TSV files in db/data are the sources the build reads; this script wrote
the regular parts of them and can write them again after a change to the
rules here (a new consonant cluster, a new mark). Running it:

  python3 db/generate.py
      rewrites tbl_siddham, tbl_lantsa, tbl_keyboard, tbl_siddham_trans,
      tbl_siddham_deva, tbl_siddham_lantsa, tbl_scheme, tbl_glyph and
      tbl_words (the word lexicon, from the lists in db/lexicon, the
      dictionary and tests/corpus/corpus.txt), and fills in the Siddham
      spelling of every tbl_dictionary row whose `scripts` field is empty
      (all other dictionary text is left exactly as it is);

  python3 db/generate.py --out DIR
      writes the same tables to DIR instead (db/data is only read; the
      dictionary there is never rewritten), to compare with the committed
      files;

  python3 db/generate.py --spell "oṃ maṇi padme hūṃ"
      prints the Siddham and Devanagari spelling of IAST text, for writing
      rows by hand;

  python3 db/generate.py --corpus TEXT FIXTURE
      spells each line of the IAST file TEXT in Siddham and Devanagari and
      writes them, with each line's syllables, to FIXTURE for the tests.

Python 3 standard library only. Output is deterministic.
"""

import os
import re
import sys
import unicodedata

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "data")

# ---------------------------------------------------------------------------
# Letters: IAST, Siddham, Devanagari.

VOWELS = [  # independent vowel letters
    ("a", 0x11580, "अ"), ("ā", 0x11581, "आ"), ("i", 0x11582, "इ"), ("ī", 0x11583, "ई"),
    ("u", 0x11584, "उ"), ("ū", 0x11585, "ऊ"), ("ṛ", 0x11586, "ऋ"), ("ṝ", 0x11587, "ॠ"),
    ("ḷ", 0x11588, "ऌ"), ("ḹ", 0x11589, "ॡ"), ("e", 0x1158A, "ए"), ("ai", 0x1158B, "ऐ"),
    ("o", 0x1158C, "ओ"), ("au", 0x1158D, "औ"),
]
# Variant letter forms of the Siddham tradition, read as the plain vowel.
ALTERNATE_VOWELS = [
    ("i", 0x115D8, "इ"),  # three-circle i
    ("i", 0x115D9, "इ"),  # two-circle i
    ("ī", 0x115DA, "ई"),  # two-circle ī
    ("u", 0x115DB, "उ"),
]
CONSONANTS = [
    ("k", 0x1158E, "क"), ("kh", 0x1158F, "ख"), ("g", 0x11590, "ग"), ("gh", 0x11591, "घ"),
    ("ṅ", 0x11592, "ङ"), ("c", 0x11593, "च"), ("ch", 0x11594, "छ"), ("j", 0x11595, "ज"),
    ("jh", 0x11596, "झ"), ("ñ", 0x11597, "ञ"), ("ṭ", 0x11598, "ट"), ("ṭh", 0x11599, "ठ"),
    ("ḍ", 0x1159A, "ड"), ("ḍh", 0x1159B, "ढ"), ("ṇ", 0x1159C, "ण"), ("t", 0x1159D, "त"),
    ("th", 0x1159E, "थ"), ("d", 0x1159F, "द"), ("dh", 0x115A0, "ध"), ("n", 0x115A1, "न"),
    ("p", 0x115A2, "प"), ("ph", 0x115A3, "फ"), ("b", 0x115A4, "ब"), ("bh", 0x115A5, "भ"),
    ("m", 0x115A6, "म"), ("y", 0x115A7, "य"), ("r", 0x115A8, "र"), ("l", 0x115A9, "ल"),
    ("v", 0x115AA, "व"), ("ś", 0x115AB, "श"), ("ṣ", 0x115AC, "ष"), ("s", 0x115AD, "स"),
    ("h", 0x115AE, "ह"),
]
# Dependent vowel signs. Siddham has none for ḷ and ḹ. The signs for o and au
# are the composed code points, which is what NFC keeps.
VOWEL_SIGNS = [
    ("ā", 0x115AF, "ा"), ("i", 0x115B0, "ि"), ("ī", 0x115B1, "ी"), ("u", 0x115B2, "ु"),
    ("ū", 0x115B3, "ू"), ("ṛ", 0x115B4, "ृ"), ("ṝ", 0x115B5, "ॄ"), ("e", 0x115B8, "े"),
    ("ai", 0x115B9, "ै"), ("o", 0x115BA, "ो"), ("au", 0x115BB, "ौ"),
]
ALTERNATE_SIGNS = [("u", 0x115DC, "ु"), ("ū", 0x115DD, "ू")]
# Final marks of a syllable: anusvara, visarga, candrabindu.
FINALS = [("ṃ", 0x115BD, "ं"), ("ḥ", 0x115BE, "ः"), ("m̐", 0x115BC, "ँ")]
# What may close a syllable: nothing, one final, or anusvara then visarga
# (hūṃḥ, āṃḥ).
FINAL_GROUPS = ["", "ṃ", "ḥ", "m̐", "ṃḥ"]
VIRAMA = (0x115BF, "्")
NUKTA = (0x115C0, "\u093c")

# A consonant with nukta, in IAST: ISO 15919's letter where it has one that
# no other reading here uses (q, k͟h, ġ, z, f, ẏ, ṉ, ṟ; not its ṛ and ṛh for
# ड़ and ढ़, which are IAST's vocalic r), otherwise the consonant's first
# letter followed by U+0331 combining macron below, the mark ISO 15919 gives
# its other nukta letters and that no other reading uses (ḍ̱, ḍ̱h, ḏ, ḻ).
NUKTA_IAST = {"k": "q", "kh": "k\u035fh", "g": "ġ", "j": "z", "ph": "f", "y": "ẏ",
              "n": "ṉ", "r": "ṟ"}


def with_nukta(consonant):
    iast = NUKTA_IAST.get(consonant) or consonant[0] + "\u0331" + consonant[1:]
    return unicodedata.normalize("NFC", iast)


# Marks that stand alone: Siddham code point, the key a typist enters for it,
# its IAST, its Devanagari. IAST has letters only for danda, double danda and
# the separator dot and bar; it keeps every other mark as the Siddham mark
# itself. Devanagari writes the siddham sign as its own head mark (U+A8FC), a
# repetition mark as "२" (the custom of writing 2 after a repeated word), and
# the end and section marks, which it lacks, as the flower mark (pushpika).
PUSHPIKA = "\ua8f8"
LONE_MARKS = [
    (0x115BD, "ṃ", "ṃ", "ं"), (0x115BE, "ḥ", "ḥ", "ः"), (0x115BC, "m̐", "m̐", "ँ"),
    (0x115BF, "virama", chr(0x115BF), "्"), (0x115C1, "siddham", chr(0x115C1), "\ua8fc"),
    (0x115C2, "|", "|", "।"), (0x115C3, "||", "||", "॥"),
    (0x115C4, ".", ".", "."), (0x115C5, ",", ",", ","),
] + [(0x115C6 + i, "repeat%d" % (i + 1), chr(0x115C6 + i), "२") for i in range(3)] + [
    (0x115C9, "end", chr(0x115C9), PUSHPIKA)
] + [(0x115CA + i, "section%d" % (i + 1), chr(0x115CA + i), PUSHPIKA) for i in range(14)]

# The avagraha (an elided a, so 'pi): Siddham has none of its own and writes
# the apostrophe, as IAST does; Devanagari has ऽ. Pasted text may carry the
# typographic apostrophe instead, which IAST keeps as it is.
AVAGRAHA = [("'", "'", "ऽ"), ("\u2019", "\u2019", "ऽ")]  # Siddham, IAST, Devanagari
# Punctuation in IAST text: its Siddham and Devanagari.
PUNCTUATION = {"|": (chr(0x115C2), "।"), "||": (chr(0x115C3), "॥"),
               ".": (chr(0x115C4), "."), ",": (chr(0x115C5), ","), "'": ("'", "ऽ")}

# ---------------------------------------------------------------------------
# Consonant clusters written as conjuncts: the clusters of Sanskrit and
# Buddhist Hybrid Sanskrit met in mantras, dhāraṇīs and the vocabulary around
# them, and the nasal + stop groups of the traditional syllabary charts. The
# charts' ya-, ra-, la-, va-, ma- and na-combinations and the repha are made
# from the consonant table (chart_clusters) and added to these.
LISTED_CLUSTERS = """
kk kc kt kty ktr ktv kn km ky kr kl kv ks ksm kṣ kṣm kṣy kṣv kṣṇ
khy khr
gd gdh gn gm gy gr gl gv gvy
ghn ghy ghr ghv
ṅk ṅkh ṅg ṅgh ṅkṣ ṅkr ṅm
cc cch cy cr cv
chy chr
jj jjh jjv jñ jy jr jv
jhy jhr
ñc ñch ñj ñjh
ṭk ṭp ṭṭ ṭy ṭr ṭv
ṭhy ṭhr
ḍg ḍbh ḍy ḍr ḍv
ḍhy ḍhr
ṇṭ ṇṭh ṇḍ ṇḍh ṇm ṇy ṇv
tk tkh tkr tkṣ tt tth ttr ttv tn tp tph tm ty tr try tv ts tsn tsy tny
thy thr thv
dg dgh dgr dd ddh ddhy ddhv dbh dm dy dr dv
dhm dhy dhr dhv
nt nth nd ndh nn nm ny nv ntr ndr nty ndy ndhy ndv
pt pn pm py pr pl ps
phy phr
bj bd bdh bdhv by br bl
bhy bhr bhv
mn mp mpr mb mbh mm my mr ml mv
yy yv
rk rkh rg rgh rghy rc rcch rch rj rjh rṭ rṭh rḍ rḍh rṇ rt rtt rty rtm rtsn rth rd rdh rdhv rdhn
rn rp rph rb rbh rm ry rl rv rś rśv rṣ rs rh rkṣ
lk lg lp lm ly ll lv
vy vr
śc śn śm śy śr śl śv
ṣk ṣkr ṣṭ ṣṭr ṣṭv ṣṭh ṣṇ ṣp ṣm ṣy ṣv
sk skh st str stv sth sn sp sph sm sy sr sl sv
hṇ hn hm hy hr hl hv
kpr mpy ys spr gg rvy db rdhy sty rtsny psy ṅkt
"""


def chart_clusters():
    """Every consonant before y, r, l, v, m and n, and r before every
    consonant, as the primers' conjunct charts teach them (r before r is
    left out: Sanskrit never writes it)."""
    out = []
    for second in ["y", "r", "l", "v", "m", "n"]:
        out += [c + second for c, cp, d in CONSONANTS if (c, second) != ("r", "r")]
    out += ["r" + c for c, cp, d in CONSONANTS if c != "r"]
    return out


CLUSTERS = list(dict.fromkeys(LISTED_CLUSTERS.split() + chart_clusters()))

# Seed syllables with a conjunct, typed as a whole. (Seeds on a single
# letter, such as oṃ, hūṃ or vaṃ, are among the regular rows.)
SEEDS = ["hrīḥ", "hrīṃ", "trāḥ", "trāṃ", "bhrūṃ", "āṃḥ", "phaṭ"]

# The two-key convention for IAST (ASCII keys; ṝ and ḹ by typing r or l once
# more after ṛ or ḷ).
KEYBOARD = [
    ("aa", "ā"), ("ii", "ī"), ("uu", "ū"),
    (".r", "ṛ"), ("ṛr", "ṝ"), (".l", "ḷ"), ("ḷl", "ḹ"),
    (".m", "ṃ"), (".h", "ḥ"), ("~m", "m̐"),
    (";n", "ṅ"), ('"n', "ṅ"), ("~n", "ñ"),
    (".t", "ṭ"), (".d", "ḍ"), (".n", "ṇ"),
    (";s", "ś"), ('"s', "ś"), (".s", "ṣ"),
]

# ---------------------------------------------------------------------------
# Input schemes of the speller: per scheme, each input and the IAST it reads
# as. The first input of a letter is the scheme's own spelling of it (the one
# a text written in the scheme uses; the others are common alternatives).
# Letters a scheme lacks are left out; a mark it lacks passes through.

def _scheme(vowels, consonants, finals, marks, avagraha):
    """A scheme's rows from its spellings of the vowels, consonants and
    finals in the order of VOWELS, CONSONANTS and FINALS (alternatives
    separated by |), its marks and its avagraha."""
    rows = []
    for letters, inputs in [([v for v, c, d in VOWELS], vowels),
                            ([c for c, cp, d in CONSONANTS], consonants),
                            ([f for f, cp, d in FINALS], finals)]:
        inputs = inputs.split()
        assert len(letters) == len(inputs), (letters, inputs)
        for letter, spellings in zip(letters, inputs):
            rows += [(i, letter) for i in spellings.split("|")]
    rows += [(i, m) for i, m in marks]
    rows += [(i, "'") for i in avagraha]
    return rows


_IAST_MARKS = [("|", "|"), ("||", "||"), (".", "."), (",", ",")]


def _iast_rows(extra):
    """IAST's letters as themselves and `extra` (other spellings of a
    letter), then all of them in upper case (a capital at the start of a
    sentence or a name reads as the small letter), then the marks."""
    letters = [v for v, c, d in VOWELS] + [c for c, cp, d in CONSONANTS] + \
              [f for f, cp, d in FINALS]
    rows = [(x, x) for x in letters] + list(extra)
    for x, target in list(rows):
        for up in (x[0].upper() + x[1:], x.upper()):
            rows.append((unicodedata.normalize("NFC", up), target))
    rows += _IAST_MARKS + [("'", "'"), ("\u2019", "\u2019")]
    return list(dict.fromkeys(rows))


# ISO 15919's anusvara ṁ reads as ṃ in both; a diaeresis (aï, aü) marks a
# vowel in hiatus, read as the plain vowel after a vowel.
_IAST_EXTRA = [("ṁ", "ṃ"), ("ï", "i"), ("ü", "u")]
# ISO 15919 writes the vocalic liquids with a ring below and long e, o with
# a macron (Sanskrit has no short e, o).
_ISO_EXTRA = _IAST_EXTRA + [("r\u0325", "ṛ"), ("r\u0325\u0304", "ṝ"), ("l\u0325", "ḷ"),
                            ("l\u0325\u0304", "ḹ"), ("ē", "e"), ("ō", "o")]

SCHEMES = {
    "iast": _iast_rows(_IAST_EXTRA),
    "iso": _iast_rows(_ISO_EXTRA),
    "hk": _scheme("a A i I u U R RR lR lRR e ai o au",
                  "k kh g gh G c ch j jh J T Th D Dh N t th d dh n p ph b bh m y r l v z S s h",
                  "M H ~", _IAST_MARKS, ["'"]),
    # ITRANS with its common alternatives. H and .h both read as visarga;
    # x and kSh read as kṣ, GY and dny as jñ.
    "itrans": _scheme("a A|aa i I|ii u U|uu RRi|R^i RRI|R^I LLi|L^i LLI|L^I e ai o au",
                      "k kh g gh ~N|N^ ch|c Ch|chh j jh ~n|JN T Th D Dh N t th d dh n "
                      "p ph b bh m y r l v|w sh Sh|shh s h",
                      "M|.n H|.h .N", _IAST_MARKS, [".a"])
    + [("x", "kṣ"), ("kSh", "kṣ"), ("GY", "jñ"), ("dny", "jñ")],
    "velthuis": _scheme("a aa i ii u uu .r .rr .l .ll e ai o au",
                        'k kh g gh "n c ch j jh ~n .t .th .d .dh .n t th d dh n '
                        'p ph b bh m y r l v "s .s s h',
                        ".m .h /", _IAST_MARKS, [".a"]),
    # SLP1 writes the danda and double danda as . and .., so it has no
    # separator dot.
    "slp1": _scheme("a A i I u U f F x X e E o O",
                    "k K g G N c C j J Y w W q Q R t T d D n p P b B m y r l v S z s h",
                    "M H ~", [(".", "|"), ("..", "||"), ("|", "|"), ("||", "||"), (",", ",")],
                    ["'"]),
}

# Devanagari: a consonant letter carries the inherent a unless a vowel sign
# or the virama follows it, so its rows say which kind each letter is.
DEVANAGARI_SIGNS = [(d, i) for i, cp, d in VOWEL_SIGNS] + [("\u0962", "ḷ"), ("\u0963", "ḹ")]


def devanagari_rows():
    rows = [(d, i, "consonant") for i, cp, d in CONSONANTS]
    rows += [(d, i, "vowel") for i, cp, d in VOWELS]
    rows += [(d, i, "sign") for d, i in DEVANAGARI_SIGNS]
    rows.append((VIRAMA[1], "", "virama"))
    rows += [(d, i, "final") for i, cp, d in FINALS]
    rows += [("।", "|", "mark"), ("॥", "||", "mark"), (".", ".", "mark"), (",", ",", "mark"),
             ("ऽ", "'", "avagraha"), ("\u0950", "oṃ", "syllable")]
    return rows


def letter_kind(iast):
    if iast in ("'", "\u2019"):
        return "avagraha"
    if iast in dict(_IAST_MARKS):
        return "mark"
    kinds = [k for k, v in tokens(iast) if k != "S"]
    if len(kinds) != 1 or len(tokens(iast)) != 1:
        return "syllable"  # several letters (x: kṣ)
    return {"C": "consonant", "V": "vowel", "F": "final"}[kinds[0]]


def scheme_rows():
    """The rows of tbl_scheme: (scheme, input, iast, kind)."""
    rows = []
    for name, pairs in SCHEMES.items():
        seen = set()
        for text, iast in pairs:
            text = unicodedata.normalize("NFC", text)
            assert text not in seen, (name, text)
            seen.add(text)
            rows.append((name, text, iast, letter_kind(iast)))
    rows += [("deva",) + r for r in devanagari_rows()]
    return rows


# ---------------------------------------------------------------------------
# IAST text to letters, syllables and spellings.

_TOKENS = {}
for _iast, _cp, _deva in CONSONANTS:
    _TOKENS[_iast] = ("C", _iast)
for _iast, _cp, _deva in VOWELS:
    _TOKENS[_iast] = ("V", _iast)
for _iast, _cp, _deva in FINALS:
    _TOKENS[_iast] = ("F", _iast)
for _mark in list(PUNCTUATION) + [" "]:
    _TOKENS[_mark] = ("S", _mark)
_LONGEST = max(len(t) for t in _TOKENS)

_SID_CONS = {i: chr(cp) for i, cp, d in CONSONANTS}
_DEV_CONS = {i: d for i, cp, d in CONSONANTS}
_SID_VOWEL = {i: chr(cp) for i, cp, d in VOWELS}
_DEV_VOWEL = {i: d for i, cp, d in VOWELS}
_SID_SIGN = {i: chr(cp) for i, cp, d in VOWEL_SIGNS}
_SID_SIGN["a"] = ""
_DEV_SIGN = {i: d for i, cp, d in VOWEL_SIGNS}
_DEV_SIGN["a"] = ""
_SID_FINAL = {i: chr(cp) for i, cp, d in FINALS}
_DEV_FINAL = {i: d for i, cp, d in FINALS}


def tokens(text):
    """Splits IAST into letters (longest match: kh before k, ai before a),
    blanks and punctuation."""
    text = unicodedata.normalize("NFC", text)
    out, i = [], 0
    while i < len(text):
        for n in range(_LONGEST, 0, -1):
            if text[i:i + n] in _TOKENS:
                out.append(_TOKENS[text[i:i + n]])
                i += n
                break
        else:
            raise ValueError("not an IAST letter: %r in %r" % (text[i], text))
    return out


def syllables(text):
    """IAST text as syllables (consonants, vowel or None, finals), and blanks
    and punctuation as strings.

    Consonants with no vowel after them (word-final, as in phaṭ or the hy of
    "hy avadat") are a syllable of their own, written with virama.
    """
    out, cluster = [], []
    for kind, value in tokens(text):
        if kind == "C":
            cluster.append(value)
        elif kind == "V":
            out.append((cluster, value, []))
            cluster = []
        elif kind == "F":
            if cluster or not out or isinstance(out[-1], str) or out[-1][1] is None:
                raise ValueError("a final mark without its vowel in %r" % text)
            out[-1][2].append(value)
        else:
            if cluster:
                out.append((cluster, None, []))
                cluster = []
            out.append(value)
    if cluster:
        out.append((cluster, None, []))
    return out


def iast_of(syllable):
    if isinstance(syllable, str):
        return syllable
    cons, vowel, finals = syllable
    return "".join(cons) + (vowel or "") + "".join(finals)


def spell(syllable, script):
    """One syllable in "siddham" or "deva"."""
    sid = script == "siddham"
    if isinstance(syllable, str):
        return PUNCTUATION[syllable][0 if sid else 1] if syllable in PUNCTUATION else syllable
    cons, vowel, finals = syllable
    virama = chr(VIRAMA[0]) if sid else VIRAMA[1]
    letter = _SID_CONS if sid else _DEV_CONS
    if not cons:
        text = (_SID_VOWEL if sid else _DEV_VOWEL)[vowel]
    else:
        text = virama.join(letter[c] for c in cons)
        text += virama if vowel is None else (_SID_SIGN if sid else _DEV_SIGN)[vowel]
    text += "".join((_SID_FINAL if sid else _DEV_FINAL)[f] for f in finals)
    assert unicodedata.normalize("NFC", text) == text, text
    return text


def to_script(text, script):
    return "".join(spell(s, script) for s in syllables(text))


# ---------------------------------------------------------------------------
# Converter characters: one user-perceived character (extended grapheme
# cluster) of Siddham, as ICU segments it: a letter with the marks that follow
# it. A conjunct breaks after each virama.

_LETTER_IAST = {chr(cp): (i, "V") for i, cp, d in VOWELS + ALTERNATE_VOWELS}
_LETTER_IAST.update({chr(cp): (i, "C") for i, cp, d in CONSONANTS})
_LETTER_DEVA = {chr(cp): d for i, cp, d in VOWELS + ALTERNATE_VOWELS + CONSONANTS}
_MARK_IAST = {chr(cp): i for i, cp, d in VOWEL_SIGNS + ALTERNATE_SIGNS}
_MARK_DEVA = {chr(cp): d for i, cp, d in VOWEL_SIGNS + ALTERNATE_SIGNS + FINALS}
_MARK_DEVA[chr(VIRAMA[0])] = VIRAMA[1]
_MARK_DEVA[chr(NUKTA[0])] = NUKTA[1]
_FINAL_IAST = {chr(cp): i for i, cp, d in FINALS}
_LONE = {chr(cp): (i, d) for cp, k, i, d in LONE_MARKS}
_LONE.update({s: (i, d) for s, i, d in AVAGRAHA})


def is_mark(ch):
    return unicodedata.category(ch) in ("Mn", "Mc")


def characters(text):
    """Splits Siddham text into converter characters."""
    out = []
    for ch in text:
        if out and is_mark(ch):
            out[-1] += ch
        else:
            out.append(ch)
    return out


def reading(cluster):
    """The IAST of one converter character: a letter, its vowel sign and its
    finals; a mark alone as LONE_MARKS has it."""
    if cluster in _LONE:
        return _LONE[cluster][0]
    base, rest = cluster[0], cluster[1:]
    if base in _MARK_IAST and not rest:
        return _MARK_IAST[base]  # a vowel sign on its own
    iast, kind = _LETTER_IAST[base]
    if kind == "C" and rest.startswith(chr(NUKTA[0])):
        iast, rest = with_nukta(iast), rest[1:]
    vowel = "a" if kind == "C" else ""
    finals = ""
    for ch in rest:
        if ch in _MARK_IAST and kind == "C" and vowel == "a" and not finals:
            vowel = _MARK_IAST[ch]
        elif ch == chr(VIRAMA[0]) and kind == "C" and vowel == "a" and not finals:
            vowel = None
        elif ch in _FINAL_IAST and vowel is not None:
            finals += _FINAL_IAST[ch]
        else:
            raise ValueError("no reading for %s" % " ".join("%04X" % ord(c) for c in cluster))
    return iast + (vowel or "") + finals


def devanagari(cluster):
    """The Devanagari of one converter character, in NFC (which writes न, र
    with nukta as the letters ऩ, ऱ)."""
    if cluster in _LONE:
        return _LONE[cluster][1]
    out = "".join(_LETTER_DEVA.get(ch) or _MARK_DEVA[ch] for ch in cluster)
    return unicodedata.normalize("NFC", out)


def converter_keys(extra_texts):
    """Every character a well-formed Siddham syllable breaks into, then any
    further character met in the given texts, in a stable order."""
    keys = []
    finals = [to_script("a" + f, "siddham")[1:] for f in FINAL_GROUPS]
    for iast, cp, deva in VOWELS + ALTERNATE_VOWELS:
        keys += [chr(cp) + f for f in finals]
    for iast, cp, deva in CONSONANTS:
        for base in [chr(cp), chr(cp) + chr(NUKTA[0])]:
            for sign in [""] + [chr(c) for i, c, d in VOWEL_SIGNS + ALTERNATE_SIGNS]:
                keys += [base + sign + f for f in finals]
            keys.append(base + chr(VIRAMA[0]))
    keys += [chr(cp) for i, cp, d in VOWEL_SIGNS + ALTERNATE_SIGNS]
    keys += list(_LONE)
    seen = set(keys)
    for text in extra_texts:
        for ch in characters(text):
            if ch != " " and ch not in seen:
                seen.add(ch)
                keys.append(ch)
    return keys


def check_readings(keys):
    """A consonant with nukta must read as nothing else does."""
    nukta = {reading(k) for k in keys if chr(NUKTA[0]) in k}
    other = {reading(k) for k in keys if chr(NUKTA[0]) not in k}
    assert not nukta & other, sorted(nukta & other)


# ---------------------------------------------------------------------------
# Table rows.


def script_rows():
    """The rows of tbl_siddham, (ime, Siddham), in the order written. Most
    are spelled from their IAST; the variant letter forms and the marks alone
    are given as they are written.

    Vowels and consonants take every final group (FINAL_GROUPS). Clusters
    take anusvara and visarga with every vowel sign; candrabindu and ṃḥ are
    the marks of seed syllables, whose conjuncts have two consonants, so
    longer clusters go without them. Every consonant and cluster also stands
    with virama alone (a word-final tad, the hy of "hy avadat")."""
    rows = []
    for v, cp, d in VOWELS:
        rows += [("iast", v + f) for f in FINAL_GROUPS]
    for iast, cp, deva in ALTERNATE_VOWELS:
        rows += [("raw", iast + f, chr(cp) + fs)
                 for f, fs in [("", "")] + [(i, chr(c)) for i, c, d in FINALS]]
    signs = ["a"] + [s for s, cp, d in VOWEL_SIGNS]
    for c, cp, deva in CONSONANTS:
        rows += [("iast", c + s) for s in signs]
        rows += [("raw", c + s, chr(cp) + chr(sc)) for s, sc, d in ALTERNATE_SIGNS]
        rows.append(("iast", c))
        for f in FINAL_GROUPS[1:]:
            rows += [("iast", c + s + f) for s in signs]
    for cluster in CLUSTERS:
        finals = FINAL_GROUPS if len(tokens(cluster)) == 2 else ["", "ṃ", "ḥ"]
        rows += [("iast", cluster + s + f) for f in finals for s in signs]
        rows.append(("iast", cluster))
    rows += [("iast", s) for s in SEEDS]
    rows += [("raw", k, chr(cp)) for cp, k, i, d in LONE_MARKS]
    rows.append(("iast", "'"))
    return unique((r[1], to_script(r[1], "siddham") if r[0] == "iast" else r[2]) for r in rows)


def glyph_rows(dictionary_scripts):
    """Every Siddham character in code point order, then the syllables most
    used in the dictionary."""
    glyphs = [chr(cp) for cp in range(0x11580, 0x115DE) if unicodedata.category(chr(cp)) != "Cn"]
    counts = {}
    for text in dictionary_scripts:
        for syl in akshara(text):
            counts[syl] = counts.get(syl, 0) + 1
    known = set(glyphs)
    ranked = sorted((s for s in counts if s not in known),
                    key=lambda s: (-counts[s], readings_of_text(s)))
    return glyphs + ranked[:250]


def akshara(text):
    """Splits Siddham text into written syllables: a conjunct with its vowel
    and marks; a final consonant with virama stands alone."""
    out, pending = [], ""
    for ch in characters(text):
        if ch == " ":
            if pending:
                out.append(pending)
            pending = ""
            continue
        pending += ch
        if not ch.endswith(chr(VIRAMA[0])):
            out.append(pending)
            pending = ""
    if pending:
        out.append(pending)
    return out


def unique(rows):
    out, seen = [], set()
    for row in rows:
        if row not in seen:
            seen.add(row)
            out.append(row)
    return out


def readings_of_text(text):
    return "".join(reading(c) if c != " " else " " for c in characters(text))


# ---------------------------------------------------------------------------
# TSV files.


def escape(field):
    return field.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n")


def unescape(field):
    out, i = "", 0
    while i < len(field):
        if field[i] == "\\" and i + 1 < len(field):
            out += {"t": "\t", "n": "\n", "\\": "\\"}[field[i + 1]]
            i += 2
        else:
            out += field[i]
            i += 1
    return out


def write_table(folder, name, comment, columns, rows):
    lines = ["# " + line if line else "#" for line in comment.strip("\n").split("\n")]
    lines.append("# Written by db/generate.py; edit rows here, or change the rules there and")
    lines.append("# run it again (which rewrites this file).")
    lines.append("\t".join(columns))
    for row in rows:
        fields = [escape(str(f)) for f in row]
        for f in fields:
            assert unicodedata.normalize("NFC", f) == f, f
        lines.append("\t".join(fields))
    with open(os.path.join(folder, name + ".tsv"), "w", encoding="utf-8", newline="\n") as out:
        out.write("\n".join(lines) + "\n")
    return len(rows)


def read_table(name):
    """(all lines, index of the header line, column names)."""
    with open(os.path.join(DATA, name + ".tsv"), encoding="utf-8") as f:
        lines = f.read().split("\n")
    for n, line in enumerate(lines):
        if line.strip() and not line.startswith("#"):
            return lines, n, line.split("\t")
    raise ValueError(name + ": no header")


def fill_dictionary(write):
    """Fills empty `scripts` fields from `trans` (in the file when `write`);
    returns every scripts value."""
    lines, header, columns = read_table("tbl_dictionary")
    s, t = columns.index("scripts"), columns.index("trans")
    scripts = []
    changed = False
    for n in range(header + 1, len(lines)):
        line = lines[n]
        if not line.strip() or line.startswith("#"):
            continue
        fields = line.split("\t")
        trans = unescape(fields[t])
        if not fields[s] and trans:
            fields[s] = escape(to_script(trans, "siddham"))
            lines[n] = "\t".join(fields)
            changed = True
        scripts.append(unescape(fields[s]))
    if changed and write:
        with open(os.path.join(DATA, "tbl_dictionary.tsv"), "w", encoding="utf-8",
                  newline="\n") as out:
            out.write("\n".join(lines))
    return scripts


def write_corpus(text_path, fixture_path):
    """The test fixture of an IAST corpus: for each line that is neither
    empty nor a # comment, a row "line, IAST, Siddham, Devanagari", then a
    row "syllable, IAST, Siddham, Devanagari" for each of its syllables and
    marks in order (blanks left out)."""
    rows = []
    with open(text_path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            try:
                parts = syllables(line)
            except ValueError as e:
                raise SystemExit("%s:%d: %s" % (text_path, number, e))
            rows.append(("line", unicodedata.normalize("NFC", line),
                         to_script(line, "siddham"), to_script(line, "deva")))
            rows += [("syllable", iast_of(p), spell(p, "siddham"), spell(p, "deva"))
                     for p in parts if p != " "]
    with open(fixture_path, "w", encoding="utf-8", newline="\n") as out:
        out.writelines("\t".join(escape(f) for f in row) + "\n" for row in rows)


# ---------------------------------------------------------------------------
# The word lexicon (tbl_words): whole words and phrases the input methods
# offer as completions, from the source lists in db/lexicon and the corpus.

LEXICON = os.path.join(HERE, "lexicon")
CORPUS = os.path.join(HERE, os.pardir, "tests", "corpus", "corpus.txt")

# Weight of an entry: the base of the best source it comes from, plus 10 for
# each time it occurs in practice text, that is in the corpus and in the
# mantra list (a word: as a word of a line; a phrase: as a run of whole
# words of a line):
#
#   weight = max(BASE[source] for its sources) + 10 * occurrences
#
# Mantra phrases and names stand first among unseen entries, because a
# typist enters them whole and often; generated inflections, which no text
# here attests, come last.
BASE = {"mantras": 60, "names": 50, "dictionary": 40, "corpus": 30, "inflections": 5,
        "sandhi": 3}

_WORD = re.compile(r"[^\s|.,]+")


def learned_form(text):
    """An entry as the lexicon keeps it: NFC, lower case, ṃ for ISO's ṁ,
    words separated by single blanks."""
    text = unicodedata.normalize("NFC", text).lower().replace("ṁ", "ṃ")
    return " ".join(text.split())


def spellable(text):
    """Letters and blanks only (an avagraha or a mark makes no entry), with
    every final after its vowel."""
    try:
        return all(k in "CVF" or v == " " for k, v in tokens(text)) and syllables(text)
    except ValueError:
        return False


def read_list(name, text=True):
    """The entries of db/lexicon/NAME.txt: one a line; # starts a comment.
    A list of IAST `text` must hold nothing else."""
    with open(os.path.join(LEXICON, name + ".txt"), encoding="utf-8") as f:
        lines = [learned_form(line.split("#")[0]) for line in f]
    entries = [line for line in lines if line]
    bad = [e for e in entries if text and not spellable(e)]
    assert not bad, "%s: not IAST letters: %s" % (name, bad)
    return entries


def text_lines(path):
    """The lines of an IAST text (# comments left out), in learned form."""
    with open(path, encoding="utf-8") as f:
        return [learned_form(line) for line in f if line.strip() and not line.startswith("#")]


def text_words(line):
    return [w for w in _WORD.findall(line) if spellable(w)]


# Endings of the regular a- and ā-stem nouns, by gender, each in place of the
# stem's final vowel; forms as they stand before a pause (buddhaḥ), and those
# in m also with ṃ (buddhaṃ), as texts write them before a word.
ENDINGS = {
    "m": "aḥ am ena āya āt asya e au ābhyām ayoḥ āḥ ān aiḥ ebhyaḥ ānām eṣu",
    "n": "am ena āya āt asya e āni aiḥ ebhyaḥ ānām eṣu ābhyām ayoḥ",
    "f": "ā ām ayā āyai āyāḥ āyām e ābhyām ayoḥ āḥ ābhiḥ ābhyaḥ ānām āsu",
}
# An n of the ending becomes ṇ after r, ṛ, ṝ or ṣ in the word when only
# vowels, k-, p- and y v h ṃ stand between, and a vowel, m, y, v or n follows
# (dharmeṇa, mudrāṇām, but tathāgatena, hṛdayena). The stem itself is never
# changed (vajrayānena).
_NATVA_TRIGGER = set("rṛṝṣ")
_NATVA_PASS = set("aāiīuūḷḹeoykgṅpbmvhṃ")


def inflect(stem, ending):
    active = False
    for ch in stem:
        active = ch in _NATVA_TRIGGER or (active and ch in _NATVA_PASS)
    out = ""
    for i, ch in enumerate(ending):
        if ch == "n" and active and ending[i + 1:i + 2] and ending[i + 1] in "aāiīuūṛeomyvn":
            ch = "ṇ"
        out += ch
        active = ch in _NATVA_TRIGGER or (active and ch in _NATVA_PASS)
    return stem + out


def inflections(stems, dictionary):
    """Every regular form of each "stem gender" line of db/lexicon/stems.txt
    (m, n: a-stems; f: ā-stems); each stem must be a dictionary word."""
    forms = []
    for line in stems:
        stem, gender = line.split()
        assert stem in dictionary, "stems: %s is not in the dictionary" % stem
        assert stem.endswith("ā" if gender == "f" else "a"), line
        for e in ENDINGS[gender].split():
            forms.append(inflect(stem[:-1], e))
            if e.endswith("m"):
                forms.append(inflect(stem[:-1], e[:-1] + "ṃ"))
    return forms


# The final sounds of a word as running text writes them before the next
# word (external sandhi), each in place of the form before a pause:
# devāḥ -> devā, buddhaḥ -> buddho, gatiḥ -> gatir, namaḥ -> namaś / namas,
# evam -> evaṃ, prāṇātipātāt -> prāṇātipātād, bhagavān -> bhagavāṃs.
SANDHI = [
    ("āḥ", ["ā"]),
    ("aḥ", ["o"]),
    ("ḥ", ["r", "ś", "s"]),
    ("m", ["ṃ"]),
    ("ṃ", ["m"]),
    ("t", ["d"]),
    ("n", ["ṃs", "ṃś"]),
]


def sandhi_forms(words):
    """The sandhi forms of single words: every rule whose ending the word has
    (aḥ takes o, and ś and s as any ḥ does; iḥ and uḥ take r)."""
    forms = []
    for w in words:
        if " " in w:
            continue
        for ending, replacements in SANDHI:
            if not w.endswith(ending):
                continue
            for r in replacements:
                if ending == "ḥ" and r == "r" and w[-2:-1] in ("a", "ā"):
                    continue  # aḥ and āḥ never take r
                forms.append(w[:-len(ending)] + r)
    return forms


def word_rows(dictionary_trans):
    """The rows of tbl_words, (transliteration, siddham, lantsa, weight), in
    code point order of the transliteration; and the entries per source."""
    sources = {}
    dictionary = [learned_form(t) for t in dictionary_trans]
    sources["dictionary"] = [t for t in dictionary if spellable(t)]
    mantras = read_list("mantras")
    sources["mantras"] = mantras + [w for m in mantras for w in m.split()]
    sources["names"] = read_list("names")
    corpus = text_lines(CORPUS)
    sources["corpus"] = [w for line in corpus for w in text_words(line)]
    sources["inflections"] = inflections(read_list("stems", False), set(dictionary))
    for name in list(sources):
        sources[name] = [e for e in sources[name] if spellable(e)]
    sources["sandhi"] = [e for e in sandhi_forms(set().union(*sources.values())) if spellable(e)]

    # Occurrences in practice text: single words by count, phrases as runs
    # of whole words.
    practice = [" ".join(text_words(line)) for line in corpus + mantras]
    word_count = {}
    for line in practice:
        for w in line.split():
            word_count[w] = word_count.get(w, 0) + 1

    def occurrences(entry):
        if " " not in entry:
            return word_count.get(entry, 0)
        return sum((" " + line + " ").count(" " + entry + " ") for line in practice)

    base = {}
    for name, entries in sources.items():
        for e in entries:
            base[e] = max(base.get(e, 0), BASE[name])
    rows = [(e, to_script(e, "siddham"), to_script(e, "deva"), base[e] + 10 * occurrences(e))
            for e in sorted(base)]
    sizes = {name: len(set(entries)) for name, entries in sources.items()}
    return rows, sizes


def dictionary_trans():
    lines, header, columns = read_table("tbl_dictionary")
    t = columns.index("trans")
    return [unescape(line.split("\t")[t]) for line in lines[header + 1:]
            if line.strip() and not line.startswith("#")]


def main(argv):
    if len(argv) == 3 and argv[1] == "--spell":
        print(to_script(argv[2], "siddham"))
        print(to_script(argv[2], "deva"))
        return 0
    if len(argv) == 4 and argv[1] == "--corpus":
        write_corpus(argv[2], argv[3])
        return 0
    if len(argv) == 3 and argv[1] == "--out":
        folder = argv[2]
        os.makedirs(folder, exist_ok=True)
    elif len(argv) == 1:
        folder = DATA
    else:
        print(__doc__.strip(), file=sys.stderr)
        return 2

    dictionary_scripts = fill_dictionary(folder == DATA)
    siddham = script_rows()
    keys = converter_keys([c for i, c in siddham] + dictionary_scripts)
    check_readings(keys)
    trans = [(k, reading(k)) for k in keys]
    deva = [(k, devanagari(k)) for k in keys]

    def as_devanagari(text):
        return "".join(devanagari(c) if c != " " else " " for c in characters(text))

    counts = {}
    counts["tbl_siddham"] = write_table(folder, "tbl_siddham", """
Siddham syllables by their IAST transliteration (ime), the candidates of the
Siddham keyboard. Every independent vowel and every consonant with each vowel
sign and with virama, alone and with anusvara, visarga, candrabindu and
anusvara + visarga; the conjunct clusters with each vowel sign, alone and with
anusvara and visarga (two-consonant clusters with candrabindu and anusvara +
visarga too), and with virama; seed syllables; the avagraha ('), which
Siddham writes as the apostrophe; the marks alone under the key a typist
enters for them: ṃ, ḥ, m̐, virama, siddham, | and ||, . and , for the
separator dot and bar, repeat1-3, end, section1-14 in code point order.
""", ["ime", "chars"], siddham)
    counts["tbl_lantsa"] = write_table(folder, "tbl_lantsa", """
Lantsa syllables: the syllables of tbl_siddham under the same ime, written
with Devanagari code points for a Ranjana font (Siddham's variant letter forms
have no Lantsa counterpart, so they add no rows here). The avagraha is ऽ; the
marks are written as the converter writes them.
""", ["ime", "chars"], unique((ime, as_devanagari(chars)) for ime, chars in siddham))
    counts["tbl_keyboard"] = write_table(folder, "tbl_keyboard", """
Keyboard map: when the last two characters typed are an input here, they are
replaced by its display text; the result is looked up again, so ṛ followed by
r gives ṝ (.rr) and ḷ followed by l gives ḹ (.ll). Inputs are at most two
characters.
""", ["input", "display"], KEYBOARD)
    counts["tbl_siddham_trans"] = write_table(folder, "tbl_siddham_trans", """
Converter, Siddham to IAST, one row per Siddham character (an extended
grapheme cluster: a letter with its nukta, vowel sign and marks, or a
consonant with virama). Candrabindu reads m̐. A consonant with nukta reads as
ISO 15919's letter (q, k͟h, ġ, z, f, ẏ, ṉ, ṟ), or else as its first letter
with a macron below (ḍ̱a, ḏa). Danda, double danda and the separator dot and
bar are | || . and ,; the avagraha is ' (’ stays ’); every other mark alone
(virama, siddham sign, repetition, end and section marks) stays the Siddham
mark, as IAST has no letter for it.
""", ["siddham", "trans"], trans)
    counts["tbl_siddham_deva"] = write_table(folder, "tbl_siddham_deva", """
Converter, Siddham to Devanagari, keyed by Siddham character like
tbl_siddham_trans. A nukta is U+093C after the consonant (in NFC, so ऩ and
ऱ). Danda । and ॥, separators . and ,, avagraha ऽ, a lone virama ्; the
siddham sign is U+A8FC; a repetition mark is २ (the custom of writing 2
after a repeated word); end and section marks are the flower mark U+A8F8.
""", ["siddham", "deva"], deva)
    counts["tbl_siddham_lantsa"] = write_table(folder, "tbl_siddham_lantsa", """
Converter, Siddham to Lantsa (Devanagari code points for a Ranjana font),
keyed by Siddham character like tbl_siddham_trans, with the values of
tbl_siddham_deva: no Siddham code point.
""", ["siddham", "lantsa"], deva)
    counts["tbl_scheme"] = write_table(folder, "tbl_scheme", """
Input schemes of the speller (text in a scheme to Siddham or Lantsa): each
input of a scheme (iast, iso, hk, itrans, velthuis, slp1, deva) and the IAST
it reads as, in the order the scheme lists them: a letter's first input is
the scheme's own spelling of it, later ones are alternatives. The kind is
consonant, vowel, final (ṃ ḥ m̐), mark (danda, double danda, separator dot
and bar), avagraha, syllable (several letters at once) or, in Devanagari,
sign (a vowel sign) and virama. The speller spells each syllable as the
first candidate of its transliteration in tbl_siddham or tbl_lantsa.
""", ["scheme", "input", "iast", "kind"], scheme_rows())
    glyphs = glyph_rows(dictionary_scripts)
    counts["tbl_glyph"] = write_table(folder, "tbl_glyph", """
Glyph grid of the dictionary, in the order shown (pages of 110): every Siddham
letter, sign and mark in code point order, then the syllables most used in
the dictionary.
""", ["id", "glyph"], [(n + 1, g) for n, g in enumerate(glyphs)])
    words, sizes = word_rows(dictionary_trans())
    counts["tbl_words"] = write_table(folder, "tbl_words", """
Word lexicon of the input methods: whole words and phrases of Buddhist
Sanskrit in IAST (NFC, lower case, single blanks) with their Siddham and
Lantsa spelling as the speller writes them, and a weight (larger: more common
in practice texts). Sources: the dictionary's words and phrases, the lists in
db/lexicon (mantra and dhāraṇī phrases and their words, names, regular forms
of a- and ā-stem nouns) and the words of tests/corpus/corpus.txt; the weight
formula is in db/generate.py.
""", ["transliteration", "siddham", "lantsa", "weight"], words)

    listed = LISTED_CLUSTERS.split()
    assert len(set(listed)) == len(listed), "a cluster is listed twice"
    for name, n in counts.items():
        print("%-20s %5d rows" % (name, n))
    print("%-20s %5d rows" % ("tbl_dictionary", len(dictionary_scripts)))
    print("%d consonant clusters" % len(CLUSTERS))
    print("tbl_words by source: " + ", ".join("%s %d" % kv for kv in sizes.items()))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
