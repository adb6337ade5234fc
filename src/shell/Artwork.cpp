#include "shell/Artwork.h"

#include "app/GlyphWidgets.h"
#include "app/Program.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTextDocument>

namespace orv::shell {

namespace {

// The colours of the desktop icon that the install puts in place.
const QColor kTileColour(0x7a, 0x2e, 0x12);
const QColor kRimColour(0xf2, 0xc1, 0x4e);
const QColor kLetterColour(0xff, 0xf7, 0xe0);
const QColor kInkColour(0x3a, 0x2a, 0x1a);

QString FromCodePoints(std::u32string_view text) {
    return QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size()));
}

QPixmap IconTile(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kTileColour);
    const qreal radius = size / 5.0;
    painter.drawRoundedRect(QRectF(0, 0, size, size), radius, radius);
    if (size >= 22) {
        const qreal inset = size / 10.0;
        painter.setPen(QPen(kRimColour, qMax(1.0, size / 32.0)));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(inset, inset, size - 2 * inset, size - 2 * inset),
                                radius * 0.75, radius * 0.75);
    }

    // Siddham letter A, or a plain O where no Siddham font is installed.
    QFont font(QStringLiteral("siddam"));
    font.setPixelSize(qMax(8, size * 2 / 3));
    QString letter = FromCodePoints(U"\U00011580");
    if (!QFontMetrics(font).inFontUcs4(0x11580)) {
        font = QFont();
        font.setBold(true);
        font.setPixelSize(qMax(8, size * 2 / 3));
        letter = QStringLiteral("O");
    }
    painter.setFont(font);
    painter.setPen(kLetterColour);
    painter.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, letter);
    return pixmap;
}

QString FontFamilyFor(const QString& requested) { return QFontInfo(QFont(requested)).family(); }

}  // namespace

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128}) icon.addPixmap(IconTile(size));
    return icon;
}

QString AboutSiddhamLine() {
    // siddhaṃ namaḥ
    return FromCodePoints(
        U"\U000115AD\U000115B0\U0001159F\U000115BF\U000115A0\U000115BD "
        U"\U000115A1\U000115A6\U000115BE");
}

QPixmap AboutPicture() {
    const QSize size(438, 273);
    QPixmap picture(size);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient paper(0, 0, 0, size.height());
    paper.setColorAt(0, QColor(0xfc, 0xf7, 0xea));
    paper.setColorAt(1, QColor(0xf1, 0xe3, 0xc2));
    painter.fillRect(picture.rect(), paper);
    painter.setPen(QPen(kTileColour, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(1, 1, size.width() - 2, size.height() - 2));

    painter.drawPixmap(20, 18, IconTile(56));

    QFont title;
    title.setPixelSize(24);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(kTileColour);
    painter.drawText(QPoint(90, 42), app::ApplicationTitle());

    QFont small;
    small.setPixelSize(11);
    painter.setFont(small);
    painter.setPen(kInkColour);
    painter.drawText(QPoint(92, 62),
                     QStringLiteral("Version %1 · a writing aid for Siddham and Lantsa")
                         .arg(QStringLiteral(ORVANTA_VERSION)));

    // Whole, marks above and below included, as on the candidate buttons.
    QFont siddham(QStringLiteral("siddam"));
    siddham.setPixelSize(26);
    const QRectF line(236, 6, 190, 46);
    const app::GlyphFit fit = app::FitGlyph(AboutSiddhamLine(), siddham, line.size());
    painter.setFont(fit.font);
    painter.setPen(kTileColour);
    painter.drawText(line.topLeft() + fit.baseline, AboutSiddhamLine());

    painter.setPen(QPen(QColor(0xc9, 0xb2, 0x86), 1));
    painter.drawLine(20, 86, size.width() - 20, 86);

    const QString siddhamFont = FontFamilyFor(QStringLiteral("siddam"));
    const QString lantsaFont = FontFamilyFor(QStringLiteral("Ranjana"));
    QString fonts = QStringLiteral("Siddham in %1, Lantsa in %2")
                        .arg(siddhamFont.toHtmlEscaped(), lantsaFont.toHtmlEscaped());
    if (siddhamFont.startsWith(QLatin1String("Noto")) &&
        lantsaFont.startsWith(QLatin1String("Noto"))) {
        fonts += QStringLiteral(" (SIL Open Font License)");
    }
    const QString text =
        QStringLiteral(
            "<div style=\"color:#3a2a1a\">"
            "<p style=\"margin-bottom:6px\"><b>%1 %2</b>: Siddham and Lantsa keyboards that "
            "type by transliteration, a converter to transliteration, Devanagari and Lantsa, "
            "and a dictionary. Text goes straight into LibreOffice Writer.</p>"
            "<p style=\"margin-bottom:0px\"><b>Fonts</b>: %3.</p>"
            "<p style=\"margin-bottom:10px\"><b>Libraries</b>: Qt %4, ICU, SQLCipher and the "
            "LibreOffice UNO runtime.</p>"
            "<p>Everything about its use is in the manual beside the program:</p></div>")
            .arg(app::ApplicationTitle(), QStringLiteral(ORVANTA_VERSION), fonts,
                 QString::fromLatin1(qVersion()));
    painter.setPen(kInkColour);
    painter.setFont(small);
    // Rich text through a document: word wrap and bold runs.
    QTextDocument document;
    document.setDefaultFont(small);
    document.setDocumentMargin(0);
    document.setTextWidth(size.width() - 40);
    document.setHtml(text);
    painter.translate(20, 98);
    document.drawContents(&painter);
    return picture;
}

}  // namespace orv::shell
