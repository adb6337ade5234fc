// The converter window: Siddham text copied from any document, converted
// into transliteration, Devanagari or Lantsa, and text in a transliteration
// scheme or Devanagari spelled in Siddham or Lantsa, shown in an editable box
// from which the user copies it back.
#pragma once

#include "app/AppWindow.h"
#include "converter/SiddhamConverter.h"
#include "engine/Speller.h"

#include <functional>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace orv::converter {

class ConverterWindow : public app::AppWindow {
    Q_OBJECT
  public:
    ConverterWindow();

    // A conversion button: shows the target's box, pastes the clipboard into
    // the input buffer, converts it into the box and ends it with a blank.
    void ConvertClipboard(Target target);
    // Converts the input buffer and appends the output to the
    // target's box chunk by chunk, letting the window repaint after each.
    // Stops early when a newer conversion starts or the window unloads.
    void ConvertSiddhamText(Target target);
    // A button of the second group: shows the script's box, reads the
    // clipboard's text in the scheme it recognises (shown in Label3) and
    // spells it into the box chunk by chunk, like a conversion.
    void SpellClipboard(engine::Script script);
    // The copy button: selects the whole text of the box in view and puts it
    // on the clipboard.
    void CopyResult();

    QPlainTextEdit* OutputBox(Target target) const;
    // A box's text exactly as it holds it (line breaks as "\n"; no other
    // character replaced, unlike QPlainTextEdit::toPlainText).
    static QString BoxText(const QPlainTextEdit* box);

    // Controls, named as everywhere in the program.
    QFrame* Frame1;
    QFrame* Frame2;
    QLabel* Label1;
    QPushButton* CommandButton3;
    QPushButton* CommandButton1;
    QPushButton* CommandButton2;
    QPushButton* CommandButton4;
    QPlainTextEdit* TextBox4;
    QPlainTextEdit* TextBox2;
    // The second group: into the scripts.
    QFrame* Frame3;
    QLabel* Label2;
    QPushButton* CommandButton5;  // Siddham
    QPushButton* CommandButton6;  // Lantsa
    QLabel* Label3;               // the scheme the clipboard was read in
    QPlainTextEdit* TextBox5;     // the Siddham box, in the Siddham font

    // The input buffer: the clipboard's text, exactly as it was, never shown.
    // (A text box would cost a layout of the whole text and would replace
    // some characters, such as no-break spaces, when read back.)
    QString InputBuffer;

  protected:
    void OnLoad() override;
    void OnUnload() override;

  private:
    using ChunkSink = std::function<bool(const QString& output)>;
    // Shows `box` alone and empty, with the clipboard's text in InputBuffer.
    void StartConversion(QPlainTextEdit* box);
    // Appends to `box` what `produce` hands to its sink, chunk by chunk,
    // letting the window repaint after each; stops when a newer conversion
    // starts or the window unloads.
    void Fill(QPlainTextEdit* box, const std::function<void(const ChunkSink&)>& produce);
    // Counts conversions started; a running one whose number is no longer
    // the latest stops at its next chunk.
    quint64 run_ = 0;
    bool unloaded_ = false;
};

// The shared instance.
app::SharedWindow<ConverterWindow>& frmHVConv();

}  // namespace orv::converter
