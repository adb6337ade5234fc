#include "converter/ConverterWindow.h"

#include "app/Program.h"
#include "app/SharedValues.h"
#include "app/Twips.h"
#include "app/Windows.h"
#include "converter/Logging.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace orv::converter {

using app::MakeControl;
using app::Px;
using app::TwipRect;

namespace {

// The least time between two appends of gathered chunks below the view.
constexpr qint64 kFlushIntervalMs = 100;

QFont Font(const char* family, double points) {
    QFont font{QString::fromLatin1(family)};
    font.setPointSizeF(points);
    return font;
}

QPlainTextEdit* MakeOutputBox(QWidget* parent, const QString& name, const QRect& geometry,
                              const QFont& font) {
    auto* box = MakeControl<QPlainTextEdit>(parent, name, geometry);
    box->setFont(font);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return box;
}

// Puts the box's caret at `position`, with no selection. While a conversion
// appends at the end of an empty box, the caret must not be carried along.
void SetCaret(QPlainTextEdit* box, int position, bool keepOnInsert = false) {
    QTextCursor cursor(box->document());
    cursor.setPosition(position);
    cursor.setKeepPositionOnInsert(keepOnInsert);
    box->setTextCursor(cursor);
}

// Whether the end of the box's text lies within its visible part.
bool EndInView(QPlainTextEdit* box) {
    QTextCursor end(box->document());
    end.movePosition(QTextCursor::End);
    return box->cursorRect(end).top() < box->viewport()->height();
}

void AppendText(QPlainTextEdit* box, const QString& text) {
    QTextCursor end(box->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
}

}  // namespace

ConverterWindow::ConverterWindow() {
    setObjectName(QStringLiteral("frmHVConv"));
    setWindowTitle(QStringLiteral("Siddham Converter"));
    setFixedSize(Px(10545), Px(7305));

    // The Lantsa box lies behind the other one; both fill the same place.
    TextBox4 = MakeOutputBox(this, QStringLiteral("TextBox4"), TwipRect(105, 120, 8175, 7080),
                             Font("Ranjana", 21.75));
    // Its selection is shown only while it has the focus.
    QPalette palette4 = TextBox4->palette();
    palette4.setBrush(QPalette::Inactive, QPalette::Highlight,
                      palette4.brush(QPalette::Inactive, QPalette::Base));
    palette4.setBrush(QPalette::Inactive, QPalette::HighlightedText,
                      palette4.brush(QPalette::Inactive, QPalette::Text));
    TextBox4->setPalette(palette4);

    TextBox2 = MakeOutputBox(this, QStringLiteral("TextBox2"), TwipRect(120, 120, 8175, 7065),
                             Font("Arial Unicode MS", 14.25));
    QPalette palette2 = TextBox2->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        palette2.setColor(group, QPalette::Base, Qt::white);
        palette2.setColor(group, QPalette::Text, Qt::black);
    }
    TextBox2->setPalette(palette2);
    TextBox2->setPlainText(QStringLiteral(
        "Copy siddham text from any documents then click one of the buttons beside to convert."));

    Frame1 = MakeControl<QFrame>(this, QStringLiteral("Frame1"), TwipRect(8385, 240, 2070, 2040));
    Frame2 = MakeControl<QFrame>(this, QStringLiteral("Frame2"), TwipRect(8400, 2490, 2055, 690));
    for (QFrame* frame : {Frame1, Frame2}) frame->setFrameStyle(QFrame::Box | QFrame::Plain);

    // The heading sits on the first frame's top edge, like a caption.
    Label1 = MakeControl<QLabel>(this, QStringLiteral("Label1"), TwipRect(8460, 120, 1920, 300));
    Label1->setText(QStringLiteral("Convert from clipboard to:"));
    // The classic caption size, made smaller where the installed font is too
    // wide for the heading's place.
    QFont heading = Font("Arial", 8.25);
    while (heading.pointSizeF() > 6 &&
           QFontMetrics(heading).horizontalAdvance(Label1->text()) > Label1->width()) {
        heading.setPointSizeF(heading.pointSizeF() - 0.25);
    }
    Label1->setFont(heading);
    Label1->setAutoFillBackground(true);

