#include "app/GlyphWidgets.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QStylePainter>

#include <algorithm>

namespace orv::app {

namespace {

// Room kept between the ink and the button's content edge, in pixels:
// drawing hints glyphs to the pixel grid, which can move ink by one.
constexpr qreal kInkMargin = 1.5;

// The glyph's ink: the outline of the shaped text, origin on the baseline.
QRectF InkBounds(const QString& text, const QFont& font) {
    QPainterPath path;
    path.addText(QPointF(0, 0), font, text);
    return path.boundingRect();
}

// `font`, made smaller until the ink of `text` fits `room`; the ink comes
// back in `ink`.
QFont ShrinkToFit(const QString& text, const QFont& font, const QSizeF& room, QRectF* ink) {
    QFont fitted = font;
    *ink = InkBounds(text, fitted);
    // Outlines scale with the point size but hinting does not quite: a
    // second pass corrects what the first left over.
    for (int pass = 0; pass < 3 && !ink->isEmpty(); ++pass) {
        const qreal scale = std::min(room.width() / ink->width(), room.height() / ink->height());
        if (scale >= 1) break;
        fitted.setPointSizeF(std::max<qreal>(fitted.pointSizeF() * scale * 0.97, 1));
        *ink = InkBounds(text, fitted);
    }
    return fitted;
}

// A glyph on a button keeps a tenth of the button clear around it, so it
// reads as a glyph on a key and not as ink running into the frame.
constexpr qreal kButtonMargin = 0.1;

QSizeF Room(const QSizeF& box, qreal margin = kInkMargin) {
    return {std::max<qreal>(box.width() - 2 * margin, 1),
            std::max<qreal>(box.height() - 2 * margin, 1)};
}

}  // namespace

GlyphFit FitGlyph(const QString& text, const QFont& font, const QSizeF& box) {
    QRectF ink;
    const qreal margin = std::max(kInkMargin, kButtonMargin * std::min(box.width(), box.height()));
    GlyphFit fit{ShrinkToFit(text, font, Room(box, margin), &ink), {}};
    const QPointF centre(box.width() / 2, box.height() / 2);
    fit.baseline = ink.isEmpty() ? QPointF(0, box.height() / 2) : centre - ink.center();
    return fit;
}

GlyphFit FitWord(const QString& text, const QFont& font, const QSizeF& box) {
    QRectF ink;
    // Only the height limits the size: a long word runs on to the right.
    const QSizeF room(1e6, Room(box).height());
    GlyphFit fit{ShrinkToFit(text, font, room, &ink), {}};
    fit.baseline = ink.isEmpty()
                       ? QPointF(kInkMargin, box.height() / 2)
                       : QPointF(kInkMargin - ink.left(), box.height() / 2 - ink.center().y());
    return fit;
}

QFont FitWidth(const QString& text, const QFont& font, int width, qreal minimumPointSize) {
    QFont fitted = font;
    while (fitted.pointSizeF() > minimumPointSize &&
           QFontMetricsF(fitted).horizontalAdvance(text) > width) {
        fitted.setPointSizeF(std::max(minimumPointSize, fitted.pointSizeF() - 0.5));
    }
    return fitted;
}

void GlyphButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString glyph = option.text;
    option.text.clear();
    option.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButton, option);
    if (glyph.isEmpty()) return;

    const QRectF box = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    if (glyph != fitText_ || font() != fitFont_ || box.size() != fitBox_) {
        fit_ = FitGlyph(glyph, font(), box.size());
        fitText_ = glyph;
        fitFont_ = font();
        fitBox_ = box.size();
    }
    painter.setFont(fit_.font);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(box.topLeft() + fit_.baseline, glyph);
}

void WordBox::paintEvent(QPaintEvent* event) {
    if (hasFocus() || text().isEmpty()) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOptionFrame option;
    initStyleOption(&option);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
    const QRectF box = style()
                           ->subElementRect(QStyle::SE_LineEditContents, &option, this)
                           .marginsRemoved(textMargins());
    const GlyphFit fit = FitWord(text(), font(), box.size());
    painter.setClipRect(box);
    painter.setFont(fit.font);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(box.topLeft() + fit.baseline, text());
}

}  // namespace orv::app
