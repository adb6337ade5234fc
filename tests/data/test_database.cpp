// The encrypted reference database through its query forms, on a database
// built by the real builder.
#include "data/Database.h"
#include "data/Queries.h"
#include "support/Glyphs.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QTest>

using namespace orv::data;
using orv::test::Pairs;
using orv::test::glyphs::kKa;

namespace {
std::unique_ptr<Database> Open(const QString& path, QString* error = nullptr,
                               const QString& passphrase = kDatabasePassphrase) {
    return Database::Open(path, passphrase, Database::Mode::ReadOnly, error);
}
}  // namespace

class DatabaseTest : public QObject {
    Q_OBJECT
    const orv::test::TestDatabase source_{{
        {"tbl_siddham", Pairs({"kha",  "b",          "Ka",          "A",        "ka",  "a",
                               "kā",   "c",          "a",           "x",        "ka ", "blank",
                               "it's", "apostrophe", "50%",         "percent",  "a_b", "underscore",
                               "[x]",  "bracket",    "back\\slash", "backslash"})},
        {"tbl_keyboard", Pairs({"aa", "first", "zz", "z", "aa", "last"})},
        {"tbl_siddham_trans", Pairs({kKa, "ka"})},
        {"tbl_dictionary",
         {{"x", "oṃ", "syllable", ""},
          {"y", "ḍākinī's", "with quote", ""},
          {"z", "", "", "About this dictionary"}}},
        {"tbl_glyph", Pairs({"3", "c", "1", "a", "2", "b"})},
    }};
    std::unique_ptr<Database> db_;

    // The values of one column over all rows, in order.
    QStringList Column(const Statement& s, const QString& column) {
        QStringList values;
        auto rs = db_->OpenRecordset(s);
        if (!rs) return {"<query failed>"};
        for (bool more = rs->MoveFirst(); more && !rs->Eof(); rs->MoveNext())
            values << rs->Text(column);
        return values;
    }

  private slots:
    void initTestCase() {
        QVERIFY2(source_.Ok(), qPrintable(source_.Error()));
        QString error;
        db_ = Open(source_.Path(), &error);
        QVERIFY2(db_, qPrintable(error));
    }