    const QFont captions = Font("Arial", 9.75);
    CommandButton3 = MakeControl<QPushButton>(this, QStringLiteral("CommandButton3"),
                                              TwipRect(8490, 450, 1830, 435));
    CommandButton3->setText(QStringLiteral("Transliteration"));
    CommandButton3->setToolTip(QStringLiteral("From Copied Text"));
    CommandButton1 = MakeControl<QPushButton>(this, QStringLiteral("CommandButton1"),
                                              TwipRect(8520, 1035, 1830, 435));
    CommandButton1->setText(QStringLiteral("Devanagari"));
    CommandButton1->setToolTip(QStringLiteral("From Copied Text"));
    CommandButton2 = MakeControl<QPushButton>(this, QStringLiteral("CommandButton2"),
                                              TwipRect(8505, 1665, 1845, 480));
    CommandButton2->setText(QStringLiteral("Lantsa (Ranjana)"));
    CommandButton4 = MakeControl<QPushButton>(this, QStringLiteral("CommandButton4"),
                                              TwipRect(8520, 2610, 1800, 435));
    CommandButton4->setText(QStringLiteral("Copy to Clipboard"));
    CommandButton4->setToolTip(QStringLiteral("To Clipboard"));

    // The second group, below the copy button: text in a transliteration
    // scheme or Devanagari into the scripts.
    TextBox5 = MakeOutputBox(this, QStringLiteral("TextBox5"), TwipRect(120, 120, 8175, 7065),
                             Font("siddam", 20));
    TextBox5->hide();
    Frame3 = MakeControl<QFrame>(this, QStringLiteral("Frame3"), TwipRect(8385, 3540, 2070, 1770));
    Frame3->setFrameStyle(QFrame::Box | QFrame::Plain);
    Label2 = MakeControl<QLabel>(this, QStringLiteral("Label2"), TwipRect(8460, 3420, 1920, 300));
    Label2->setText(QStringLiteral("Clipboard into the script:"));
    Label2->setFont(Label1->font());
    Label2->setAutoFillBackground(true);
    CommandButton5 = MakeControl<QPushButton>(this, QStringLiteral("CommandButton5"),
                                              TwipRect(8505, 3750, 1845, 435));
    CommandButton5->setText(QStringLiteral("Siddham"));
    CommandButton5->setToolTip(QStringLiteral("From Copied IAST, ITRANS, Devanagari ..."));
    CommandButton6 = MakeControl<QPushButton>(this, QStringLiteral("CommandButton6"),
                                              TwipRect(8505, 4290, 1845, 435));
    CommandButton6->setText(QStringLiteral("Lantsa"));
    CommandButton6->setToolTip(QStringLiteral("From Copied IAST, ITRANS, Devanagari ..."));
    Label3 = MakeControl<QLabel>(this, QStringLiteral("Label3"), TwipRect(8460, 4800, 1920, 420));
    Label3->setFont(Font("Arial", 8.25));
    Label3->setWordWrap(true);
    for (QPushButton* button : {CommandButton3, CommandButton1, CommandButton2, CommandButton4,
                                CommandButton5, CommandButton6}) {
        button->setFont(captions);
    }

    // Before the first conversion both boxes are there, the instruction in
    // front.
    TextBox2->raise();

    connect(CommandButton3, &QPushButton::clicked, this,
            [this] { ConvertClipboard(Target::Trans); });
    connect(CommandButton1, &QPushButton::clicked, this,
            [this] { ConvertClipboard(Target::Deva); });
    connect(CommandButton2, &QPushButton::clicked, this,
            [this] { ConvertClipboard(Target::Lantsa); });
    connect(CommandButton4, &QPushButton::clicked, this, &ConverterWindow::CopyResult);
    connect(CommandButton5, &QPushButton::clicked, this,
            [this] { SpellClipboard(engine::Script::Siddham); });
    connect(CommandButton6, &QPushButton::clicked, this,
            [this] { SpellClipboard(engine::Script::Lantsa); });
}

QPlainTextEdit* ConverterWindow::OutputBox(Target target) const {
    return target == Target::Lantsa ? TextBox4 : TextBox2;
}

