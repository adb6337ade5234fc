// The encrypted reference database through its query forms, built by the real builder.
#include "data/Database.h"
#include "data/Queries.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QTest>

using namespace orv::data;
using orv::test::Pairs;

class DatabaseTest : public QObject {
    Q_OBJECT
    const orv::test::TestDatabase source_{
        {{"tbl_siddham", Pairs({"kha", "b", "Ka", "A", "ka", "a", "kā", "c", "ka ", "blank", "a_b",
                                "underscore"})},
         {"tbl_keyboard", Pairs({"aa", "first", "zz", "z", "aa", "last"})},
         {"tbl_dictionary",
          {{"x", "oṃ", "syllable", ""}, {"y", "ḍākinī's", "quote", ""}, {"z", "", "", "About"}}}}};
    std::unique_ptr<Database> db_;

    QStringList Column(const Statement& s, const QString& column) {
        auto rs = db_->OpenRecordset(s);
        QStringList values(rs ? 0 : 1, QStringLiteral("<query failed>"));
        for (bool more = rs && rs->MoveFirst(); more && !rs->Eof(); rs->MoveNext())
            values << rs->Text(column);
        return values;
    }

  private slots:
    void initTestCase() {
        QVERIFY2(source_.Ok(), qPrintable(source_.Error()));
        QString error;
        QVERIFY2((db_ = source_.Open(&error)), qPrintable(error));
    }

    void opensOnlyTheRealThing() {  // not with a wrong key, nor junk or a foreign database
        const QString dir = source_.Folder() + '/';
        QString error;
        const auto open = [&](const QString& name, const char* key = kDatabasePassphrase) {
            return Database::Open(dir + name, key, Database::Mode::ReadOnly, &error);
        };
        QVERIFY(!open("orvbase.mdb", "wrong") && !error.isEmpty());
        QVERIFY(Database::Open(dir + "foreign.mdb", kDatabasePassphrase, Database::Mode::CreateNew)
                    ->ExecuteScript("create table t (x)"));
        QFile junk(dir + "junk.mdb");
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write(QByteArray(8192, 'j')) == 8192);
        junk.close();
        for (const char* name : {"missing.mdb", "junk.mdb", "foreign.mdb"})
            QVERIFY2(!open(name), name);
        QVERIFY(!QFile::exists(dir + "missing.mdb"));  // a failed open creates nothing
    }

    void queryForms() {
        const auto siddham = [](const QString& s) {
            return ScriptByImePrefix(ScriptTable::Siddham, s);
        };
        // Case-insensitive, accent-sensitive order, case only breaking a tie; a blank as typed.
        QCOMPARE(Column(siddham("k"), "ime"), QStringList({"Ka", "ka", "kā", "ka ", "kha"}));
        // Either case finds both: the index range starts at the lowest-numbered case variants.
        for (const char* typed : {"ka", "kA", "KA"})
            QCOMPARE(Column(siddham(typed), "ime"), QStringList({"Ka", "ka", "ka "}));
        QCOMPARE(Column(siddham("ka "), "chars"), QStringList{"blank"});
        // Equality is exact and keeps the source order.
        QCOMPARE(Column(KeyboardByInput("aa"), "display"), QStringList({"first", "last"}));
        QCOMPARE(Column(KeyboardByInput("AA"), "display"), QStringList());
        QCOMPARE(Column(DictionaryAbout(), "about"), QStringList{"About"});
        QCOMPARE(Column(DictionaryByTrans("oṃ"), "meanings"), QStringList{"syllable"});
        QCOMPARE(Column(DictionaryByScripts("y"), "trans"), QStringList{"ḍākinī's"});
        // A quote and SQL's wildcards are plain characters; the program's own keep their meaning.
        QCOMPARE(Column(DictionaryByTransPrefix("ḍākinī'"), "meanings"), QStringList{"quote"});
        QCOMPARE(Column(siddham("a_"), "chars"), QStringList{"underscore"});
        QCOMPARE(Column(siddham("?a"), "ime"), QStringList({"Ka", "ka", "ka "}));

        // Recordsets: nothing to read past the end, column names in any case.
        auto rs = db_->OpenRecordset(KeyboardByInput("none"));
        QVERIFY(rs && rs->Eof() && !rs->MoveFirst() && !rs->Field("display"));
        rs = db_->OpenRecordset(KeyboardByInput("zz"));
        QVERIFY(rs && rs->MoveFirst() && rs->RecordCount() == 1 && rs->Text("DISPLAY") == "z");
        QVERIFY(!rs->Field("nosuchcolumn") && rs->MoveNext() && rs->Eof() && !rs->MoveNext() &&
                !rs->Field("display"));
    }

    // Whatever a user types is only a value: rows or a clean error, never a changed statement.
    void hostileInputIsOnlyEverAValue() {
        QStringList hostile = {"'", "[!", "\\", "' or '1'='1", "'; drop table tbl_siddham; --"};
        hostile << QString("a") + QChar(0) + "b" << QString("k") + QChar(0xDC00)
                << QString(10000, '*') << QString(5000, '[') << QString(10000, QChar(0x0301));
        for (const QString& value : std::as_const(hostile))
            for (const Statement& s :
                 {KeyboardByInput(value), DictionaryByTrans(value), DictionaryByScripts(value),
                  DictionaryByScriptsPrefix(value), DictionaryByTransPrefix(value),
                  ScriptByImePrefix(ScriptTable::Siddham, value),
                  ConversionBySiddham(ConversionTable::Trans, value)}) {
                QString error;
                if (!db_->OpenRecordset(s, &error)) QVERIFY2(!error.isEmpty(), qPrintable(s.sql));
            }
        // An invalid pattern is a query error, not an empty success.
        QString error;
        QVERIFY(!db_->OpenRecordset(ScriptByImePrefix(ScriptTable::Siddham, "["), &error) &&
                error.contains("pattern"));
        QCOMPARE(Column(ScriptByImePrefix(ScriptTable::Siddham, ""), "chars").size(), 6);
    }
};

QTEST_GUILESS_MAIN(DatabaseTest)
#include "test_database.moc"
