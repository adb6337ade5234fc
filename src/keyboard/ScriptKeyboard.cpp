#include "keyboard/ScriptKeyboard.h"

#include "app/GlyphWidgets.h"
#include "app/Program.h"
#include "app/SharedValues.h"
#include "app/Twips.h"
#include "app/Windows.h"
#include "keyboard/KeyActions.h"
#include "keyboard/Logging.h"
#include "word/DocumentTarget.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace orv::keyboard {

using app::kTwipsPerPixel;
using app::MakeControl;
using app::Px;
using app::TwipRect;
using engine::kPageSize;

namespace {

constexpr int kClientWidthTwips = 10605;
constexpr int kExpandedHeightTwips = 4000;
constexpr int kCollapsedHeightTwips = 1215;

// Whether the document gets a blank after each committed text.
bool Blank() { return app::InsertSpace == 1; }

}  // namespace

void TransliterationBox::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    selectAll();
}

void TransliterationBox::keyReleaseEvent(QKeyEvent* event) {
    QLineEdit::keyReleaseEvent(event);
    if (!event->isAutoRepeat()) emit keyReleased(event->key(), event->modifiers());
}

ScriptKeyboard::ScriptKeyboard(const ScriptProfile& profile)
    : app::AppWindow(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      profile_(profile) {
    setObjectName(profile.table == data::ScriptTable::Siddham ? QStringLiteral("frmSiddha")
                                                              : QStringLiteral("frmLantsa"));
    setWindowTitle(app::ApplicationTitle());
    setFixedWidth(Px(kClientWidthTwips));
    setFixedHeight(Px(profile.clientHeightTwips));

    // Above the box and no wider: the first reading starts right after it.
    Label8 = MakeControl<QLabel>(this, QStringLiteral("Label8"), TwipRect(135, 75, 1005, 300));
    Label8->setText(QStringLiteral("Transliteration"));
    Label8->setFont(app::FitWidth(Label8->text(), Label8->font(), Label8->width()));
    TextBox1 = MakeControl<TransliterationBox>(this, QStringLiteral("TextBox1"),
                                               TwipRect(135, 405, 1005, 375));
    TextBox1->setFont(QFont(QStringLiteral("Arial Unicode MS"), 10));

    for (int i = 0; i < kPageSize; ++i) {
        const int left = 1320 + 720 * i;
        CommandButton1[i] = MakeControl<app::GlyphButton>(
            this, QStringLiteral("CommandButton1_%1").arg(i), TwipRect(left, 405, 600, 600));
        Label7[i] = MakeControl<QLabel>(this, QStringLiteral("Label7_%1").arg(i),
                                        TwipRect(left - 60, 75, 720, 300));
        Label7[i]->setAlignment(Qt::AlignCenter);
        Label7[i]->setFont(QFont(QStringLiteral("Arial Unicode MS"), 8));
        Label1[i] = MakeControl<QLabel>(this, QStringLiteral("Label1_%1").arg(i),
                                        TwipRect(left, 990, 600, 225));
        Label1[i]->setAlignment(Qt::AlignCenter);
        CommandButton1[i]->installEventFilter(this);
        Label7[i]->installEventFilter(this);
        connect(CommandButton1[i], &QPushButton::clicked, this,
                [this, i] { CommitCandidate(i, ScriptFont, true); });
    }
    Label2 = MakeControl<QLabel>(this, QStringLiteral("Label2"), TwipRect(9840, 960, 765, 255));
    // Where picked glyphs go, quietly, above the page number.
    TargetHint =
        MakeControl<QLabel>(this, QStringLiteral("TargetHint"), TwipRect(9840, 750, 765, 210));
    TargetHint->setAlignment(Qt::AlignCenter);
    TargetHint->setFont(QFont(QStringLiteral("Arial Unicode MS"), 7));
    QPalette quiet = TargetHint->palette();
    quiet.setColor(QPalette::WindowText, Qt::darkGray);
    TargetHint->setPalette(quiet);
    tiep2 = MakeControl<QPushButton>(this, QStringLiteral("tiep2"), TwipRect(9915, 405, 300, 330));
    tiep2->setText(QStringLiteral("<"));
    tiep1 = MakeControl<QPushButton>(this, QStringLiteral("tiep1"), TwipRect(10245, 405, 300, 330));
    tiep1->setText(QStringLiteral(">"));
    tiep1->setEnabled(false);
    tiep2->setEnabled(false);
    mmandButton2 = MakeControl<QPushButton>(this, QStringLiteral("mmandButton2"),
                                            TwipRect(10335, 30, 240, 240));
    mmandButton2->setText(QStringLiteral("x"));
    Command6 =
        MakeControl<QPushButton>(this, QStringLiteral("Command6"), TwipRect(150, 870, 990, 300));
    Command6->setText(QStringLiteral("Expand"));

    TextBox2 = MakeControl<QPlainTextEdit>(this, QStringLiteral("TextBox2"),
                                           TwipRect(105, 1545, 9240, 2310));
    // Large enough to read the glyphs; the family follows the script font.
    TextBox2->setFont(QFont(QString::fromLatin1(profile.fontName), 16));
    Command1 =
        MakeControl<QPushButton>(this, QStringLiteral("Command1"), TwipRect(9480, 1545, 990, 360));
    Command1->setText(QStringLiteral("Copy"));
    Command4 =
        MakeControl<QPushButton>(this, QStringLiteral("Command4"), TwipRect(9480, 2025, 990, 360));
    Command4->setText(QStringLiteral("Delete"));
    Command5 =
        MakeControl<QPushButton>(this, QStringLiteral("Command5"), TwipRect(9480, 2505, 990, 360));
    Command5->setText(QStringLiteral("Hide"));
    TextBox3 = MakeControl<QLineEdit>(this, QStringLiteral("TextBox3"), {});
    TextBox3->hide();
    TextBox6 = MakeControl<QLineEdit>(this, QStringLiteral("TextBox6"), {});
    TextBox6->hide();

    Timer3 = new QTimer(this);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer3->setInterval(100);
    connect(Timer3, &QTimer::timeout, this, &ScriptKeyboard::RefreshHints);

    for (QPushButton* b : {mmandButton2, Command6, Command1, Command4, Command5, tiep1, tiep2}) {
        b->setFocusPolicy(b == tiep1 || b == tiep2 ? Qt::StrongFocus : Qt::ClickFocus);
    }
    connect(TextBox1, &QLineEdit::textChanged, this, &ScriptKeyboard::OnTextChanged);
    connect(TextBox1, &TransliterationBox::keyReleased, this,
            [this](int key, Qt::KeyboardModifiers) { OnBoxKeyReleased(key); });
    TextBox1->installEventFilter(this);
    connect(tiep1, &QPushButton::clicked, this, &ScriptKeyboard::NextCandidatePage);
    connect(tiep2, &QPushButton::clicked, this, &ScriptKeyboard::PreviousCandidatePage);
    connect(mmandButton2, &QPushButton::clicked, this, [this] {
        app::ShowMainWindow();
        close();
    });
    connect(Command6, &QPushButton::clicked, this, [this] {
        SetHeightTwips(kExpandedHeightTwips);
        TextBox1->setFocus();
    });
    connect(Command5, &QPushButton::clicked, this,
            [this] { SetHeightTwips(kCollapsedHeightTwips); });
    connect(Command1, &QPushButton::clicked, this, [this] {
        TextBox2->selectAll();
        TextBox2->copy();
    });
    connect(Command4, &QPushButton::clicked, TextBox2, &QPlainTextEdit::clear);
}

void ScriptKeyboard::SetHeightTwips(int twips) { setFixedHeight(Px(twips)); }

void ScriptKeyboard::OnLoad() {
    app::SetTopmost(this);
    if (app::LastKeyboardLeft.value_or(0) != 0) {
        move(qRound(*app::LastKeyboardLeft / kTwipsPerPixel),
             qRound(app::LastKeyboardTop.value_or(0) / kTwipsPerPixel));
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        // The design position: centred, near the bottom of the screen, out
        // of the way of the document being written.
        const QRect area = screen->availableGeometry();
        move(area.left() + (area.width() - width()) / 2, area.bottom() - 4 * height());
    }
    ScriptFont = QString::fromLatin1(profile_.fontName);
    Timer3->start();
}

void ScriptKeyboard::OnUnload() {
    app::LastKeyboardLeft = static_cast<float>(x() * kTwipsPerPixel);
    app::LastKeyboardTop = static_cast<float>(y() * kTwipsPerPixel);
    Timer3->stop();
}

void ScriptKeyboard::OnActivate() {
    if (activating_) return;  // a message box below re-activates the window
    activating_ = true;
    if (!app::OpenAppDatabase()) {
        app::ShowMessage(QStringLiteral("Cannot continue"));
        app::EndProgram(1);
        activating_ = false;
        return;
    }
    TextBox1->setFocus();
    word::Document().Probe();
    QFont history = TextBox2->font();
    history.setFamily(ScriptFont);
    TextBox2->setFont(history);
    for (QPushButton* button : CommandButton1) {
        button->setFont(QFont(ScriptFont, profile_.candidateFontSize));
    }
    activating_ = false;
}

void ScriptKeyboard::BringToFront() {
    showNormal();
    raise();
    activateWindow();
    TextBox1->setFocus();
}

void ScriptKeyboard::OnTextChanged() {
    // The map may replace the text: the box then takes the mapped text, and
    // the change handling of that (not mapped again) does the rest.
    if (!mapping_) {
        const QString typed = TextBox1->text();
        const QString mapped = Map.Apply(app::AppDatabase.get(), typed);
        if (mapped != typed) {
            mapping_ = true;
            TextBox1->setText(mapped);
            mapping_ = false;
            return;
        }
    }
    TextBox3->setText(TextBox1->text());
    for (int i = 0; i < kPageSize; ++i) {
        CommandButton1[i]->setText(QString());
        Label7[i]->setText(QString());
    }
    Candidates.Clear();
    Pages.Reset(0);
    tiep1->setEnabled(false);
    tiep2->setEnabled(false);
    if (!TextBox1->text().isEmpty()) LookupCandidates();
    TextBox1->setFocus();
}

void ScriptKeyboard::LookupCandidates() {
    if (!Candidates.Lookup(app::AppDatabase.get(), profile_.table, TextBox1->text())) return;
    Pages.Reset(Candidates.Count());
    ShowCandidatePage();
    tiep1->setEnabled(Pages.HasNext());
}

void ScriptKeyboard::ShowCandidatePage() {
    const int first = Pages.First();
    for (int i = 0; i < kPageSize; ++i) {
        CommandButton1[i]->setText(Candidates.Glyph(first + i));
        // A long reading gets smaller rather than run into its neighbours.
        const QString reading = Candidates.Reading(first + i);
        Label7[i]->setFont(app::FitWidth(reading, QFont(QStringLiteral("Arial Unicode MS"), 8),
                                         Label7[i]->width() - 4));
        Label7[i]->setText(reading);
    }
}

void ScriptKeyboard::NextCandidatePage() {
    // After a full last page ">" stays on once more, for an empty page.
    Pages.SetPage(Pages.Page() + 1);
    ShowCandidatePage();
    tiep2->setEnabled(true);
    if (!Pages.Full()) tiep1->setEnabled(false);
    CommandButton1[0]->setFocus();
}

void ScriptKeyboard::PreviousCandidatePage() {
    Pages.SetPage(Pages.Page() - 1);
    ShowCandidatePage();
    tiep1->setEnabled(true);
    if (!Pages.HasPrevious()) tiep2->setEnabled(false);
    CommandButton1[0]->setFocus();
}

void ScriptKeyboard::SelectTransliteration() {
    TextBox1->setFocus();
    TextBox1->selectAll();
}

void ScriptKeyboard::CommitCandidate(int index, const QString& fontName, bool withHistory) {
    const QString text = CommandButton1[index]->text();
    qCDebug(lcKeyboard, "Commit of candidate %d in %s", index + 1, qUtf8Printable(fontName));
    word::Document().InsertFontAndText(text, fontName);
    if (withHistory) AppendHistory(text);
    Track(word::Document().InsertBlankAndMove(Blank()));
    SelectTransliteration();
}

void ScriptKeyboard::AppendHistory(const QString& text) {
    // The glyph goes to the history through the clipboard. The whole glyph
    // is copied: a Siddham glyph is several UTF-16 units (a surrogate pair
    // at least), and copying only its first unit would put half a letter
    // into the history and onto the clipboard.
    TextBox6->setText(text.isEmpty() ? QStringLiteral(" ") : text);
    TextBox6->selectAll();
    TextBox6->copy();
    TextBox2->paste();
}

void ScriptKeyboard::InsertReading(int index) {
    Track(word::Document().InsertInFont(Label7[index]->text(), QStringLiteral("Tahoma"), Blank()));
    SelectTransliteration();
}

void ScriptKeyboard::Track(const word::Receipt& receipt) {
    target_.Track(receipt, TargetIndicator::Clock::now());
}

void ScriptKeyboard::ShowTarget() {
    // Failures stay silent, but the user can see whether a document takes
    // the glyphs, waits for a Writer that does not answer, or only the
    // history does, and whether picks were lost. Asked anew every two
    // seconds, so a Writer started, stopped or closed meanwhile shows.
    if (++refreshTicks_ % 20 == 0 && isVisible()) word::Document().Probe();
    target_.Update(word::Document().LastDelivery(), TargetIndicator::Clock::now());
    const QString text = target_.Text();
    if (TargetHint->text() == text && TargetHint->toolTip() == target_.ToolTip()) return;
    qCInfo(lcKeyboard, "Picks: %s: %s", qUtf8Printable(text), qUtf8Printable(target_.ToolTip()));
    TargetHint->setText(text);
    TargetHint->setToolTip(target_.ToolTip());
    QPalette palette = TargetHint->palette();
    palette.setColor(QPalette::WindowText, target_.NotWritten() > 0 ? Qt::red
                                           : target_.Current() == TargetIndicator::State::Waiting
                                               ? QColor(0xb0, 0x60, 0)
                                               : Qt::darkGray);
    TargetHint->setPalette(palette);
}

void ScriptKeyboard::RefreshHints() {
    ShowTarget();
    for (int i = 0; i < kPageSize; ++i) {
        QPalette palette = Label1[i]->palette();
        if (!CommandButton1[i]->text().isEmpty()) {
            Label1[i]->setText(QStringLiteral("F%1").arg(i + 1));
            palette.setColor(QPalette::WindowText, Qt::black);
            Label2->setText(QStringLiteral("Page %1").arg(Pages.Page() + 1));
        } else {
            Label1[i]->setText(QString());
            palette.setColor(QPalette::WindowText, palette.color(QPalette::Button));
            Label7[i]->setText(QString());
        }
        Label1[i]->setPalette(palette);
    }
}

void ScriptKeyboard::OnBoxKeyReleased(int key) {
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) {
        CommitCandidate(key - Qt::Key_F1, app::CjkvFontName, true);
    } else if (key == Qt::Key_PageDown) {
        if (tiep1->isEnabled()) NextCandidatePage();
    } else if (key == Qt::Key_PageUp) {
        if (tiep2->isEnabled()) PreviousCandidatePage();
    }
}

