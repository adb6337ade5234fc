// The document operations on the current Writer document of the office that
// accepts on one pipe. Internal to the document bridge. Its calls block for
// as long as the office takes, so WordBridge runs them on a worker thread;
// only Abort may be called from another thread. No call throws.
#pragma once

#include "word/DocumentTarget.h"

#include <QString>

#include <memory>

namespace orv::word::detail {

class WriterBackend {
  public:
    explicit WriterBackend(const QString& pipeName);
    ~WriterBackend();
    WriterBackend(const WriterBackend&) = delete;
    WriterBackend& operator=(const WriterBackend&) = delete;

    // Each answers Done when every step reached the document, NoOffice when
    // the office could not be reached (or the connection was closed under
    // the call), NoDocument when there is no Writer document or it refused
    // a step.

    // The text, in the font (Western, Asian and Complex font names), at the
    // end of the insertion point, followed by a blank in the same font when
    // `blank` is set; then the insertion point collapses after them. An empty
    // font name skips the font: the text takes the formatting found there.
    Delivery InsertInFont(const QString& text, const QString& fontName, bool blank);
    // The first half of InsertInFont: font and text after the collapsed
    // selection (the insertion point follows them), no blank.
    Delivery InsertFontAndText(const QString& text, const QString& fontName);
    // The second half: the blank (in `fontName`, if any) when `blank` is set,
    // after the text; without a first half just before, it collapses the
    // selection to its end.
    Delivery InsertBlankAndMove(bool blank, const QString& fontName);
    // The text at the insertion point; no font, no blank, no move.
    Delivery InsertText(const QString& text);
    // A paragraph break at the insertion point, which then stands at the
    // start of the new paragraph.
    Delivery NewParagraph();
    // The document's selection onto the office's clipboard.
    Delivery CopySelection();
    // Finds the insertion point; writes nothing.
    Delivery Probe();

    // True while a connection is kept.
    bool Connected() const;
    // Closes the connection from any thread; a call blocked on the office
    // returns at once, failed. Calls fail until the next BeginCall.
    void Abort();
    // Clears an earlier Abort; the worker calls it before each operation.
    void BeginCall();
    // Closes the connection and forgets every office object.
    void Disconnect();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orv::word::detail
