// Fonts: the Siddham font shipped beside the program is the one its windows
// draw with, and a Ranjana font installed under another name serves the
// name "Ranjana" in the program and, through fontconfig, in Writer.
#include "app/Fonts.h"

#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QProcess>
#include <QRawFont>
#include <QStandardPaths>
#include <QTest>
#include <QtEndian>

using namespace orv::app;

namespace {
const QString kTestRanjana = QStringLiteral("Orvtest Ranjana");

QString Run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The font revision of the font's head table, as 2.005 and the like.
double Revision(const QRawFont& font) {
    const QByteArray head = font.fontTable("head");
    if (head.size() < 8) return 0;
    return qFromBigEndian<qint32>(head.constData() + 4) / 65536.0;
}
}  // namespace

class FontsTest : public QObject {
    Q_OBJECT

  private slots:
    void shippedSiddhamFontIsTheOneUsed() {
        const QString bin = qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin";
        const QStringList loaded = InstallBundledFonts(bin);
        InstallFontSubstitutions();
        const QRawFont used = QRawFont::fromFont(QFont("siddam", 20));
        qInfo("siddam is drawn with %s %.3f", qPrintable(used.familyName()), Revision(used));
        if (!QFile::exists(bin + "/fonts/OrvantaSiddham-Regular.ttf"))
            QSKIP("no shipped Siddham font (scripts/fetch-fonts could not bring it)");
        QVERIFY(loaded.contains(bin + "/fonts/OrvantaSiddham-Regular.ttf"));
        QCOMPARE(used.familyName().toLower(), QString(kShippedSiddham).toLower());
        QVERIFY(Revision(used) >= 2.005);
    }

    void ranjanaUnderAnyNameServesTheRanjanaName() {
        if (!QFontDatabase::families().contains(kTestRanjana)) QSKIP("python3-fonttools missing");
        QCOMPARE(RanjanaFamilies({"Noto Sans", "Nithya Ranjana DU", "ranjana", "A Ranjana"}),
                 QStringList({"ranjana", "A Ranjana", "Nithya Ranjana DU"}));
        InstallFontSubstitutions();
        QCOMPARE(QFontInfo(QFont("Ranjana", 20)).family(), kTestRanjana);
        // Writer finds fonts through fontconfig, as fc-match does.
        QCOMPARE(Run("fc-match", {"-f", "%{family}", "Ranjana"}), kTestRanjana);
        // A second start leaves the alias file as it is.
        const QString config =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        const QFileInfo alias(config + "/fontconfig/conf.d/66-orvanta-ranjana.conf");
        const QDateTime written = alias.lastModified();
        QVERIFY(WriteRanjanaAlias(config, RanjanaFamilies(QFontDatabase::families())));
        QCOMPARE(QFileInfo(alias.filePath()).lastModified(), written);
    }
};

int main(int argc, char** argv) {
    // A Ranjana font of the test's own, installed in the test's home before
    // fontconfig first looks: Noto Sans Devanagari under another name.
    const QString fonts = qEnvironmentVariable("XDG_DATA_HOME") + "/fonts";
    QDir().mkpath(fonts);
    QProcess make;
    make.start("/usr/bin/python3", {"-c", R"(
import subprocess, sys
from fontTools.ttLib import TTFont
source = subprocess.run(["fc-match", "-f", "%{file}", "Noto Sans Devanagari"],
                        capture_output=True, text=True).stdout
font = TTFont(source)
for record in font["name"].names:
    if record.nameID in (1, 4, 16):
        record.string = sys.argv[2]
    elif record.nameID == 6:
        record.string = sys.argv[2].replace(" ", "") + "-Regular"
font.save(sys.argv[1])
)",
                                    fonts + "/OrvtestRanjana.ttf", kTestRanjana});
    make.waitForFinished(60000);
    QApplication app(argc, argv);
    FontsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_fonts.moc"
