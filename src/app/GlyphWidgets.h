// Widgets that show a script glyph whole. Scripts such as Siddham carry
// marks far above and below the letter (anusvara, candrabindu, vowel signs,
// repha, conjuncts stacked below) and their fonts have a large ascent and
// descent: a plain button centres the font's line box and cuts off exactly
// the marks that tell candidates apart. This one measures the glyph's ink,
// centres the ink in the button, and shrinks a glyph that would not fit
// rather than cut it. The word box of the meaning window does the same for
// the word it shows.
#pragma once

#include <QFont>
#include <QLineEdit>
#include <QPointF>
#include <QPushButton>
#include <QSizeF>

namespace orv::app {

// Where and how large to draw `text` so its ink fits `box` whole.
struct GlyphFit {
    QFont font;        // `font`, or smaller when the ink would not fit
    QPointF baseline;  // the text's origin, relative to the box's corner
};
GlyphFit FitGlyph(const QString& text, const QFont& font, const QSizeF& box);

// Where to draw `text` left-aligned in `box`, ink centred vertically.
GlyphFit FitWord(const QString& text, const QFont& font, const QSizeF& box);

// `font`, smaller when needed (down to `minimumPointSize`) for one line of
// `text` to fit `width` pixels: a label keeps its text within its own room.
QFont FitWidth(const QString& text, const QFont& font, int width, qreal minimumPointSize = 6);

class GlyphButton : public QPushButton {
    Q_OBJECT
  public:
    using QPushButton::QPushButton;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    // The last fit, kept while text, font and size stay the same.
    QString fitText_;
    QFont fitFont_;
    QSizeF fitBox_;
    GlyphFit fit_;
};

// A one-line text box that, while the user is not editing it, shows its
// word whole and as large as the box allows (a line edit centres the line
// box of its first font, and Siddham's marks reach beyond it). With the
// focus it is a plain line edit.
class WordBox : public QLineEdit {
    Q_OBJECT
  public:
    using QLineEdit::QLineEdit;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace orv::app
