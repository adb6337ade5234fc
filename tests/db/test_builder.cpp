// The database builder: good sources build; a malformed one is rejected with its file, line and
// reason, and an earlier build's database stays as it was.
#include "data/Database.h"
#include "data/Queries.h"
#include "dbbuild/ReferenceSources.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QTest>

using orv::data::Database;
using orv::test::TestDatabase;

class BuilderTest : public QObject {  // each test starts from valid sources of empty tables
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;

    QString Out() const { return dir_->filePath("orvbase.mdb"); }
    void Write(const QString& table, const QByteArray& text) {
        QFile f(dir_->filePath(table + ".tsv"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(text) == text.size());
    }
    bool Build(QString* error) {
        return orv::dbbuild::BuildReferenceDatabase(TestDatabase::SchemaPath(), dir_->path(), Out(),
                                                    orv::data::kDatabasePassphrase, nullptr, error);
    }
    QByteArray Built() const {
        QFile f(Out());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

  private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        for (const auto& [table, columns] : Database::ReferenceColumns())
            Write(table, columns.join('\t').toUtf8() + '\n');
    }

    void buildsRowsWithEscapesCommentsAndOrder() {
        Write("tbl_dictionary",
              "\xEF\xBB\xBF# a comment after the file's byte-order mark\n"
              "trans\tscripts\tabout\tmeanings\n"  // columns in any order
              "\n"
              "oṃ\tx\t\tline one\\nline two\\ttab \\\\ end\r\n");
        Write("tbl_glyph", "id\tglyph\n2\tb\n1\ta\n");
        QString error;
        QVERIFY2(Build(&error), qPrintable(error));
        auto db = Database::Open(Out(), orv::data::kDatabasePassphrase, Database::Mode::ReadOnly);
        auto rs = db->OpenRecordset(orv::data::DictionaryByTrans("oṃ"));
        QVERIFY(rs && rs->MoveFirst() && rs->Text("scripts") == "x" && rs->Text("about").isEmpty());
        QCOMPARE(rs->Text("meanings"), "line one\nline two\ttab \\ end");
        rs = db->OpenRecordset(orv::data::GlyphsInOrder());
        QVERIFY(rs && rs->MoveFirst() && rs->Text("glyph") == "a");
    }

    void rejectsMalformedSources() {
        const std::tuple<const char*, QByteArray, const char*> cases[] = {
            // table, its text (null: no file), what the error says
            {"tbl_keyboard", "input\tdisplay\n# c\naa\tā\tx\n", "tbl_keyboard.tsv:3: expected 2"},
            {"tbl_siddham", "ime\tglyph\n", "tbl_siddham.tsv:1: the header lacks column chars"},
            {"tbl_lantsa", "# only a comment\n", "tbl_lantsa.tsv: no header"},
            {"tbl_siddham", "ime\tchars\nk\\a\tx\n", "tbl_siddham.tsv:2: unknown escape"},
            {"tbl_siddham", "ime\tchars\n\xff\tx\n", "tbl_siddham.tsv:2: not valid UTF-8"},
            {"tbl_siddham", "ime\tchars\nka\xcc\x84\tx\n",  // a + combining macron
             "tbl_siddham.tsv:2: column ime is not in Unicode normal form C"},
            {"tbl_glyph", "id\tglyph\none\ta\n", "tbl_glyph.tsv:2: column id needs a whole number"},
            // Nothing dropped or changed silently: blank rows, a late byte-order mark, a stray CR.
            {"tbl_siddham", "ime\tchars\nka\tx\n \t\n", "tbl_siddham.tsv:3: every field is blank"},
            {"tbl_siddham", "\t \nime\tchars\n", "tbl_siddham.tsv:1: every field is blank"},
            {"tbl_siddham", "ime\tchars\nka\tx\n\xEF\xBB\xBFkha\ty\n",
             "tbl_siddham.tsv:3: a byte-order mark (U+FEFF) may only open the file"},
            {"tbl_siddham", "ime\tchars\n# c\n\xEF\xBB\xBF# c\n",
             "tbl_siddham.tsv:3: a byte-order"},
            {"tbl_siddham", "ime\tchars\nka\tx\r\r\n", "tbl_siddham.tsv:2: a carriage return"},
            {"tbl_unknown", "a\n", "no table tbl_unknown"},
            {"tbl_glyph", QByteArray(), "cannot read the source of table tbl_glyph"}};
        for (const auto& [table, text, expected] : cases) {
            init();
            QString error;
            QVERIFY2(Build(&error), qPrintable(error));
            const QByteArray before = Built();
            if (text.isNull())
                QFile::remove(dir_->filePath(table + QString(".tsv")));
            else
                Write(table, text);
            QVERIFY2(!Build(&error) && error.contains(expected),
                     qPrintable(expected + (": " + error)));
            QVERIFY(Built() == before && !QFile::exists(Out() + ".building"));
        }
    }
};

QTEST_GUILESS_MAIN(BuilderTest)
#include "test_builder.moc"
