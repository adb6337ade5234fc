// The encrypted reference database through its query forms, on databases
// built by the real builder.
#include "data/Database.h"
#include "data/Queries.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QTest>

using namespace orv::data;
using orv::test::TestDatabase;

namespace {

std::unique_ptr<Database> OpenTest(const QString& path, QString* error = nullptr,
                                   const QString& passphrase = QLatin1String(kDatabasePassphrase)) {
    return Database::Open(path, passphrase, Database::Mode::ReadOnly, error);
}

// The values of one column over all rows, in order.
QStringList Column(Database& db, const Statement& s, const QString& column, bool* ok = nullptr) {
    QStringList values;
    QString error;
    auto rs = db.OpenRecordset(s, &error);
    if (ok) *ok = rs.has_value();
    if (!rs) return values;
    for (bool more = rs->MoveFirst(); more && !rs->Eof(); rs->MoveNext()) {
        values << rs->Text(column);
    }
    return values;
}

const QString kSiddhamKa = QString::fromUcs4(U"\U0001158E");

}  // namespace

class DatabaseTest : public QObject {
    Q_OBJECT
  private:
    std::unique_ptr<TestDatabase> source_;
    std::unique_ptr<Database> db_;

  private slots:
    void initTestCase() {
        source_ = std::make_unique<TestDatabase>(std::map<QString, orv::test::Rows>{
            {QStringLiteral("tbl_siddham"),
             {{"kha", "b"},
              {"Ka", "A"},
              {"ka", "a"},
              {"kā", "c"},
              {"a", "x"},
              {"ka ", "blank"},
              {"it's", "apostrophe"},
              {"50%", "percent"},
              {"a_b", "underscore"},
              {"[x]", "bracket"},
              {"back\\slash", "backslash"}}},
            {QStringLiteral("tbl_keyboard"), {{"aa", "first"}, {"zz", "z"}, {"aa", "last"}}},
            {QStringLiteral("tbl_siddham_trans"), {{kSiddhamKa, "ka"}}},
            {QStringLiteral("tbl_dictionary"),
             {{"x", "oṃ", "syllable", ""},
              {"y", "ḍākinī's", "with quote", ""},
              {"z", "", "", "About this dictionary"}}},
            {QStringLiteral("tbl_glyph"), {{"3", "c"}, {"1", "a"}, {"2", "b"}}},
        });
        QVERIFY2(source_->Ok(), qPrintable(source_->Error()));
        QString error;
        db_ = OpenTest(source_->Path(), &error);
        QVERIFY2(db_, qPrintable(error));
    }

    void opensOnlyTheRealThing() {
        QString error;
        QVERIFY(!OpenTest(source_->Path(), &error, QStringLiteral("wrong")));
        QVERIFY(!error.isEmpty());
        QVERIFY(!OpenTest(source_->Folder() + QStringLiteral("/missing.mdb")));
        QVERIFY(!OpenTest(source_->Folder()));  // a folder, not a file

        const QString empty = source_->Folder() + QStringLiteral("/empty.mdb");
        QFile(empty).open(QIODevice::WriteOnly);
        QVERIFY(!OpenTest(empty));
        const QString junk = source_->Folder() + QStringLiteral("/junk.mdb");
        {
            QFile f(junk);
            f.open(QIODevice::WriteOnly);
            f.write(QByteArray(8192, 'j'));
        }
        QVERIFY(!OpenTest(junk));
        // A failed open leaves no file behind where there was none.
        QVERIFY(!QFile::exists(source_->Folder() + QStringLiteral("/missing.mdb")));
    }