bool ScriptKeyboard::OnCandidateKey(int index, QKeyEvent* event) {
    Q_UNUSED(index);
    const int key = event->key();
    if (key == Qt::Key_Space) {
        // Space turns the page instead of pressing the button.
        if (event->type() == QEvent::KeyPress) {
            if (tiep1->isEnabled()) {
                NextCandidatePage();
                if (tiep1->isEnabled()) tiep1->setFocus();
            } else if (tiep2->isEnabled()) {
                PreviousCandidatePage();
                if (tiep2->isEnabled()) tiep2->setFocus();
            }
        }
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        if (TypesIntoBox(event->text(), event->modifiers())) {
            // Typing goes back to the box and is not lost: the character
            // replaces the selected text there and starts the new lookup.
            SelectTransliteration();
            QKeyEvent typed(QEvent::KeyPress, key, event->modifiers(), event->text(),
                            event->isAutoRepeat());
            QCoreApplication::sendEvent(TextBox1, &typed);
            return true;
        }
        return false;
    }
    if (event->isAutoRepeat()) return false;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F9) {
        CommitCandidate(key - Qt::Key_F1, app::CjkvFontName, false);
        return true;
    }
    if (key == Qt::Key_PageDown) {
        if (tiep1->isEnabled()) NextCandidatePage();
        return true;
    }
    if (key == Qt::Key_PageUp) {
        if (tiep2->isEnabled()) PreviousCandidatePage();
        return true;
    }
    return false;
}

