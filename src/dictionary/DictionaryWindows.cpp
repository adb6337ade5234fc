#include "dictionary/DictionaryWindows.h"

#include "app/GlyphWidgets.h"
#include "app/Program.h"
#include "app/SharedValues.h"
#include "app/Twips.h"
#include "app/Windows.h"
#include "dictionary/Logging.h"
#include "word/DocumentTarget.h"

#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

namespace orv::dictionary {

using app::MakeControl;
using app::Px;
using app::TwipRect;

namespace {

QFont UnicodeFont(int points = 10) { return QFont(QStringLiteral("Arial Unicode MS"), points); }

// Point sizes of the glyph grid and the meaning window's word: large enough
// to tell glyphs apart; a glyph that would not fit whole is made smaller.
constexpr int kGridGlyphPoints = 18;
constexpr int kWordPoints = 16;

int CodePoints(const QString& text) { return static_cast<int>(text.toUcs4().size()); }

}  // namespace

void SearchBox::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    emit focusGained();
}

void SearchBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    emit doubleClicked();
}

DictionaryWindow::DictionaryWindow() {
    setObjectName(QStringLiteral("frmMdict"));
    setWindowTitle(QStringLiteral("Dictionary"));
    setFixedSize(Px(8520), Px(5910));

    for (int i = 0; i < kGridSize; ++i) {
        const int row = i / 10, column = i % 10;
        CmdB[i] = MakeControl<app::GlyphButton>(this, QStringLiteral("CmdB_%1").arg(i),
                                                TwipRect(480 * column, 480 * row, 495, 495));
        // As large as the button allows; a glyph that would not fit shrinks.
        CmdB[i]->setFont(UnicodeFont(kGridGlyphPoints));
        connect(CmdB[i], &QPushButton::clicked, this, [this, i] { PickGlyph(i); });
    }
    ListBox1 =
        MakeControl<QListWidget>(this, QStringLiteral("ListBox1"), TwipRect(4920, 60, 3495, 5115));
    ListBox1->setFont(UnicodeFont(12));
    ListBox1->viewport()->installEventFilter(this);
    tiep2 = MakeControl<QPushButton>(this, QStringLiteral("tiep2"), TwipRect(105, 5430, 315, 315));
    tiep2->setText(QStringLiteral("<"));
    tiep1 = MakeControl<QPushButton>(this, QStringLiteral("tiep1"), TwipRect(450, 5430, 315, 315));
    tiep1->setText(QStringLiteral(">"));
    tiep1->setEnabled(false);
    tiep2->setEnabled(false);

    TextBox1 =
        MakeControl<SearchBox>(this, QStringLiteral("TextBox1"), TwipRect(960, 5400, 2085, 375));
    TextBox1->setFont(UnicodeFont());
    TextBox1->setToolTip(QStringLiteral("Double click to clear"));
    TextBox1->setText(kScriptsPlaceholder);
    Command2 =
        MakeControl<QPushButton>(this, QStringLiteral("Command2"), TwipRect(3120, 5400, 540, 360));
    Command2->setText(QStringLiteral("OK"));
    TextBox11 =
        MakeControl<SearchBox>(this, QStringLiteral("TextBox11"), TwipRect(3960, 5400, 2100, 375));
    TextBox11->setFont(UnicodeFont());
    TextBox11->setToolTip(QStringLiteral("Double click to clear"));
    TextBox11->setText(kTransPlaceholder);
    Command4 =
        MakeControl<QPushButton>(this, QStringLiteral("Command4"), TwipRect(6120, 5400, 465, 375));
    Command4->setText(QStringLiteral("OK"));
    Command3 =
        MakeControl<QPushButton>(this, QStringLiteral("Command3"), TwipRect(6840, 5400, 1545, 360));
    Command3->setText(QStringLiteral("About dictionary"));
    // Below the visible area: it takes a paste only while it has the focus.
    TextBox4 =
        MakeControl<QLineEdit>(this, QStringLiteral("TextBox4"), TwipRect(5880, 6120, 2610, 375));
    TextBox4->setFont(UnicodeFont());
    TextBox4->setText(QStringLiteral("Nhap mui ten xanh de Paste"));

    connect(Command2, &QPushButton::clicked, this, &DictionaryWindow::SearchNative);
    connect(Command4, &QPushButton::clicked, this, &DictionaryWindow::SearchTransliteration);
    connect(TextBox4, &QLineEdit::textChanged, this, &DictionaryWindow::OnPasteBoxChanged);
    connect(TextBox1, &QLineEdit::textChanged, this, &DictionaryWindow::OnNativeTextChanged);
    connect(TextBox1, &SearchBox::focusGained, this, [this] {
        if (TextBox1->text() == kScriptsPlaceholder) TextBox1->clear();
    });
    connect(TextBox1, &SearchBox::doubleClicked, TextBox1, &QLineEdit::clear);
    connect(TextBox11, &SearchBox::focusGained, this, [this] {
        if (TextBox11->text() == kTransPlaceholder) TextBox11->clear();
    });
    connect(TextBox11, &SearchBox::doubleClicked, TextBox11, &QLineEdit::clear);
    // The keyboard map, as in the keyboard windows: the mapped text is set
    // once, and its own change notice is not mapped again.
    connect(TextBox11, &QLineEdit::textChanged, this, [this](const QString& typed) {
        if (mappingTrans_) return;
        const QString mapped = Map.Apply(app::AppDatabase.get(), typed);
        if (mapped == typed) return;
        mappingTrans_ = true;
        TextBox11->setText(mapped);
        mappingTrans_ = false;
    });
    connect(tiep1, &QPushButton::clicked, this, &DictionaryWindow::NextGlyphPage);
    connect(tiep2, &QPushButton::clicked, this, &DictionaryWindow::PreviousGlyphPage);
    connect(Command3, &QPushButton::clicked, this, [this] {
        AboutDictionaryWindow& about = fAboutD().Get();
        about.show();
        about.raise();
        about.activateWindow();
    });
}

