// The only road from the program into a document: the current LibreOffice
// Writer document of an office that accepts the program's connection on a
// named pipe. Called on the user-interface thread.
//
// Failures are silent and quick. No office listening, no Writer document,
// an office that ended or hangs: the operation gives up and answers false,
// the caller goes on as if the text had been written. The caller never waits
// longer than CallBound(); after an office failed to answer in time,
// operations fail at once for QuietAfterHang(). A broken connection is made
// again by the next operation.
//
// Keep one bridge per office in a process: UNO gives a process one proxy per
// office object, so while one bridge holds the office's objects a second one
// cannot connect to that office, and its operations fail.
#pragma once

#include <QString>

#include <chrono>
#include <memory>

namespace orv::word {

class WordBridge {
  public:
    // The pipe the program's office accepts on: "orvanta" and the user id,
    // or the name in the environment variable ORVANTA_OFFICE_PIPE when set.
    // An office accepts it when started with
    //   soffice "--accept=pipe,name=<name>;urp;StarOffice.ComponentContext"
    static QString DefaultPipeName();
    // The program-wide bridge, made on first use with DefaultPipeName(). It
    // lives until the program ends.
    static WordBridge& Shared();

    // The longest an operation keeps its caller waiting.
    static constexpr std::chrono::milliseconds CallBound() {
        return std::chrono::milliseconds(750);
    }
    // How long operations fail at once after an office did not answer.
    static constexpr std::chrono::milliseconds QuietAfterHang() {
        return std::chrono::milliseconds(2000);
    }

    explicit WordBridge(const QString& pipeName = DefaultPipeName());
    ~WordBridge();
    WordBridge(const WordBridge&) = delete;
    WordBridge& operator=(const WordBridge&) = delete;

    QString PipeName() const;
    // Connects to another pipe from the next operation on (tests point the
    // program-wide bridge at their own office).
    void SetPipeName(const QString& pipeName);

    // Each operation answers true when its edit reached the document; the
    // program's callers ignore the answer.

    // The text in the font at the insertion point, then a blank when
    // InsertSpace is 1, then the insertion point moves right past them. The
    // font covers exactly the inserted characters, in every script class;
    // an empty font name skips the font and the text takes the formatting
    // found there.
    bool InsertInFont(const QString& text, const QString& fontName);
    // InsertInFont in two halves, for a commit that does its own work in
    // between: first the font and the text...
    bool InsertFontAndText(const QString& text, const QString& fontName);
    // ...then the blank when InsertSpace is 1 (in the font of the first
    // half) and the move past what was inserted.
    bool InsertBlankAndMove();
    // The text at the insertion point: no font, no blank, no move. The
    // document keeps its insertion point after the text, as for typing.
    bool InsertText(const QString& text);
    // A paragraph break at the insertion point; the insertion point then
    // starts the new paragraph.
    bool NewParagraph();
    // The document's selection onto the clipboard.
    bool CopySelection();

  private:
    struct Impl;
    std::shared_ptr<Impl> impl_;
};

}  // namespace orv::word
