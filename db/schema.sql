-- The reference database. Every text column uses the collation "dict"
-- (case-insensitive, accent-sensitive dictionary order), which the program
-- and the builder register on each connection.

create table tbl_siddham (
  ime   text not null collate dict,
  chars text not null collate dict
);
-- Covering: a prefix lookup reads ime and chars from the index alone.
create index ix_siddham_ime on tbl_siddham (ime, chars);

create table tbl_lantsa (
  ime   text not null collate dict,
  chars text not null collate dict
);
create index ix_lantsa_ime on tbl_lantsa (ime, chars);

create table tbl_keyboard (
  input   text not null collate dict,
  display text not null collate dict
);
create index ix_keyboard_input on tbl_keyboard (input);

create table tbl_siddham_trans (
  siddham text not null collate dict,
  trans   text not null collate dict
);
create index ix_siddham_trans on tbl_siddham_trans (siddham);

create table tbl_siddham_deva (
  siddham text not null collate dict,
  deva    text not null collate dict
);
create index ix_siddham_deva on tbl_siddham_deva (siddham);

create table tbl_siddham_lantsa (
  siddham text not null collate dict,
  lantsa  text not null collate dict
);
create index ix_siddham_lantsa on tbl_siddham_lantsa (siddham);

create table tbl_dictionary (
  scripts  text not null collate dict,
  trans    text not null collate dict,
  meanings text not null default '' collate dict,
  about    text not null default '' collate dict
);
create index ix_dictionary_scripts on tbl_dictionary (scripts);
create index ix_dictionary_trans on tbl_dictionary (trans);

create table tbl_glyph (
  id    integer primary key,
  glyph text not null collate dict
);

-- The speller's input schemes: each input of a scheme and the IAST it reads
-- as; read whole, in table order.
create table tbl_scheme (
  scheme text not null collate dict,
  input  text not null collate dict,
  iast   text not null collate dict,
  kind   text not null collate dict
);

-- The input methods' word lexicon: a word or phrase in IAST (NFC, lower
-- case, single blanks), its Siddham and Lantsa spelling as the speller writes
-- it, and a weight (larger: more common in practice texts).
create table tbl_words (
  transliteration text not null collate dict,
  siddham         text not null collate dict,
  lantsa          text not null collate dict,
  weight          integer not null
);
create index ix_words_transliteration on tbl_words (transliteration);