void DictionaryWindow::OnActivate() {
    // A database that cannot be opened is told once per opening of the
    // window. Closing the message hands the activation back here, and under
    // a window manager that can happen more than once: telling it again
    // each time would never end. Later activations try again quietly, so a
    // database put right is found when the user comes back.
    if (!app::OpenAppDatabase(databaseFailureTold_) && !databaseFailureTold_) {
        databaseFailureTold_ = true;
        app::ShowMessage(QStringLiteral("Cannot continue"));
    }
    LoadGlyphGrid();
    for (QPushButton* button : CmdB) {
        QFont font = button->font();
        font.setFamily(QStringLiteral("Arial Unicode Ms"));
        button->setFont(font);
    }
    qCDebug(lcDictionary, "Activated: the document's selection goes onto the clipboard");
    word::Document().CopySelection();
}

void DictionaryWindow::OnUnload() { app::ShowMainWindow(); }

void DictionaryWindow::SearchNative() {
    app::MeaningLookupMode = 1;
    if (!TextBox1->text().isEmpty()) {
        ListBox1->clear();
        ListBox1->addItems(SearchByScripts(app::AppDatabase.get(), TextBox1->text()));
    }
    ListBox1->setFocus();
}

void DictionaryWindow::SearchTransliteration() {
    app::MeaningLookupMode = 0;
    if (TextBox11->text().isEmpty()) return;
    ListBox1->clear();
    ListBox1->setFocus();
    ListBox1->addItems(SearchByTrans(app::AppDatabase.get(), TextBox11->text()));
}

void DictionaryWindow::OnPasteBoxChanged() {
    PickedText = TextBox4->text();
    if (PickedText.isEmpty()) return;
    app::MeaningLookupMode = 1;
    ListBox1->setFocus();
    ListBox1->clear();
    ListBox1->addItems(SearchByScripts(app::AppDatabase.get(), TextBox4->text()));
}

void DictionaryWindow::OnNativeTextChanged() {
    // One character more than a search needs: the box starts over. A paste
    // that jumps past the mark is left alone.
    if (CodePoints(TextBox1->text()) == kClearAtLength) TextBox1->clear();
}

void DictionaryWindow::LoadGlyphGrid() {
    Glyphs.Load(app::AppDatabase.get());
    GlyphPage = 0;
    for (int i = 0; i < kGridSize; ++i) CmdB[i]->setText(Glyphs.Entry(i));
    tiep1->setEnabled(!Glyphs.Entry(kGridSize).isEmpty());
    tiep2->setEnabled(false);
}

void DictionaryWindow::ShowGlyphPage() {
    for (int i = 0; i < kGridSize; ++i) CmdB[i]->setText(Glyphs.Entry(GlyphPage * kGridSize + i));
}

void DictionaryWindow::NextGlyphPage() {
    ++GlyphPage;
    ShowGlyphPage();
    tiep2->setEnabled(true);
    for (QPushButton* button : CmdB) {
        if (button->text().isEmpty()) tiep1->setEnabled(false);
    }
}