    void recordsetBehavesLikeTheClassicModel() {
        auto rs = db_->OpenRecordset(KeyboardByInput(QStringLiteral("none")));
        QVERIFY(rs);
        QVERIFY(rs->Eof());
        QCOMPARE(rs->RecordCount(), 0);
        QVERIFY(!rs->MoveFirst());
        QVERIFY(!rs->Field(QStringLiteral("display")));

        rs = db_->OpenRecordset(KeyboardByInput(QStringLiteral("zz")));
        QVERIFY(rs && rs->MoveFirst());
        QCOMPARE(rs->RecordCount(), 1);
        QCOMPARE(rs->Text(QStringLiteral("display")), QStringLiteral("z"));
        QCOMPARE(rs->Text(QStringLiteral("DISPLAY")), QStringLiteral("z"));
        QVERIFY(!rs->Field(QStringLiteral("nosuchcolumn")));
        QVERIFY(rs->MoveNext());
        QVERIFY(rs->Eof());
        QVERIFY(!rs->MoveNext());
        QVERIFY(!rs->Field(QStringLiteral("display")));
    }

    void prefixLookupOrderAndCase() {
        const auto ime = Column(*db_, ScriptByImePrefix(ScriptTable::Siddham, QStringLiteral("k")),
                                QStringLiteral("ime"));
        // Case-insensitive, accent-sensitive dictionary order; case only
        // breaks a tie.
        QCOMPARE(ime, QStringList({"Ka", "ka", "kā", "ka ", "kha"}));
        QCOMPARE(Column(*db_, ScriptByImePrefix(ScriptTable::Siddham, QStringLiteral("KA")),
                        QStringLiteral("chars"))
                     .size(),
                 3);
        // A trailing blank only matches a blank at that place.
        QCOMPARE(Column(*db_, ScriptByImePrefix(ScriptTable::Siddham, QStringLiteral("ka ")),
                        QStringLiteral("chars")),
                 QStringList({"blank"}));
        QVERIFY(Column(*db_, ScriptByImePrefix(ScriptTable::Lantsa, QStringLiteral("k")),
                       QStringLiteral("chars"))
                    .isEmpty());
    }

    void equalityIsExactAndKeepsSourceOrder() {
        QCOMPARE(Column(*db_, KeyboardByInput(QStringLiteral("aa")), QStringLiteral("display")),
                 QStringList({"first", "last"}));
        // Distinct strings never compare equal, so equality is exact.
        QVERIFY(Column(*db_, KeyboardByInput(QStringLiteral("AA")), QStringLiteral("display"))
                    .isEmpty());
        QCOMPARE(Column(*db_, ConversionBySiddham(ConversionTable::Trans, kSiddhamKa),
                        QStringLiteral("trans")),
                 QStringList({"ka"}));
    }

    void dictionaryAndGlyphForms() {
        QCOMPARE(Column(*db_, DictionaryAbout(), QStringLiteral("about")),
                 QStringList({"About this dictionary"}));
        QCOMPARE(Column(*db_, GlyphsInOrder(), QStringLiteral("glyph")),
                 QStringList({"a", "b", "c"}));
        QCOMPARE(Column(*db_, DictionaryByTrans(QStringLiteral("oṃ")), QStringLiteral("meanings")),
                 QStringList({"syllable"}));
        QCOMPARE(Column(*db_, DictionaryByScripts(QStringLiteral("y")), QStringLiteral("trans")),
                 QStringList({"ḍākinī's"}));
        QCOMPARE(Column(*db_, DictionaryByScriptsPrefix(QString()), QStringLiteral("scripts")),
                 QStringList({"x", "y", "z"}));
        QCOMPARE(
            Column(*db_, DictionaryByTransPrefix(QStringLiteral("ḍ")), QStringLiteral("trans")),
            QStringList({"ḍākinī's"}));
    }

