// A real headless Writer for the bridge's tests and benchmarks: its own
// throwaway profile and pipe name, started and stopped by process id, and a
// view into it through scripts/writer-document.py in a process of its own, to set up
// documents and read them back.
#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <sys/types.h>

namespace orv::word::test {

class TestOffice {
  public:
    // A text portion of the document and the fonts of its three script
    // classes.
    struct Portion {
        QString text;
        QString western;
        QString asian;
        QString complex;
    };

    TestOffice();
    ~TestOffice();
    TestOffice(const TestOffice&) = delete;
    TestOffice& operator=(const TestOffice&) = delete;

    QString PipeName() const { return pipe_; }
    // The office process, or -1 when none runs.
    pid_t Pid() const;

    // Starts the office and waits until it accepts connections; no document
    // is open then. False when it does not come up.
    bool Start();
    // Ends it at once (SIGKILL), and removes the pipe files it leaves.
    void Kill();
    // SIGSTOP, returning once the office has stopped, and SIGCONT: an office
    // that hangs, and one that answers again.
    void Pause();
    void Resume();

    // Closes every document, then opens a new Writer document holding the
    // text (lines become paragraphs) and waits until it is the current
    // component, with the insertion point at its start.
    bool NewDocument(const QString& text = QString());
    // Closes every document.
    void CloseDocuments();
    // Puts the insertion point `from` characters (code points, paragraph
    // ends count one) from the start of the text and selects `length` more.
    void PlaceCursor(int from, int length = 0);

    // The document's text, paragraphs separated by '\n'.
    QString Text();
    // The text from the start of the document to the insertion point.
    QString TextBeforeCursor();
    // The document's text portions, paragraph by paragraph ('\n' between).
    QList<Portion> Portions();
    // The plain text on the office's clipboard.
    QString ClipboardText();

  private:
    // Sends one request to the probe process; an invalid value on failure.
    QJsonValue Ask(const QJsonObject& request, bool quiet = false);
    QTemporaryDir profile_;
    QString pipe_;
    QProcess office_;
    QProcess probe_;
};

}  // namespace orv::word::test
