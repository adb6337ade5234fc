// The converter window: Siddham text copied from any document, converted
// into transliteration, Devanagari or Lantsa, shown in an editable box from
// which the user copies it back.
#pragma once

#include "app/AppWindow.h"
#include "converter/SiddhamConverter.h"

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

    // The input buffer: the clipboard's text, exactly as it was, never shown.
    // (A text box would cost a layout of the whole text and would replace
    // some characters, such as no-break spaces, when read back.)
    QString InputBuffer;

  protected:
    void OnLoad() override;
    void OnUnload() override;

  private:
    // Counts conversions started; a running one whose number is no longer
    // the latest stops at its next chunk.
    quint64 run_ = 0;
    bool unloaded_ = false;
};

// The shared instance.
app::SharedWindow<ConverterWindow>& frmHVConv();

}  // namespace orv::converter
