#include "app/Fonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

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
}  // namespace

void InstallFontSubstitutions() {
    const QString sans =
        FirstInstalled({QStringLiteral("Noto Sans"), QStringLiteral("DejaVu Sans")});
    const QString devanagari = QStringLiteral("Noto Sans Devanagari");
    // A real Ranjana font is used when the user has installed one under that
    // name; Qt then finds it before any substitution.
    if (!QFontDatabase::families().contains(QStringLiteral("Ranjana"), Qt::CaseInsensitive)) {
        QFont::insertSubstitutions(QStringLiteral("Ranjana"), {devanagari, sans});
    }
    QFont::insertSubstitutions(QStringLiteral("siddam"),
                               {QStringLiteral("Noto Sans Siddham"), sans});
    const QStringList unicodeSans = {sans, QStringLiteral("Noto Sans Siddham"), devanagari};
    QFont::insertSubstitutions(QStringLiteral("Arial Unicode MS"), unicodeSans);
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), unicodeSans);
}

}  // namespace orv::app
