// Into the scripts: orvanta-convert and the converter window on the built database, against the
// speller.
#include "app/Program.h"
#include "app/SharedValues.h"
#include "converter/ConverterWindow.h"
#include "engine/Speller.h"
#include "support/TestDatabase.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

using namespace orv;

class SpellCommandTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    test::TestDatabase empty_;  // every table empty
    std::unique_ptr<data::Database> db_;
    std::optional<engine::SpellerTables> siddham_, lantsa_;

    // Runs a shell line in dir_, "$0" the built command; status, output, standard error.
    std::tuple<int, QByteArray, QByteArray> Run(const QString& line, const QByteArray& in = {}) {
        QProcess p;
        p.setWorkingDirectory(dir_.path());
        p.start("/bin/sh",
                {"-c", line, qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin/orvanta-convert"});
        p.write(in);
        p.closeWriteChannel();
        const bool ended = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit;
        return {ended ? p.exitCode() : -1, p.readAllStandardOutput(), p.readAllStandardError()};
    }

  private slots:
    void initTestCase() {
        QString error;
        db_ = test::OpenBuilt(&error);
        QVERIFY2(db_ && empty_.Ok(), qPrintable(error + empty_.Error()));
        siddham_ = engine::SpellerTables::Load(*db_, engine::Script::Siddham, &error);
        lantsa_ = engine::SpellerTables::Load(*db_, engine::Script::Lantsa, &error);
        QVERIFY2(siddham_ && lantsa_, qPrintable(error));
    }

    // Each scheme named and recognised; Siddham and Lantsa.
    void spellsEachScheme_data() {
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        for (const auto& [scheme, text, name] : std::initializer_list<std::array<const char*, 3>>{
                 {"iast", "Oṃ maṇi padme hūṃ ||\n", "IAST"},
                 {"iso", "ōṁ r̥ṣi |\n", "ISO 15919"},
                 {"hk", "oM maNi padme hUM ||\n", "Harvard-Kyoto"},
                 {"itrans", "shrii gaNeshaaya namaH ||\n", "ITRANS"},
                 {"velthuis", "o.m ma.ni padme huu.m ||\n", "Velthuis"},
                 {"slp1", "kzitigarBa SrIH jYAna ..\n", "SLP1"},
                 {"deva", "ॐ मणि पद्मे हूं ॥\n", "Devanagari"}}) {
            QTest::newRow(scheme) << QString(scheme) << QString::fromUtf8(text) << QString(name);
        }
    }
    void spellsEachScheme() {
        QFETCH(QString, scheme);
        QFETCH(QString, text);
        QFETCH(QString, name);
        const engine::Scheme s = *engine::SchemeFromKey(scheme);
        const QByteArray sid = siddham_->Spell(text, s).toUtf8(),
                         lan = lantsa_->Spell(text, s).toUtf8();
        QVERIFY(sid.startsWith("\xF0\x91\x96"));  // Siddham
        QCOMPARE(Run(R"("$0" --to siddham --from )" + scheme, text.toUtf8()),
                 std::make_tuple(0, sid, QByteArray()));
        QCOMPARE(Run(R"("$0" --from=)" + scheme + " --to lantsa", text.toUtf8()),
                 std::make_tuple(0, lan, QByteArray()));
        QCOMPARE(
            Run(R"("$0" --to siddham --show-scheme -)", text.toUtf8()),
            std::make_tuple(0, sid, "orvanta-convert: standard input: " + name.toUtf8() + '\n'));
    }

    // The corpus through the commands: IAST -> Siddham -> IAST, and IAST -> Lantsa -> Siddham ->
    // Devanagari, which is the Lantsa.
    void corpusThereAndBack() {
        QFile corpus(qEnvironmentVariable("ORVANTA_SOURCE_DIR") + "/tests/corpus/corpus.txt");
        QVERIFY(corpus.open(QIODevice::ReadOnly));
        QByteArray iast;
        for (const QByteArray& line : corpus.readAll().split('\n'))
            if (!line.trimmed().isEmpty() && !line.startsWith('#')) iast += line + '\n';
        const QString nfc = QString::fromUtf8(iast).normalized(QString::NormalizationForm_C);
        QCOMPARE(Run(R"("$0" --from iast --to siddham | "$0" --to trans)", iast),
                 std::make_tuple(0, nfc.toUtf8(), QByteArray()));
        const QByteArray lantsa = lantsa_->Spell(nfc, engine::Scheme::Iast).toUtf8();
        QCOMPARE(Run(R"("$0" --from iast --to lantsa)", iast),
                 std::make_tuple(0, lantsa, QByteArray()));
        QCOMPARE(Run(R"("$0" --to siddham | "$0" --to deva)", lantsa),
                 std::make_tuple(0, lantsa, QByteArray()));
    }

    // Inputs in blocks give the output of the whole; each input recognised on its own; a bad byte
    // ends the output where it stands; bad arguments and a database without the tables fail.
    void streamsAndFails() {
        QByteArray big;
        while (big.size() < 200000) big += "oṃ maṇi padme hūṃ | tadyathā gate gate ||\n";
        const QString out = siddham_->Spell(QString::fromUtf8(big), engine::Scheme::Iast);
        QFile file(dir_.filePath("big.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(big) == big.size());
        file.close();
        QFile hk(dir_.filePath("hk.txt"));
        QVERIFY(hk.open(QIODevice::WriteOnly) && hk.write("zrIH") == 4);
        hk.close();
        QCOMPARE(Run(R"("$0" --to siddham big.txt hk.txt --show-scheme)"),
                 std::make_tuple(0, (out + siddham_->Spell(u"śrīḥ", engine::Scheme::Iast)).toUtf8(),
                                 QByteArray("orvanta-convert: big.txt: IAST\n"
                                            "orvanta-convert: hk.txt: Harvard-Kyoto\n")));
        const QByteArray ka = siddham_->Spell(u"ka ", engine::Scheme::Iast).toUtf8();
        const auto [status, got, err] = Run(R"("$0" --to siddham)", "ka ka\xffka");
        QCOMPARE(std::make_tuple(status, got), std::make_tuple(4, ka + ka.chopped(1)));
        QVERIFY(err.contains("not valid UTF-8 at byte 6"));
        for (const QString line : {R"("$0" --from xx --to siddham)", R"("$0" --from hk --to trans)",
                                   R"("$0" --to siddham --from)", R"("$0" --from hk)"})
            QCOMPARE(get<0>(Run(line)), 2);
        QCOMPARE(Run(R"("$0" --to siddham none.txt)"),
                 std::make_tuple(4, QByteArray(),
                                 QByteArray("orvanta-convert: cannot read none.txt: No such file "
                                            "or directory\n")));
        QVERIFY(QFile::copy(qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin/orvanta-convert",
                            empty_.Folder() + "/orvanta-convert"));
        const auto [code, none, why] = Run(empty_.Folder() + "/orvanta-convert --to siddham", "ka");
        QVERIFY2(code == 3 && none.isEmpty() && why.contains("speller's tables"), why.constData());
    }

    // The second group of the window: the recognised scheme shown, the script's box, copy; the
    // three conversions from Siddham as before.
    void windowSpellsTheClipboard() {
        app::SetProgramFolderForTesting(qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin");
        converter::ConverterWindow& w = converter::frmHVConv().Get();
        w.show();
        QClipboard* clipboard = QGuiApplication::clipboard();
        QString text = "oM maNi padme hUM ||\n";
        for (int i = 0; i < 40; ++i) text += "gate gate pAragate pArasaMgate bodhi svAhA |\n";
        clipboard->setText(text);
        int paints = 0;  // chunks appended while the conversion runs
        QObject::connect(w.TextBox5->document(), &QTextDocument::contentsChanged,
                         [&] { ++paints; });
        w.CommandButton5->click();
        const QString siddham = siddham_->Spell(text, engine::Scheme::Hk);
        QCOMPARE(converter::ConverterWindow::BoxText(w.TextBox5), siddham);
        QVERIFY(paints > 1 && w.TextBox5->isVisible() && !w.TextBox2->isVisible() &&
                !w.TextBox4->isVisible());
        QCOMPARE(w.Label3->text(), "Read as Harvard-Kyoto");
        QVERIFY(w.TextBox5->font().family() == "siddam");
        w.CommandButton4->click();
        QCOMPARE(clipboard->text(), siddham);
        clipboard->setText("ॐ मणि");
        w.CommandButton6->click();
        QCOMPARE(converter::ConverterWindow::BoxText(w.TextBox4), "ओं मणि");
        QCOMPARE(w.Label3->text(), "Read as Devanagari");
        QVERIFY(w.TextBox4->isVisible() && !w.TextBox5->isVisible());
        // Siddham back to IAST with the first group, unchanged.
        clipboard->setText(siddham_->Spell(u"oṃ", engine::Scheme::Iast));
        w.CommandButton3->click();
        QCOMPARE(converter::ConverterWindow::BoxText(w.TextBox2), "oṃ ");
        QVERIFY(w.TextBox2->isVisible() && !w.TextBox5->isVisible());
        converter::frmHVConv().Unload();
    }
};

QTEST_MAIN(SpellCommandTest)
#include "test_spell_command.moc"
