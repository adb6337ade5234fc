// Where the windows send what the user writes: the document operations as
// the keyboard windows and the dictionary see them, with no office types.
// WordBridge, the Writer bridge, is the one real document target; a test of
// a window can put another in its place.
//
// Each operation returns at once with a Receipt that tells what became of
// it: Pending while it waits or runs, then Done, NoOffice, NoDocument or
// TimedOut.
#pragma once

#include <QString>

#include <chrono>
#include <memory>

namespace orv::word {

// What became of a document operation.
enum class Delivery {
    Pending,     // waiting for the worker, or running
    Done,        // the edit reached the document
    NoOffice,    // no office accepts on the pipe
    NoDocument,  // the office has no Writer document to take it
    TimedOut,    // the office did not answer within the bridge's delivery window
};

// A handle on one operation's outcome.
class Receipt {
  public:
    struct State;
    Receipt() = default;
    explicit Receipt(std::shared_ptr<State> state) : state_(std::move(state)) {}
    // A receipt of an operation that has already ended with `outcome` (one
    // that still waits when `outcome` is Pending).
    static Receipt Ended(Delivery outcome);

    // Whether it stands for an operation.
    bool Valid() const { return state_ != nullptr; }
    // The outcome so far.
    Delivery Status() const;
    // Waits until the operation has ended, at most `limit`; answers its
    // outcome (Pending when the wait ran out). Not for the user-interface
    // thread of the program: tests and benchmarks use it.
    Delivery Wait(std::chrono::milliseconds limit = std::chrono::seconds(15)) const;

  private:
    std::shared_ptr<State> state_;
};

class DocumentTarget {
  public:
    virtual ~DocumentTarget() = default;

    // The text in the font at the insertion point, then a blank when
    // `blank` is set, then the insertion point moves right past them. An
    // empty font name skips the font: the text takes the formatting found
    // there.
    virtual Receipt InsertInFont(const QString& text, const QString& fontName, bool blank) = 0;
    // InsertInFont in two halves, for a commit that does its own work in
    // between: first the font and the text...
    virtual Receipt InsertFontAndText(const QString& text, const QString& fontName) = 0;
    // ...then the blank when `blank` is set (in the font of the first half)
    // and the move past what was inserted.
    virtual Receipt InsertBlankAndMove(bool blank) = 0;
    // The text at the insertion point: no font, no blank, no move.
    virtual Receipt InsertText(const QString& text) = 0;
    // A paragraph break at the insertion point, which then starts the new
    // paragraph.
    virtual Receipt NewParagraph() = 0;
    // The document's selection onto the clipboard.
    virtual Receipt CopySelection() = 0;
    // Writes nothing: tells whether a document would take text now.
    virtual Receipt Probe() = 0;
    // The outcome of the last operation that ended (Pending before any).
    virtual Delivery LastDelivery() const = 0;
};

// The program's document target: the one a test set, else the program-wide
// WordBridge (made on first use).
DocumentTarget& Document();
// Puts `target` in the place of the program's document target; null gives
// the place back to the WordBridge. The target must outlive its use.
void SetDocumentTargetForTesting(DocumentTarget* target);

}  // namespace orv::word
