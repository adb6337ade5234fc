// A headless Writer of the test's own, seen through scripts/writer-document.py in its own process.
#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/types.h>

namespace orv::word::test {

class TestOffice {
  public:
    struct Portion {  // a text portion and the fonts of its three script classes
        QString text, western, asian, complex;
    };

    TestOffice();
    ~TestOffice();
    QString PipeName() const { return pipe_; }
    pid_t Pid() const;  // -1 when none runs
    bool Start();       // returns once it accepts connections, with no document open
    void Kill();        // SIGKILL, and removes the pipe files it leaves
    void Pause();       // SIGSTOP, returning once it has stopped: an office that hangs
    void Resume();

    // Closes every document, opens one with the text (lines are paragraphs), cursor at its start.
    bool NewDocument(const QString& text = {}) {
        return Ask({{"op", "new"}, {"text", text}}).toBool();
    }
    void CloseDocuments() { Ask({{"op", "close"}}); }
    // Selects `length` code points from `from` (a paragraph end counts one).
    void PlaceCursor(int from, int length = 0) {
        Ask({{"op", "place"}, {"from", from}, {"length", length}});
    }
    QString Text() { return Ask({{"op", "text"}}).toString(); }  // paragraphs joined by '\n'
    QString TextBeforeCursor() { return Ask({{"op", "before"}}).toString(); }
    QList<Portion> Portions();  // '\n' between paragraphs
    QString ClipboardText() { return Ask({{"op", "clipboard"}}).toString(); }  // the office's own

  private:
    QJsonValue Ask(const QJsonObject& request, bool quiet = false);  // invalid on failure
    QTemporaryDir profile_;
    QString pipe_;
    QProcess office_, probe_;
};

}  // namespace orv::word::test