    void opensOnlyTheRealThing() {
        QString error;
        QVERIFY(!Open(source_.Path(), &error, "wrong") && !error.isEmpty());
        // A file of the right key without the reference tables.
        const QString foreign = source_.Folder() + "/foreign.mdb";
        auto other = Database::Open(foreign, kDatabasePassphrase, Database::Mode::CreateNew);
        QVERIFY(other && other->ExecuteScript("create table t (x)"));
        other.reset();
        QFile(source_.Folder() + "/empty.mdb").open(QIODevice::WriteOnly);
        QFile junk(source_.Folder() + "/junk.mdb");
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write(QByteArray(8192, 'j')) == 8192);
        junk.close();
        for (const char* name : {"missing.mdb", "", "empty.mdb", "junk.mdb", "foreign.mdb"})
            QVERIFY2(!Open(source_.Folder() + '/' + name), name);
        // A failed open leaves no file behind where there was none.
        QVERIFY(!QFile::exists(source_.Folder() + "/missing.mdb"));
    }

    void recordsetBehavesLikeTheClassicModel() {
        auto rs = db_->OpenRecordset(KeyboardByInput("none"));
        QVERIFY(rs && rs->Eof() && rs->RecordCount() == 0 && !rs->MoveFirst());
        QVERIFY(!rs->Field("display"));

        rs = db_->OpenRecordset(KeyboardByInput("zz"));
        QVERIFY(rs && rs->MoveFirst());
        QCOMPARE(rs->RecordCount(), 1);
        QCOMPARE(rs->Text("display"), "z");
        QCOMPARE(rs->Text("DISPLAY"), "z");
        QVERIFY(!rs->Field("nosuchcolumn"));
        QVERIFY(rs->MoveNext() && rs->Eof() && !rs->MoveNext());
        QVERIFY(!rs->Field("display"));
    }

    void queryForms() {
        const auto siddham = [](const QString& text) {
            return ScriptByImePrefix(ScriptTable::Siddham, text);
        };
        const struct {
            Statement statement;
            const char* column;
            QStringList expected;
        } cases[] = {
            // Case-insensitive, accent-sensitive dictionary order; case only
            // breaks a tie. A trailing blank only matches a blank there.
            {siddham("k"), "ime", {"Ka", "ka", "kā", "ka ", "kha"}},
            {siddham("KA"), "ime", {"Ka", "ka", "ka "}},
            {siddham("ka "), "chars", {"blank"}},
            {ScriptByImePrefix(ScriptTable::Lantsa, "k"), "chars", {}},
            // Equality is exact and keeps the source order.
            {KeyboardByInput("aa"), "display", {"first", "last"}},
            {KeyboardByInput("AA"), "display", {}},
            {ConversionBySiddham(ConversionTable::Trans, kKa), "trans", {"ka"}},
            {DictionaryAbout(), "about", {"About this dictionary"}},
            {GlyphsInOrder(), "glyph", {"a", "b", "c"}},
            {DictionaryByTrans("oṃ"), "meanings", {"syllable"}},
            {DictionaryByScripts("y"), "trans", {"ḍākinī's"}},
            {DictionaryByScriptsPrefix(""), "scripts", {"x", "y", "z"}},
            {DictionaryByTransPrefix("ḍ"), "trans", {"ḍākinī's"}},
            // A quote is an ordinary character; SQL's wildcards mean nothing
            // special, the program's own keep their meaning, and "[" is
            // matched through a set.
            {siddham("it'"), "chars", {"apostrophe"}},
            {DictionaryByTransPrefix("ḍākinī'"), "meanings", {"with quote"}},
            {siddham("50%"), "chars", {"percent"}},
            {siddham("a_"), "chars", {"underscore"}},
            {siddham("[[]x"), "chars", {"bracket"}},
            {siddham("?a"), "ime", {"back\\slash", "Ka", "ka", "ka "}},
            {siddham("back\\"), "chars", {"backslash"}},
        };
        for (const auto& c : cases)
            QVERIFY2(Column(c.statement, c.column) == c.expected,
                     qPrintable(c.statement.params.join(", ") + ": " +
                                Column(c.statement, c.column).join(", ")));
    }

    // Everything a user can type reaches every query form safely: rows or a
    // clean error, never a crash, a hang or a changed statement.
    void hostileInputIsOnlyEverAValue() {
        QStringList hostile = {"'", "[", "]", "[!", "[z-a]", "*", "?", "#", "%", "_", "\\", "\""};
        hostile << "' or '1'='1"
                << "'; drop table tbl_siddham; --"
                << "a\u0301\u0301\u0301" << QString("a") + QChar(0) + "b"
                << QString("k") + QChar(0xDC00) << QString(10000, 'k') << QString(10000, '*')
                << QString(5000, '[') << QString(10000, QChar(0x0301));
        for (const QString& value : std::as_const(hostile)) {
            QList<Statement> forms;
            forms << KeyboardByInput(value) << DictionaryByTrans(value)
                  << DictionaryByScripts(value) << DictionaryByScriptsPrefix(value)
                  << DictionaryByTransPrefix(value);
            for (ScriptTable t : {ScriptTable::Siddham, ScriptTable::Lantsa})
                forms << ScriptByImePrefix(t, value);
            for (ConversionTable t :
                 {ConversionTable::Trans, ConversionTable::Deva, ConversionTable::Lantsa})
                forms << ConversionBySiddham(t, value);
            for (const Statement& s : forms) {
                QString error;
                if (!db_->OpenRecordset(s, &error)) QVERIFY2(!error.isEmpty(), qPrintable(s.sql));
            }
        }
        // An invalid pattern is a query error, not an empty success.
        QString error;
        QVERIFY(!db_->OpenRecordset(ScriptByImePrefix(ScriptTable::Siddham, "["), &error));
        QVERIFY(error.contains("pattern"));
        // Nothing above changed the data.
        QCOMPARE(Column(ScriptByImePrefix(ScriptTable::Siddham, ""), "chars").size(), 11);
        QCOMPARE(db_->TableNames().size(), 8);
    }
};

QTEST_GUILESS_MAIN(DatabaseTest)
#include "test_database.moc"