    // Everything a user can type reaches every query form safely: rows or a
    // clean error, never a crash, a hang or a changed statement.
    void hostileInputIsOnlyEverAValue() {
        // An apostrophe is an ordinary character that finds what holds it.
        QCOMPARE(Column(*db_, ScriptByImePrefix(ScriptTable::Siddham, QStringLiteral("it'")),
                        QStringLiteral("chars")),
                 QStringList({"apostrophe"}));
        QCOMPARE(Column(*db_, DictionaryByTransPrefix(QStringLiteral("ḍākinī'")),
                        QStringLiteral("meanings")),
                 QStringList({"with quote"}));
        // SQL's wildcards mean nothing special; the program's own keep their
        // meaning, and "[" can be matched through a set.
        QCOMPARE(Column(*db_, ScriptByImePrefix(ScriptTable::Siddham, QStringLiteral("50%")),
                        QStringLiteral("chars")),
                 QStringList({"percent"}));
        QVERIFY(Column(*db_, ScriptByImePrefix(ScriptTable::Siddham, QStringLiteral("a_")),
                       QStringLiteral("chars"))
                    .contains(QStringLiteral("underscore")));
        QCOMPARE(Column(*db_, ScriptByImePrefix(ScriptTable::Siddham, QStringLiteral("[[]x")),
                        QStringLiteral("chars")),
                 QStringList({"bracket"}));
        QCOMPARE(Column(*db_, ScriptByImePrefix(ScriptTable::Siddham, QStringLiteral("?a")),
                        QStringLiteral("ime"))
                     .size(),
                 4);
        QCOMPARE(Column(*db_, ScriptByImePrefix(ScriptTable::Siddham, QStringLiteral("back\\")),
                        QStringLiteral("chars")),
                 QStringList({"backslash"}));

        const QString nul = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
        const QString loneSurrogate = QStringLiteral("k") + QChar(0xDC00);
        const QStringList hostile = {
            QStringLiteral("'"),
            QStringLiteral("' or '1'='1"),
            QStringLiteral("'; drop table tbl_siddham; --"),
            QStringLiteral("["),
            QStringLiteral("]"),
            QStringLiteral("[!"),
            QStringLiteral("[z-a]"),
            QStringLiteral("*"),
            QStringLiteral("?"),
            QStringLiteral("#"),
            QStringLiteral("%"),
            QStringLiteral("_"),
            QStringLiteral("\\"),
            QStringLiteral("\""),
            nul,
            loneSurrogate,
            QStringLiteral("a\u0301\u0301\u0301"),
            QString(10000, QLatin1Char('k')),
            QString(10000, QLatin1Char('*')),
            QString(5000, QLatin1Char('[')),
            QString(10000, QChar(0x0301)),
        };
        for (const QString& value : hostile) {
            const Statement forms[] = {
                ScriptByImePrefix(ScriptTable::Siddham, value),
                ScriptByImePrefix(ScriptTable::Lantsa, value),
                KeyboardByInput(value),
                ConversionBySiddham(ConversionTable::Trans, value),
                ConversionBySiddham(ConversionTable::Deva, value),
                ConversionBySiddham(ConversionTable::Lantsa, value),
                DictionaryByTrans(value),
                DictionaryByScripts(value),
                DictionaryByScriptsPrefix(value),
                DictionaryByTransPrefix(value),
            };
            for (const Statement& s : forms) {
                QString error;
                auto rs = db_->OpenRecordset(s, &error);
                if (!rs) QVERIFY2(!error.isEmpty(), qPrintable(s.sql));
            }
        }
        // An invalid pattern is a query error, not an empty success.
        QString error;
        QVERIFY(!db_->OpenRecordset(ScriptByImePrefix(ScriptTable::Siddham, QStringLiteral("[")),
                                    &error));
        QVERIFY(error.contains(QStringLiteral("pattern")));
        // Nothing above changed the data.
        QCOMPARE(Column(*db_, ScriptByImePrefix(ScriptTable::Siddham, QString()),
                        QStringLiteral("chars"))
                     .size(),
                 11);
        QCOMPARE(db_->TableNames().size(), 8);
    }
};

QTEST_GUILESS_MAIN(DatabaseTest)
#include "test_database.moc"
