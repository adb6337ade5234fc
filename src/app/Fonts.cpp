#include "app/Fonts.h"

#include "app/Logging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace orv::app {

namespace {
// The first installed family of the list, or the last as a last resort.
QString FirstInstalled(const QStringList& families) {
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : families) {
        if (installed.contains(family, Qt::CaseInsensitive)) return family;
    }
    return families.last();
}

const QLatin1String kRanjana("Ranjana");
const QLatin1String kAliasFile("fontconfig/conf.d/66-orvanta-ranjana.conf");
}  // namespace

QStringList InstallBundledFonts(const QString& programFolder) {
    QStringList loaded;
    const QDir folder(programFolder + QStringLiteral("/fonts"));
    for (const QString& name : folder.entryList({QStringLiteral("*.ttf"), QStringLiteral("*.otf")},
                                                QDir::Files, QDir::Name)) {
        const QString path = folder.filePath(name);
        if (QFontDatabase::addApplicationFont(path) >= 0) {
            loaded << path;
        } else {
            qCWarning(lcApp, "The bundled font %s cannot be loaded", qUtf8Printable(path));
        }
    }
    return loaded;
}

QStringList RanjanaFamilies(const QStringList& installed) {
    QStringList exact, others;
    for (const QString& family : installed) {
        if (family.compare(kRanjana, Qt::CaseInsensitive) == 0) {
            exact << family;
        } else if (family.contains(kRanjana, Qt::CaseInsensitive)) {
            others << family;
        }
    }
    others.sort(Qt::CaseInsensitive);
    // The shipped font comes last: a Ranjana font the user installed wins.
    const auto shipped = std::find_if(others.begin(), others.end(), [](const QString& family) {
        return family.compare(QLatin1String(kShippedRanjana), Qt::CaseInsensitive) == 0;
    });
    if (shipped != others.end()) others.append(others.takeAt(shipped - others.begin()));
    return exact + others;
}

QString RanjanaAlias(const QStringList& families) {
    QString prefer;
    for (QString family : families + QStringList{QStringLiteral("Noto Sans Devanagari")}) {
        family.replace(QLatin1Char('&'), QLatin1String("&amp;"))
            .replace(QLatin1Char('<'), QLatin1String("&lt;"))
            .replace(QLatin1Char('>'), QLatin1String("&gt;"));
        prefer += QStringLiteral("<family>%1</family>").arg(family);
    }
    return QStringLiteral(
               "<?xml version=\"1.0\"?>\n"
               "<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n"
               "<!-- Written by Orvanta: the Ranjana fonts installed here, for the font\n"
               "     name \"Ranjana\" that Orvanta writes into documents. -->\n"
               "<fontconfig>\n"
               "  <alias binding=\"same\">\n"
               "    <family>Ranjana</family>\n"
               "    <prefer>%1</prefer>\n"
               "  </alias>\n"
               "</fontconfig>\n")
        .arg(prefer);
}

bool WriteRanjanaAlias(const QString& configHome, const QStringList& families) {
    if (families.isEmpty() || configHome.isEmpty()) return false;
    const QByteArray text = RanjanaAlias(families).toUtf8();
    const QString path = configHome + QLatin1Char('/') + kAliasFile;
    QFile current(path);
    if (current.open(QIODevice::ReadOnly) && current.readAll() == text) return true;
    if (!QDir().mkpath(QFileInfo(path).path())) return false;
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
}

void InstallFontSubstitutions() {
    // Called again after more fonts are loaded: the lists start afresh.
    for (const char* name : {"Ranjana", "siddam", "Arial Unicode MS", "Tahoma"}) {
        QFont::removeSubstitutions(QLatin1String(name));
    }
    const QString sans =
        FirstInstalled({QStringLiteral("Noto Sans"), QStringLiteral("DejaVu Sans")});
    const QString devanagari = QStringLiteral("Noto Sans Devanagari");
    // A Ranjana font under any name ("Ranjana", or a name with Ranjana in
    // it) draws the Lantsa text; without one, Devanagari shapes stand in.
    const QStringList ranjana = RanjanaFamilies(QFontDatabase::families());
    if (!ranjana.contains(kRanjana, Qt::CaseInsensitive)) {
        QFont::insertSubstitutions(kRanjana, ranjana + QStringList{devanagari, sans});
    }
    // Writer finds the shipped font through the program's own font rules;
    // a rule of the user's own is written only for other Ranjana fonts.
    if (ranjana.size() > ranjana.count(QString::fromLatin1(kShippedRanjana))) {
        WriteRanjanaAlias(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
                          ranjana);
    }
    // The shipped Siddham font when it is there, else the system's.
    const QStringList siddham = {QLatin1String(kShippedSiddham),
                                 QStringLiteral("Noto Sans Siddham")};
    QFont::insertSubstitutions(QStringLiteral("siddam"), siddham + QStringList{sans});
    const QStringList unicodeSans = QStringList{sans} + siddham + QStringList{devanagari};
    QFont::insertSubstitutions(QStringLiteral("Arial Unicode MS"), unicodeSans);
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), unicodeSans);
}

}  // namespace orv::app
