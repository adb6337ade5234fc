// The keyboard window: the user types a transliteration, sees the matching
// glyphs on twelve buttons, and picks one into the document. One
// implementation serves both scripts through its profile.
#pragma once

#include "app/AppWindow.h"
#include "engine/CandidateList.h"
#include "engine/KeyMap.h"
#include "keyboard/DragGesture.h"
#include "keyboard/ScriptProfile.h"
#include "keyboard/TargetIndicator.h"

#include <QApplication>
#include <QLineEdit>

#include <array>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace orv::keyboard {

// The transliteration box: a line edit that selects all of its text on a
// mouse press and reports its key releases.
class TransliterationBox : public QLineEdit {
    Q_OBJECT
  public:
    using QLineEdit::QLineEdit;

  signals:
    void keyReleased(int key, Qt::KeyboardModifiers modifiers);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
};

class ScriptKeyboard : public app::AppWindow {
    Q_OBJECT
  public:
    explicit ScriptKeyboard(const ScriptProfile& profile);

    const ScriptProfile& Profile() const { return profile_; }

    // Restores the window, brings it to the front and puts the caret in the
    // transliteration box (the hot key does this).
    void BringToFront();

    // The lookup: fills the candidate arrays from the transliteration box's
    // text and shows the first page. The caller prepares the window first.
    void LookupCandidates();
    void ShowCandidatePage();
    void NextCandidatePage();
    void PreviousCandidatePage();
    // Writes the caption of a candidate button into the document.
    void CommitCandidate(int index, const QString& fontName, bool withHistory);
    void AppendHistory(const QString& text);
    // Writes the reading above a button into the document.
    void InsertReading(int index);
    // Keeps the key hints and the page label in step with the buttons.
    void RefreshHints();

    // Controls, named as everywhere in the program.
    QLabel* Label8;
    TransliterationBox* TextBox1;
    std::array<QPushButton*, engine::kPageSize> CommandButton1;
    std::array<QLabel*, engine::kPageSize> Label7;
    std::array<QLabel*, engine::kPageSize> Label1;
    QLabel* Label2;
    QLabel* TargetHint;  // where picked glyphs go: a Writer document or the history
    QPushButton* tiep1;
    QPushButton* tiep2;
    QPushButton* mmandButton2;
    QPushButton* Command6;
    QPlainTextEdit* TextBox2;
    QPushButton* Command1;
    QPushButton* Command4;
    QPushButton* Command5;
    QLineEdit* TextBox3;
    QLineEdit* TextBox6;
    QTimer* Timer3;

    // Window state.
    QString ScriptFont;
    engine::CandidateList Candidates;
    engine::Pager Pages;  // the page shown (CurrentPage) and where paging can go
    engine::KeyMap Map;

  protected:
    void OnLoad() override;
    void OnUnload() override;
    void OnActivate() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void OnTextChanged();
    void OnBoxKeyReleased(int key);
    bool OnCandidateKey(int index, QKeyEvent* event);
    void SelectTransliteration();
    void SetHeightTwips(int twips);
    // Follows a press, move or release on the window or a label: answers
    // true for the release of a left click that did not drag.
    bool DragByMouse(QMouseEvent* event);
    void ShowTarget();
    // Hands a write of the window's (a pick) to the indicator.
    void Track(const word::Receipt& receipt);

    const ScriptProfile profile_;
    bool activating_ = false;
    bool mapping_ = false;
    int refreshTicks_ = 0;
    DragGesture drag_{QApplication::startDragDistance()};
    // Whether drags go to the window system (Wayland) instead of move().
    const bool systemMove_ = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    TargetIndicator target_;
};

}  // namespace orv::keyboard
