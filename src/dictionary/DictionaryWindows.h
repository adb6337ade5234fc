// The dictionary: the search window with its glyph grid, the meaning window
// and the About-dictionary window.
#pragma once

#include "app/AppWindow.h"
#include "dictionary/DictionaryData.h"
#include "engine/KeyMap.h"

#include <QLineEdit>

#include <array>

class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace orv::dictionary {

// A one-line box that reports gaining the focus and double clicks.
class SearchBox : public QLineEdit {
    Q_OBJECT
  public:
    using QLineEdit::QLineEdit;

  signals:
    void focusGained();
    void doubleClicked();

  protected:
    void focusInEvent(QFocusEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

class DictionaryWindow : public app::AppWindow {
    Q_OBJECT
  public:
    static inline const QString kScriptsPlaceholder = QStringLiteral("<enter native scripts>");
    static inline const QString kTransPlaceholder = QStringLiteral("<enter transliteration>");
    // A native-script text of exactly this many characters empties the box.
    static constexpr int kClearAtLength = 15;

    DictionaryWindow();

    void LoadGlyphGrid();
    void NextGlyphPage();
    void PreviousGlyphPage();
    void PickGlyph(int index);
    void OpenMeaning(const QString& word);

    SearchBox* TextBox1;
    QPushButton* Command2;
    SearchBox* TextBox11;
    QPushButton* Command4;
    QLineEdit* TextBox4;
    QListWidget* ListBox1;
    std::array<QPushButton*, kGridSize> CmdB;
    QPushButton* tiep1;
    QPushButton* tiep2;
    QPushButton* Command3;

    GlyphBuffer Glyphs;
    qint16 GlyphPage = 0;
    engine::KeyMap Map;
    // The text last taken from the grid or the paste box. It belongs to the
    // program rather than to one opening of the window.
    static inline QString PickedText;

  protected:
    void OnActivate() override;
    void OnUnload() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void SearchNative();
    void SearchTransliteration();
    void OnPasteBoxChanged();
    void OnNativeTextChanged();
    void ShowGlyphPage();

    bool databaseFailureTold_ = false;
    bool mappingTrans_ = false;
};

class MeaningWindow : public app::AppWindow {
    Q_OBJECT
  public:
    MeaningWindow();
    void ShowMeaning();

    QLineEdit* Label;
    QPlainTextEdit* TextBox1;
    QLineEdit* Text1;

  protected:
    void OnLoad() override;
    void OnActivate() override;
};

class AboutDictionaryWindow : public app::AppWindow {
    Q_OBJECT
  public:
    AboutDictionaryWindow();
    QPlainTextEdit* TextBox1;

  protected:
    void OnActivate() override;
};

app::SharedWindow<DictionaryWindow>& frmMdict();
app::SharedWindow<MeaningWindow>& frmMeaning();
app::SharedWindow<AboutDictionaryWindow>& fAboutD();

}  // namespace orv::dictionary
