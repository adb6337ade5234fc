// The database builder: good sources build, malformed ones are rejected with
// their file, line and reason, and a rejected build leaves nothing behind.
#include "data/Database.h"
#include "data/Queries.h"
#include "dbbuild/ReferenceSources.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QTest>

using orv::data::Database;
using orv::test::TestDatabase;

// Each test starts from a complete, valid set of sources (every table empty)
// and spoils or fills some of them.
class BuilderTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;

    QString Data() const { return dir_->filePath("data"); }
    QString Out() const { return dir_->filePath("orvbase.mdb"); }
    void Write(const QString& table, const QByteArray& text) {
        QFile f(Data() + '/' + table + ".tsv");
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(text) == text.size());
    }
    bool Build(QString* error) {
        return orv::dbbuild::BuildReferenceDatabase(TestDatabase::SchemaPath(), Data(), Out(),
                                                    orv::data::kDatabasePassphrase, nullptr, error);
    }
    static QByteArray Read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

  private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QDir().mkpath(Data());
        for (const char* table :
             {"tbl_siddham", "tbl_lantsa", "tbl_keyboard", "tbl_siddham_trans", "tbl_siddham_deva",
              "tbl_siddham_lantsa", "tbl_dictionary", "tbl_glyph"})
            Write(table, TestDatabase::DefaultColumns(table).join('\t').toUtf8() + '\n');
    }

    void buildsRowsWithEscapesCommentsAndOrder() {
        Write("tbl_dictionary",
              "# a comment\n"
              "trans\tscripts\tabout\tmeanings\n"  // columns in any order
              "\n"
              "oṃ\tx\t\tline one\\nline two\\ttab \\\\ end\r\n");
        Write("tbl_glyph", "id\tglyph\n2\tb\n1\ta\n");
        QString error;
        QVERIFY2(Build(&error), qPrintable(error));
        auto db =
            Database::Open(Out(), orv::data::kDatabasePassphrase, Database::Mode::ReadOnly, &error);
        QVERIFY2(db, qPrintable(error));
        auto rs = db->OpenRecordset(orv::data::DictionaryByTrans("oṃ"));
        QVERIFY(rs && rs->MoveFirst());
        QCOMPARE(rs->Text("scripts"), "x");
        QCOMPARE(rs->Text("meanings"), "line one\nline two\ttab \\ end");
        QCOMPARE(rs->Text("about"), "");
        rs = db->OpenRecordset(orv::data::GlyphsInOrder());
        QVERIFY(rs && rs->MoveFirst());
        QCOMPARE(rs->Text("glyph"), "a");
    }

    void rejectsMalformedSources_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QByteArray>("text");  // null: the file is missing
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const char* table, const QByteArray& text,
                            const char* expected) {
            QTest::newRow(name) << table << text << expected;
        };
        row("too few fields", "tbl_siddham", "ime\tchars\nka\n", "tbl_siddham.tsv:2: expected 2");
        row("too many fields", "tbl_keyboard", "input\tdisplay\n# c\naa\tā\tx\n",
            "tbl_keyboard.tsv:3: expected 2");
        row("unknown column", "tbl_siddham", "ime\tglyph\n",
            "tbl_siddham.tsv:1: the header lacks column chars");
        row("no header", "tbl_lantsa", "# only a comment\n", "tbl_lantsa.tsv: no header");
        row("bad escape", "tbl_siddham", "ime\tchars\nk\\a\tx\n",
            "tbl_siddham.tsv:2: unknown escape");
        row("invalid UTF-8", "tbl_siddham", "ime\tchars\n\xff\tx\n",
            "tbl_siddham.tsv:2: not valid UTF-8");
        row("not NFC", "tbl_siddham", "ime\tchars\nka\xcc\x84\tx\n",  // a + combining macron
            "tbl_siddham.tsv:2: column ime is not in Unicode normal form C");
        row("id not a number", "tbl_glyph", "id\tglyph\none\ta\n",
            "tbl_glyph.tsv:2: column id needs a whole number");
        row("stray table", "tbl_unknown", "a\n", "no table tbl_unknown");
        row("missing file", "tbl_glyph", QByteArray(), "cannot read the source of table tbl_glyph");
    }

    void rejectsMalformedSources() {
        QFETCH(QString, table);
        QFETCH(QByteArray, text);
        QFETCH(QString, expected);
        // A database from an earlier good build stays as it was.
        QString error;
        QVERIFY2(Build(&error), qPrintable(error));
        const QByteArray before = Read(Out());
        if (text.isNull())
            QFile::remove(Data() + '/' + table + ".tsv");
        else
            Write(table, text);
        QVERIFY(!Build(&error));
        QVERIFY2(error.contains(expected), qPrintable(error));
        QCOMPARE(Read(Out()), before);
        QVERIFY(!QFile::exists(Out() + ".building"));
    }
};

QTEST_GUILESS_MAIN(BuilderTest)
#include "test_builder.moc"
