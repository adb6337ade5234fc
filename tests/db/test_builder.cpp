// The database builder: good sources build, malformed ones are rejected with
// their file, line and reason, and a rejected build leaves nothing behind.
#include "data/Database.h"
#include "data/Queries.h"
#include "dbbuild/ReferenceSources.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using orv::test::TestDatabase;

namespace {

// A complete, valid set of sources in a temporary folder that a test can
// then spoil one file of.
class Sources {
  public:
    Sources() {
        QDir().mkpath(Data());
        for (const char* table :
             {"tbl_siddham", "tbl_lantsa", "tbl_keyboard", "tbl_siddham_trans", "tbl_siddham_deva",
              "tbl_siddham_lantsa", "tbl_dictionary", "tbl_glyph"}) {
            Write(table, TestDatabase::DefaultColumns(table).join('\t') + "\n");
        }
    }
    QString Data() const { return dir_.filePath(QStringLiteral("data")); }
    QString Out() const { return dir_.filePath(QStringLiteral("orvbase.mdb")); }
    void Write(const QString& table, const QByteArray& text) {
        QFile f(Data() + '/' + table + ".tsv");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    void Write(const QString& table, const QString& text) { Write(table, text.toUtf8()); }
    bool Build(QString* error) {
        return orv::dbbuild::BuildReferenceDatabase(TestDatabase::SchemaPath(), Data(), Out(),
                                                    QLatin1String(orv::data::kDatabasePassphrase),
                                                    nullptr, error);
    }

  private:
    QTemporaryDir dir_;
};

}  // namespace

class BuilderTest : public QObject {
    Q_OBJECT
  private slots:
    void buildsRowsWithEscapesCommentsAndOrder() {
        Sources s;
        s.Write("tbl_dictionary",
                QStringLiteral("# a comment\n"
                               "trans\tscripts\tabout\tmeanings\n"  // columns in any order
                               "\n"
                               "oṃ\tx\t\tline one\\nline two\\ttab \\\\ end\r\n"));
        s.Write("tbl_glyph", QStringLiteral("id\tglyph\n2\tb\n1\ta\n"));
        QString error;
        QVERIFY2(s.Build(&error), qPrintable(error));
        auto db = orv::data::Database::Open(s.Out(), QLatin1String(orv::data::kDatabasePassphrase),
                                            orv::data::Database::Mode::ReadOnly, &error);
        QVERIFY2(db, qPrintable(error));
        auto rs = db->OpenRecordset(orv::data::DictionaryByTrans(QStringLiteral("oṃ")));
        QVERIFY(rs && rs->MoveFirst());
        QCOMPARE(rs->Text("scripts"), QStringLiteral("x"));
        QCOMPARE(rs->Text("meanings"), QStringLiteral("line one\nline two\ttab \\ end"));
        QCOMPARE(rs->Text("about"), QString());
        rs = db->OpenRecordset(orv::data::GlyphsInOrder());
        QVERIFY(rs && rs->MoveFirst());
        QCOMPARE(rs->Text("glyph"), QStringLiteral("a"));
    }

    void rejectsMalformedSources_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("too few fields")
            << "tbl_siddham" << QByteArray("ime\tchars\nka\n") << "tbl_siddham.tsv:2: expected 2";
        QTest::newRow("too many fields")
            << "tbl_keyboard" << QByteArray("input\tdisplay\n# c\naa\tā\tx\n")
            << "tbl_keyboard.tsv:3: expected 2";
        QTest::newRow("unknown column") << "tbl_siddham" << QByteArray("ime\tglyph\n")
                                        << "tbl_siddham.tsv:1: the header lacks column chars";
        QTest::newRow("no header")
            << "tbl_lantsa" << QByteArray("# only a comment\n") << "tbl_lantsa.tsv: no header";
        QTest::newRow("bad escape") << "tbl_siddham" << QByteArray("ime\tchars\nk\\a\tx\n")
                                    << "tbl_siddham.tsv:2: unknown escape";
        QTest::newRow("invalid UTF-8") << "tbl_siddham" << QByteArray("ime\tchars\n\xff\tx\n")
                                       << "tbl_siddham.tsv:2: not valid UTF-8";
        QTest::newRow("not NFC") << "tbl_siddham"
                                 << QByteArray(
                                        "ime\tchars\nka\xcc\x84\tx\n")  // a + combining macron
                                 << "tbl_siddham.tsv:2: column ime is not in Unicode normal form C";
        QTest::newRow("id not a number") << "tbl_glyph" << QByteArray("id\tglyph\none\ta\n")
                                         << "tbl_glyph.tsv:2: column id needs a whole number";
        QTest::newRow("stray table")
            << "tbl_unknown" << QByteArray("a\n") << "no table tbl_unknown";
    }

    void rejectsMalformedSources() {
        QFETCH(QString, table);
        QFETCH(QByteArray, text);
        QFETCH(QString, expected);
        Sources s;
        // A database from an earlier good build stays as it was.
        QString error;
        QVERIFY2(s.Build(&error), qPrintable(error));
        const QByteArray before = [&] {
            QFile f(s.Out());
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        s.Write(table, text);
        QVERIFY(!s.Build(&error));
        QVERIFY2(error.contains(expected), qPrintable(error));
        QFile f(s.Out());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
        QVERIFY(!QFile::exists(s.Out() + ".building"));
    }

    void missingSourceFileIsAnError() {
        Sources s;
        QFile::remove(s.Data() + "/tbl_glyph.tsv");
        QString error;
        QVERIFY(!s.Build(&error));
        QVERIFY2(error.contains("tbl_glyph.tsv"), qPrintable(error));
        QVERIFY(!QFile::exists(s.Out()));
    }

    void theRepositorySourcesBuild() {
        const QString built =
            qEnvironmentVariable("ORVANTA_BINARY_DIR") + QStringLiteral("/bin/orvbase.mdb");
        QString error;
        auto db = orv::data::Database::Open(built, QLatin1String(orv::data::kDatabasePassphrase),
                                            orv::data::Database::Mode::ReadOnly, &error);
        QVERIFY2(db, qPrintable(error));
        auto rs = db->OpenRecordset(
            orv::data::ScriptByImePrefix(orv::data::ScriptTable::Siddham, QStringLiteral("k")));
        QVERIFY(rs && rs->RecordCount() > 0);
    }
};

QTEST_GUILESS_MAIN(BuilderTest)
#include "test_builder.moc"