bool ScriptKeyboard::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == TextBox1 && type == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        switch (BoxKeyAction(key->key(), key->modifiers())) {
            case BoxKey::ToCandidates:
                // The blank stays out of the text: the candidates stay
                // those of the text as it was.
                CommandButton1[0]->setFocus();
                return true;
            case BoxKey::WriteBlank:
                Track(word::Document().InsertText(QStringLiteral(" ")));
                return true;
            case BoxKey::NewParagraph:
                Track(word::Document().NewParagraph());
                return true;
            case BoxKey::WriteTransliteration:
                // The window's own command, while the box has the focus.
                Track(word::Document().InsertText(TextBox3->text()));
                return true;
            case BoxKey::Type:
                return false;
        }
        return false;
    }
    for (int i = 0; i < kPageSize; ++i) {
        if (watched == CommandButton1[i] &&
            (type == QEvent::KeyPress || type == QEvent::KeyRelease)) {
            return OnCandidateKey(i, static_cast<QKeyEvent*>(event));
        }
        if (watched == Label7[i] &&
            (type == QEvent::MouseButtonPress || type == QEvent::MouseMove ||
             type == QEvent::MouseButtonRelease)) {
            // A reading is pressed to write it, or to drag the window by it.
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (DragByMouse(mouse) && mouse->button() == Qt::LeftButton) InsertReading(i);
            return true;
        }
    }
    return app::AppWindow::eventFilter(watched, event);
}

// The window has no title bar: it is dragged by its background and by its
// labels (the readings above the buttons, the key hints below them).
bool ScriptKeyboard::DragByMouse(QMouseEvent* event) {
    const QPoint pointer = event->globalPosition().toPoint();
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (event->button() == Qt::LeftButton) drag_.Press(pointer, pos());
            return false;
        case QEvent::MouseMove:
            if (!(event->buttons() & Qt::LeftButton)) return false;
            if (const auto to = drag_.Move(pointer)) {
                // A Wayland compositor ignores a window moving itself: it
                // moves the window itself once asked, until the release.
                if (!systemMove_ || !windowHandle() || !windowHandle()->startSystemMove()) {
                    move(*to);
                } else {
                    drag_.Release();
                }
            }
            return false;
        case QEvent::MouseButtonRelease:
            return event->button() == Qt::LeftButton && drag_.Release();
        default:
            return false;
    }
}

void ScriptKeyboard::mousePressEvent(QMouseEvent* event) { DragByMouse(event); }

void ScriptKeyboard::mouseMoveEvent(QMouseEvent* event) { DragByMouse(event); }

void ScriptKeyboard::mouseReleaseEvent(QMouseEvent* event) { DragByMouse(event); }

}  // namespace orv::keyboard
