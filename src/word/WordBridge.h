// The only road from the program into a document: the current LibreOffice
// Writer document of an office that accepts the program's connection on a
// named pipe. Called on the user-interface thread.
//
// The caller never waits on the office. Each operation is handed to the
// bridge's worker thread and returns at once; the worker runs them in the
// order given. While the office does not answer (it hangs, or is busy), the
// operations wait for it in order, each for at most DeliveryWindow() after
// it was given; what has not reached the document by then is dropped, so a
// late answer never writes old text. No office listening, no Writer
// document: the operation is dropped at once. A broken connection is made
// again by the next operation.
//
// Failures stay silent to the user: each operation's Receipt tells what
// became of it, for the callers that want to know (tests, and the keyboard's
// indicator of where glyphs go), and the "orvanta.word" logging category
// says why, when it is turned on.
//
// Keep one bridge per office in a process: UNO gives a process one proxy per
// office object, so while one bridge holds the office's objects a second one
// cannot connect to that office, and its operations fail.
#pragma once

#include "word/DocumentTarget.h"

#include <QString>

#include <chrono>
#include <memory>

namespace orv::word {

class WordBridge final : public DocumentTarget {
  public:
    // The pipe the program's office accepts on: "orvanta" and the user id,
    // or the name in the environment variable ORVANTA_OFFICE_PIPE when set.
    // An office accepts it when started with
    //   soffice "--accept=pipe,name=<name>;urp;StarOffice.ComponentContext"
    static QString DefaultPipeName();
    // The program-wide bridge, made on first use with DefaultPipeName(). It
    // is stopped when the application object goes (or by ShutdownShared),
    // while the office's libraries are still there.
    static WordBridge& Shared();
    // Stops the program-wide bridge, if it was made: waits a moment for
    // operations still queued, closes the connection and ends the worker.
    // Afterwards the bridge's operations are dropped at once.
    static void ShutdownShared();

    // How long an operation may wait for the office before it is dropped.
    static constexpr std::chrono::milliseconds DeliveryWindow() { return std::chrono::seconds(10); }
    // At most this many operations wait; beyond, the oldest is dropped.
    static constexpr int kMaxWaiting = 64;

    // `window` replaces DeliveryWindow() (tests shorten it).
    explicit WordBridge(const QString& pipeName = DefaultPipeName(),
                        std::chrono::milliseconds window = DeliveryWindow());
    ~WordBridge() override;
    WordBridge(const WordBridge&) = delete;
    WordBridge& operator=(const WordBridge&) = delete;

    QString PipeName() const;
    // Connects to another pipe from the next operation on (tests point the
    // program-wide bridge at their own office, or at none).
    void SetPipeName(const QString& pipeName);

    // The document operations (see DocumentTarget). The font covers exactly
    // the inserted characters, in every script class. The second half of a
    // commit adds nothing when the first half wrote text and no blank is
    // wanted: its receipt is then the first half's.
    Receipt InsertInFont(const QString& text, const QString& fontName, bool blank) override;
    Receipt InsertFontAndText(const QString& text, const QString& fontName) override;
    Receipt InsertBlankAndMove(bool blank) override;
    // The document keeps its insertion point after the text, as for typing.
    Receipt InsertText(const QString& text) override;
    Receipt NewParagraph() override;
    Receipt CopySelection() override;
    // Skipped (answered by the last outcome) while other operations wait.
    Receipt Probe() override;
    Delivery LastDelivery() const override;

    // Waits until every operation given so far has ended, at most `limit`.
    bool Flush(std::chrono::milliseconds limit = std::chrono::seconds(15));

  private:
    struct Impl;
    std::shared_ptr<Impl> impl_;
};

}  // namespace orv::word
