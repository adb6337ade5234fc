// The word lexicon (tbl_words) against the speller and the held-out text.
#include "data/Queries.h"
#include "engine/Speller.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace orv;

// The lines of an IAST text, comments left out, in NFC.
static QStringList TextLines(const QString& path) {
    QFile file(path);
    QStringList out;
    if (file.open(QIODevice::ReadOnly))
        for (const QString& line : QString::fromUtf8(file.readAll()).split('\n'))
            if (!line.trimmed().isEmpty() && !line.startsWith('#'))
                out << line.normalized(QString::NormalizationForm_C);
    return out;
}

// The words of a line, without dandas and separators.
static QStringList Words(const QString& line) {
    static const QRegularExpression marks("[|.,]");
    return QString(line).replace(marks, " ").split(' ', Qt::SkipEmptyParts);
}

class WordsTest : public QObject {
    Q_OBJECT
    struct Word {
        QString trans, siddham, lantsa, weight;
    };
    std::unique_ptr<data::Database> db_;
    QList<Word> words_;

  private slots:
    void initTestCase() {
        QString error;
        QVERIFY2((db_ = test::OpenBuilt(&error)), qPrintable(error));
        auto rs = db_->OpenRecordset(data::WordRows(), &error);
        QVERIFY2(rs, qPrintable(error));
        for (bool ok = rs->MoveFirst(); ok && !rs->Eof(); rs->MoveNext())
            words_ << Word{rs->Text(0), rs->Text(1), rs->Text(2), rs->Text(3)};
        QVERIFY2(words_.size() >= 3000, qPrintable(QString::number(words_.size())));
    }

    void everyRowIsSpelledAsTheSpellerSpellsIt() {
        QString error;
        const auto siddham = engine::SpellerTables::Load(*db_, engine::Script::Siddham, &error);
        const auto lantsa = engine::SpellerTables::Load(*db_, engine::Script::Lantsa, &error);
        QVERIFY2(siddham && lantsa, qPrintable(error));
        QStringList wrong;
        for (const Word& w : std::as_const(words_)) {
            const QString s = siddham->Spell(w.trans, engine::Scheme::Iast),
                          l = lantsa->Spell(w.trans, engine::Scheme::Iast);
            if (s != w.siddham || l != w.lantsa)
                wrong
                    << QString("%1: %2 %3, speller %4 %5").arg(w.trans, w.siddham, w.lantsa, s, l);
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.mid(0, 20).join('\n')));
    }

    // As learned words are kept: NFC, lower case, ṃ not ṁ, single blanks, trimmed; once each;
    // a positive weight.
    void transliterationsAreLearnedFormsWithAWeight() {
        QSet<QString> seen;
        QStringList wrong;
        for (const Word& w : std::as_const(words_)) {
            bool number = false;
            const QString form = w.trans.normalized(QString::NormalizationForm_C).toLower();
            if (w.trans.isEmpty() || form != w.trans || w.trans.contains(u'ṁ') ||
                w.trans.contains("  ") || w.trans.trimmed() != w.trans || seen.contains(w.trans) ||
                w.weight.toInt(&number) <= 0 || !number)
                wrong << w.trans + " " + w.weight;
            seen << w.trans;
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(", ")));
    }

    // The held-out text stays apart from the lexicon's sources: none of its lines is a corpus
    // line or an entry, and many of its words are new to the lexicon (fed the text, it would
    // hold them all).
    void heldOutTextIsNotInTheLexicon() {
        const QString root = qEnvironmentVariable("ORVANTA_SOURCE_DIR") + "/tests/corpus/";
        const QStringList heldOut = TextLines(root + "heldout.txt");
        const QStringList corpus = TextLines(root + "corpus.txt");
        QSet<QString> entries, corpusLines;
        for (const Word& w : std::as_const(words_)) entries << w.trans;
        for (const QString& line : corpus) corpusLines << Words(line).join(' ');
        int words = 0, unknown = 0;
        for (const QString& line : heldOut) {
            const QStringList lineWords = Words(line);
            QVERIFY2(!corpusLines.contains(lineWords.join(' ')) &&
                         !entries.contains(lineWords.join(' ')),
                     qPrintable(line));
            words += lineWords.size();
            for (const QString& w : lineWords) unknown += !entries.contains(w.toLower());
        }
        qInfo("held-out text: %d words, %d of them (%.0f %%) not in the lexicon", words, unknown,
              100.0 * unknown / qMax(words, 1));
        QVERIFY(words >= 600);
        QVERIFY(unknown * 5 >= words);
    }
};

QTEST_MAIN(WordsTest)
#include "test_words.moc"