QString ConverterWindow::BoxText(const QPlainTextEdit* box) {
    QString text = box->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

void ConverterWindow::OnLoad() {
    if (!app::OpenAppDatabase()) {
        app::ShowMessage(QStringLiteral("Disconnected"));
        app::EndProgram(1);
    }
}

void ConverterWindow::OnUnload() {
    unloaded_ = true;  // a conversion under way stops at its next chunk
    app::ShowMainWindow();
}

void ConverterWindow::StartConversion(QPlainTextEdit* box) {
    for (QPlainTextEdit* each : {TextBox2, TextBox4, TextBox5}) each->setVisible(each == box);

    InputBuffer.clear();
    box->clear();
    InputBuffer = QGuiApplication::clipboard()->text();

    SetCaret(box, 0, true);
    box->setFocus();
}

void ConverterWindow::ConvertClipboard(Target target) {
    const quint64 run = ++run_;
    QPlainTextEdit* box = OutputBox(target);
    StartConversion(box);

    QPointer<ConverterWindow> self(this);
    ConvertSiddhamText(target);
    if (!self) return;  // the window was closed and discarded meanwhile
    if (unloaded_ || run != run_) {
        // A newer conversion has finished its own box meanwhile; the caret
        // left here follows typing again.
        SetCaret(box, box->textCursor().position());
        return;
    }
    // The blank goes on first so that the caret, put at the start of an
    // otherwise empty box, is not carried past it.
    AppendText(box, QStringLiteral(" "));
    SetCaret(box, 0);
}

void ConverterWindow::ConvertSiddhamText(Target target) {
    const QString input = InputBuffer;
    Fill(OutputBox(target), [&](const ChunkSink& sink) {
        QString error;
        if (SiddhamConverter(target).Convert(input, app::AppDatabase, sink, &error) ==
            SiddhamConverter::Outcome::Failed) {
            qCWarning(lcConverter, "The conversion table cannot be read: %s",
                      qUtf8Printable(error));
        }
    });
}

void ConverterWindow::SpellClipboard(engine::Script script) {
    const quint64 run = ++run_;
    QPlainTextEdit* box = script == engine::Script::Siddham ? TextBox5 : TextBox4;
    StartConversion(box);
    Label3->clear();
    QString error;
    const std::optional<engine::SpellerTables> tables =
        app::AppDatabase ? engine::SpellerTables::Load(*app::AppDatabase, script, &error)
                         : std::nullopt;
    if (!tables) {
        qCWarning(lcConverter, "The speller's tables cannot be read: %s", qUtf8Printable(error));
        return;
    }
    const QString input = InputBuffer;
    const engine::Scheme scheme = tables->Recognise(input);
    Label3->setText(QStringLiteral("Read as %1").arg(engine::SchemeName(scheme)));
    QPointer<ConverterWindow> self(this);
    Fill(box, [&](const ChunkSink& sink) {
        // Pieces of kChunkSize characters, like a conversion's chunks.
        engine::SpellStream stream(*tables, scheme);
        for (qsizetype at = 0; at < input.size(); at += kChunkSize) {
            QString output;
            stream.Feed(
                QStringView(input).sliced(at, std::min<qsizetype>(kChunkSize, input.size() - at)),
                output);
            if (at + kChunkSize >= input.size()) stream.Finish(output);
            if (!sink(output)) return;
        }
    });
    if (self && !unloaded_ && run == run_) SetCaret(box, 0);
}

void ConverterWindow::Fill(QPlainTextEdit* box,
                           const std::function<void(const ChunkSink&)>& produce) {
    const quint64 run = run_;
    QPointer<ConverterWindow> self(this);
    const auto current = [&] { return self && !unloaded_ && run == run_; };
    // The conversion replaces the box's text; undoing it chunk by chunk
    // would make no sense.
    box->setUndoRedoEnabled(false);

    // While the end of the text is in view, every chunk goes into the box at
    // once and the user watches it grow. Past the bottom of the box nothing
    // visible changes, but appending to a long paragraph re-lays out all of
    // it, so chunks are gathered there and appended now and then (at most
    // every kFlushIntervalMs, and rarer when appending proves slow), and at
    // the end.
    QString pending;
    bool endInView = true;
    QElapsedTimer clock;
    clock.start();
    qint64 nextFlush = 0;
    const auto flush = [&] {
        const qint64 start = clock.elapsed();
        AppendText(box, pending);
        pending.clear();
        const qint64 cost = clock.elapsed() - start;
        nextFlush = clock.elapsed() + std::max(kFlushIntervalMs, 4 * cost);
    };
    produce([&](const QString& output) {
        pending += output;
        if (endInView || clock.elapsed() >= nextFlush) {
            flush();
            endInView = endInView && EndInView(box);
        }
        // The window repaints and stays responsive.
        QCoreApplication::processEvents();
        return current();
    });
    // A table that cannot be read hands on nothing; a newer conversion owns
    // the box now.
    if (current() && !pending.isEmpty()) AppendText(box, pending);
    if (self) box->setUndoRedoEnabled(true);
}

void ConverterWindow::CopyResult() {
    QPlainTextEdit* box = !TextBox5->isHidden()  ? TextBox5
                          : TextBox2->isHidden() ? TextBox4
                                                 : TextBox2;
    QTextCursor all(box->document());
    all.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    box->setTextCursor(all);
    QGuiApplication::clipboard()->setText(BoxText(box));
}

app::SharedWindow<ConverterWindow>& frmHVConv() {
    static app::SharedWindow<ConverterWindow> window;
    return window;
}

}  // namespace orv::converter