void DictionaryWindow::PreviousGlyphPage() {
    --GlyphPage;
    ShowGlyphPage();
    tiep1->setEnabled(true);
    if (GlyphPage == 0) tiep2->setEnabled(false);
    CmdB[0]->setFocus();
}

void DictionaryWindow::PickGlyph(int index) {
    ListBox1->clear();
    const QString glyph = CmdB[index]->text();
    if (!glyph.isEmpty()) PickedText = glyph;
    ListBox1->setFocus();
    if (TextBox1->text() == kScriptsPlaceholder) TextBox1->clear();
    QFont font = TextBox1->font();
    font.setPointSize(11);
    TextBox1->setFont(font);
    // An empty slot offers nothing, so it adds nothing.
    if (!glyph.isEmpty()) TextBox1->setText(TextBox1->text() + PickedText);
    ListBox1->setFocus();
}

void DictionaryWindow::OpenMeaning(const QString& word) {
    MeaningWindow& meaning = frmMeaning().Get();
    meaning.EnsureLoaded();
    meaning.Label->setText(word);
    meaning.show();
    meaning.raise();
    meaning.activateWindow();
}

bool DictionaryWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListBox1->viewport() && event->type() == QEvent::MouseButtonRelease) {
        QListWidgetItem* item = ListBox1->currentItem();
        OpenMeaning(item && item->isSelected() ? item->text() : QString());
    }
    return app::AppWindow::eventFilter(watched, event);
}

MeaningWindow::MeaningWindow() {
    setObjectName(QStringLiteral("frmMeaning"));
    setWindowTitle(QStringLiteral("Meanings"));
    setFixedSize(Px(4860), Px(5265));
    // The word, whole and as large as the box allows while not edited.
    Label = MakeControl<app::WordBox>(this, QStringLiteral("Label"), TwipRect(30, 30, 4770, 465));
    Label->setFont(UnicodeFont(kWordPoints));
    TextBox1 =
        MakeControl<QPlainTextEdit>(this, QStringLiteral("TextBox1"), TwipRect(0, 600, 4845, 4635));
    // Parked below the visible area; it takes the focus on activation.
    Text1 = MakeControl<QLineEdit>(this, QStringLiteral("Text1"), TwipRect(0, 7680, 615, 285));
    connect(Label, &QLineEdit::textChanged, this, &MeaningWindow::ShowMeaning);
}

void MeaningWindow::OnLoad() {
    if (frmMdict().Exists()) move(frmMdict()->pos());
    QFont font = TextBox1->font();
    font.setFamily(QStringLiteral("arial unicode ms"));
    font.setPointSize(12);
    TextBox1->setFont(font);
}

void MeaningWindow::OnActivate() {
    TextBox1->setFocus();
    Text1->setFocus();
    ShowMeaning();
}

void MeaningWindow::ShowMeaning() {
    QString text = MeaningText(app::AppDatabase.get(), app::MeaningLookupMode == 1, Label->text());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    TextBox1->setPlainText(text);
    QTextCursor start = TextBox1->textCursor();
    start.movePosition(QTextCursor::Start);
    TextBox1->setTextCursor(start);
}

AboutDictionaryWindow::AboutDictionaryWindow() {
    setObjectName(QStringLiteral("fAboutD"));
    setWindowTitle(QStringLiteral("About dictionary"));
    setFixedSize(Px(4800), Px(1860));
    TextBox1 =
        MakeControl<QPlainTextEdit>(this, QStringLiteral("TextBox1"), TwipRect(60, 60, 4665, 1740));
    TextBox1->setFont(QFont(QStringLiteral("Arial")));
}

void AboutDictionaryWindow::OnActivate() {
    if (const auto about = AboutText(app::AppDatabase.get())) TextBox1->setPlainText(*about);
    QTextCursor start = TextBox1->textCursor();
    start.movePosition(QTextCursor::Start);
    TextBox1->setTextCursor(start);
}

app::SharedWindow<DictionaryWindow>& frmMdict() {
    static app::SharedWindow<DictionaryWindow> window;
    return window;
}

app::SharedWindow<MeaningWindow>& frmMeaning() {
    static app::SharedWindow<MeaningWindow> window;
    return window;
}

app::SharedWindow<AboutDictionaryWindow>& fAboutD() {
    static app::SharedWindow<AboutDictionaryWindow> window;
    return window;
}

}  // namespace orv::dictionary
