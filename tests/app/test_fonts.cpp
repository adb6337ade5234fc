// The shipped Siddham font draws; any installed Ranjana serves "Ranjana" here and in Writer.
#include "app/Fonts.h"

#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QProcess>
#include <QRawFont>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace orv::app;

const QString kTestRanjana = QStringLiteral("Orvtest Ranjana");

class FontsTest : public QObject {
    Q_OBJECT

  private slots:
    void shippedSiddhamFontIsTheOneUsed() {
        const QString bin = qEnvironmentVariable("ORVANTA_BINARY_DIR") + "/bin";
        const QStringList loaded = InstallBundledFonts(bin);
        InstallFontSubstitutions();
        const QRawFont used = QRawFont::fromFont(QFont("siddam", 20));
        const QByteArray head = used.fontTable("head");  // its font revision, as 2.005
        const double revision =
            head.size() < 8 ? 0 : qFromBigEndian<qint32>(head.data() + 4) / 65536.;
        qInfo("siddam is drawn with %s %.3f", qPrintable(used.familyName()), revision);
        if (!QFile::exists(bin + "/fonts/OrvantaSiddham-Regular.ttf"))
            QSKIP("no shipped Siddham font (scripts/fetch-fonts could not bring it)");
        QVERIFY(loaded.contains(bin + "/fonts/OrvantaSiddham-Regular.ttf") && revision >= 2.005);
        QCOMPARE(used.familyName().toLower(), QString(kShippedSiddham).toLower());
    }

    void ranjanaUnderAnyNameServesTheRanjanaName() {
        if (!QFontDatabase::families().contains(kTestRanjana)) QSKIP("python3-fonttools missing");
        // A Ranjana font of the user's before the shipped one, whatever their names.
        QCOMPARE(RanjanaFamilies(
                     {"Noto Sans", "Nithya Ranjana DU", "ranjana", "Z Ranjana", "A Ranjana"}),
                 QStringList({"ranjana", "A Ranjana", "Z Ranjana", "Nithya Ranjana DU"}));
        InstallFontSubstitutions();
        QCOMPARE(QFontInfo(QFont("Ranjana", 20)).family(), kTestRanjana);
        QProcess fcMatch;  // Writer finds fonts through fontconfig, as fc-match does
        fcMatch.start("fc-match", {"-f", "%{family}", "Ranjana"});
        QVERIFY(fcMatch.waitForFinished(60000));
        QCOMPARE(QString::fromUtf8(fcMatch.readAllStandardOutput()).trimmed(), kTestRanjana);
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
    // Data and settings folders of this test alone: its Ranjana font and font rule must not
    // reach the other tests, which run where no Ranjana font is installed.
    QTemporaryDir own;
    qputenv("XDG_DATA_HOME", QFile::encodeName(own.filePath("data")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(own.filePath("config")));
    // The test's own Ranjana (Noto Sans Devanagari renamed), there before fontconfig looks.
    const QString fonts = qEnvironmentVariable("XDG_DATA_HOME") + "/fonts";
    QDir().mkpath(fonts);
    QProcess::execute("/usr/bin/python3", {"-c", R"(
import subprocess, sys
from fontTools.ttLib import TTFont
f = TTFont(subprocess.run(["fc-match", "-f", "%{file}", "Noto Sans Devanagari"], capture_output=True, text=True).stdout)
for r in f["name"].names:
    if r.nameID in (1, 4, 6, 16): r.string = sys.argv[2].replace(" ", "") + "-Regular" if r.nameID == 6 else sys.argv[2]
f.save(sys.argv[1])
)",
                                           fonts + "/OrvtestRanjana.ttf", kTestRanjana});
    QApplication app(argc, argv);
    FontsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_fonts.moc"
