// A document target for tests of the windows that write into the document: while it lives it
// stands in for the program's, records each operation with its arguments and answers every one
// with `answer`. The real Writer stays the bridge's tests' and the desktop test's.
#pragma once

#include "word/DocumentTarget.h"

#include <QStringList>

namespace orv::test {

class RecordingDocument final : public word::DocumentTarget {
  public:
    RecordingDocument() { word::SetDocumentTargetForTesting(this); }
    ~RecordingDocument() override { word::SetDocumentTargetForTesting(nullptr); }
    RecordingDocument(const RecordingDocument&) = delete;
    RecordingDocument& operator=(const RecordingDocument&) = delete;

    QStringList calls;  // e.g. "InsertFontAndText(ka, Font)", "InsertBlankAndMove(blank)"
    word::Delivery answer = word::Delivery::Done;

    word::Receipt InsertInFont(const QString& text, const QString& font, bool blank) override {
        return Record(QStringLiteral("InsertInFont(%1, %2, %3)").arg(text, font, Blank(blank)));
    }
    word::Receipt InsertFontAndText(const QString& text, const QString& font) override {
        return Record(QStringLiteral("InsertFontAndText(%1, %2)").arg(text, font));
    }
    word::Receipt InsertBlankAndMove(bool blank) override {
        return Record(QStringLiteral("InsertBlankAndMove(%1)").arg(Blank(blank)));
    }
    word::Receipt InsertText(const QString& text) override {
        return Record(QStringLiteral("InsertText(%1)").arg(text));
    }
    word::Receipt NewParagraph() override { return Record(QStringLiteral("NewParagraph()")); }
    word::Receipt CopySelection() override { return Record(QStringLiteral("CopySelection()")); }
    word::Receipt Probe() override { return Record(QStringLiteral("Probe()")); }
    word::Delivery LastDelivery() const override { return last_; }

  private:
    static QString Blank(bool blank) { return blank ? "blank" : "no blank"; }
    word::Receipt Record(const QString& call) {
        calls << call;
        last_ = answer;
        return word::Receipt::Ended(answer);
    }
    word::Delivery last_ = word::Delivery::Pending;
};

}  // namespace orv::test
