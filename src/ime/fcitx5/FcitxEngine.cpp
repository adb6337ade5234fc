#include "ime/fcitx5/FcitxEngine.h"

#include "ime/fcitx5/Logging.h"

#include <QDir>
#include <QFileInfo>

#include <fcitx/addonfactory.h>
#include <fcitx/addonmanager.h>
#include <fcitx/candidatelist.h>
#include <fcitx/inputcontext.h>
#include <fcitx/inputcontextmanager.h>
#include <fcitx/inputpanel.h>

#include <dlfcn.h>
#include <sqlcipher/sqlite3.h>

#include <vector>

namespace orv::ime {

namespace {

constexpr int kLantsa = 1;  // index of the Lantsa session in ContextState

// The folder of this library as Fcitx loaded it (a link is not followed, so
// a folder holding a link to the library is the folder searched). Installed,
// the library lies in <libdir>/fcitx5 and the program folder beside it in
// <libdir>/orvanta: that sibling is tried too, so a relocated install (a
// prefix other than the configured one) still finds its database.
QString DatabaseFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&DatabaseFolder), &info) == 0 || !info.dli_fname) return {};
    const QString folder = QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
    const QString sibling = QDir::cleanPath(folder + QStringLiteral("/../orvanta"));
    if (!QFileInfo::exists(folder + QStringLiteral("/orvbase.mdb")) &&
        QFileInfo::exists(sibling + QStringLiteral("/orvbase.mdb"))) {
        return sibling;
    }
    return folder;
}

// SQLite's symbols are unversioned: a plain SQLite that another part of the
// process loaded first would take some of the data layer's calls and leave
// the encryption calls to SQLCipher, and mixing the two crashes. Answers
// the other library's file when that happened.
QString ForeignSqlite() {
    Dl_info open{}, key{};
    if (dladdr(reinterpret_cast<void*>(&sqlite3_open_v2), &open) == 0 ||
        dladdr(reinterpret_cast<void*>(&sqlite3_key), &key) == 0 || !open.dli_fname ||
        !key.dli_fname) {
        return {};
    }
    return open.dli_fbase == key.dli_fbase ? QString() : QString::fromLocal8Bit(open.dli_fname);
}

std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }

// A candidate shown by the panel; a click on it picks it as its function key
// would.
class PageWord : public fcitx::CandidateWord {
  public:
    PageWord(FcitxEngine* engine, engine::TypingSession* session, int index, fcitx::Text text)
        : CandidateWord(std::move(text)), engine_(engine), session_(session), index_(index) {}

    void select(fcitx::InputContext* ic) const override {
        // Picking replaces the panel's list, and this word with it: nothing
        // of `this` is read after the call.
        engine_->Process(ic, *session_, {FcitxKey_F1 + std::uint32_t(index_), 0, false});
    }

  private:
    FcitxEngine* engine_;
    engine::TypingSession* session_;
    int index_;
};

// The page of candidates the session shows. Paging from the panel (its
// arrows) turns the session's page and refills this list in place.
class PageList : public fcitx::CandidateList, public fcitx::PageableCandidateList {
  public:
    PageList(FcitxEngine* engine, engine::TypingSession* session)
        : engine_(engine), session_(session) {
        setPageable(this);
        Fill();
    }

    const fcitx::Text& label(int idx) const override { return labels_.at(std::size_t(idx)); }
    const fcitx::CandidateWord& candidate(int idx) const override {
        return *words_.at(std::size_t(idx));
    }
    int size() const override { return int(words_.size()); }
    int cursorIndex() const override { return session_->HighlightOnPage(); }
    // The user's setting of the panel decides (Fcitx's "Vertical Candidate List").
    fcitx::CandidateLayoutHint layoutHint() const override {
        return fcitx::CandidateLayoutHint::NotSet;
    }

    bool hasPrev() const override { return session_->Pages().HasPrevious(); }
    bool hasNext() const override { return session_->Pages().HasNext(); }
    void prev() override { Turn(FcitxKey_Page_Up); }
    void next() override { Turn(FcitxKey_Page_Down); }
    bool usedNextBefore() const override { return session_->Pages().HasPrevious(); }
    int currentPage() const override { return session_->Pages().Page(); }

  private:
    void Turn(std::uint32_t keysym) {
        session_->ProcessKey({keysym, 0, false});
        Fill();
    }

    // Each glyph with its transliteration; the label is the key that picks
    // it (1 to 9 and F1 to F9 both do; then F10 to F12).
    void Fill() {
        words_.clear();
        labels_.clear();
        const engine::Pager& pages = session_->Pages();
        const engine::CandidateList& candidates = session_->Candidates();
        for (int i = 0; i < pages.OnPage(); ++i) {
            const int position = pages.First() + i;
            fcitx::Text text(Utf8(candidates.Glyph(position)));
            text.append(" " + Utf8(candidates.Reading(position)));
            words_.push_back(std::make_unique<PageWord>(engine_, session_, i, std::move(text)));
            labels_.emplace_back((i < 9 ? std::to_string(i + 1) : "F" + std::to_string(i + 1)) +
                                 ". ");
        }
    }

    FcitxEngine* engine_;
    engine::TypingSession* session_;
    std::vector<std::unique_ptr<PageWord>> words_;
    std::vector<fcitx::Text> labels_;
};

}  // namespace

FcitxEngine::FcitxEngine(fcitx::Instance* instance)
    : states_([](fcitx::InputContext&) { return new ContextState; }) {
    const QString folder = DatabaseFolder();
    QString error;
    if (const QString other = ForeignSqlite(); !other.isEmpty()) {
        error = QStringLiteral("SQLite calls go to %1, not to SQLCipher").arg(other);
    } else {
        db_ = data::OpenReferenceDatabase(folder, &error);
    }
    if (db_) {
        qCInfo(lcFcitx) << "reference database:" << data::ReferenceDatabasePath(folder);
    } else {
        // Keys then pass through and each input context shows the notice once.
        qCWarning(lcFcitx) << "no usable reference database:" << error;
    }
    words_ = std::make_unique<engine::WordInput>(db_.get());
    instance->inputContextManager().registerProperty("orvantaState", &states_);
}

const fcitx::Configuration* FcitxEngine::getConfig() const {
    const engine::InputSettings& settings = words_->Settings();
    config_.wordCandidates.setValue(settings.wordCandidates);
    config_.learning.setValue(settings.learning);
    config_.forgetAll.setValue(false);
    return &config_;
}

void FcitxEngine::setConfig(const fcitx::RawConfig& raw) {
    config_.load(raw, true);
    engine::InputSettings settings = words_->Settings();
    settings.wordCandidates = *config_.wordCandidates;
    settings.learning = *config_.learning;
    words_->Change(settings);
    if (*config_.forgetAll) words_->ForgetAll();
    config_.forgetAll.setValue(false);
}

FcitxEngine::~FcitxEngine() = default;

engine::TypingSession& FcitxEngine::Session(fcitx::InputContext* ic,
                                            const fcitx::InputMethodEntry& entry) {
    const bool lantsa = entry.uniqueName() == "orvanta-lantsa";
    auto& session = ic->propertyFor(&states_)->sessions[lantsa ? kLantsa : 0];
    if (!session) {
        session = std::make_unique<engine::TypingSession>(
            db_.get(), lantsa ? data::ScriptTable::Lantsa : data::ScriptTable::Siddham);
    }
    return *session;
}

void FcitxEngine::keyEvent(const fcitx::InputMethodEntry& entry, fcitx::KeyEvent& event) {
    if (event.isRelease()) return;  // the session acts on presses only
    const fcitx::Key key = event.key();
    const auto sym = std::uint32_t(key.sym());
    const bool shortcut =
        key.states().testAny(fcitx::KeyStates{fcitx::KeyState::Ctrl, fcitx::KeyState::Alt,
                                              fcitx::KeyState::Super, fcitx::KeyState::Super2});
    fcitx::InputContext* ic = event.inputContext();
    const engine::KeyResult result = Process(
        ic, Session(ic, entry), {sym, char32_t(fcitx::Key::keySymToUnicode(key.sym())), shortcut});
    if (result == engine::KeyResult::PassThrough) return;
    // A key that acts after a commit (Tab) is sent on behind it, so the
    // application cannot handle it first.
    if (result == engine::KeyResult::Forward) ic->forwardKey(event.rawKey());
    event.filterAndAccept();
}

void FcitxEngine::reset(const fcitx::InputMethodEntry&, fcitx::InputContextEvent& event) {
    // The preedit is shown committable: Fcitx (or the client, when it says
    // it does so itself) commits it when the focus leaves. A reset by the
    // application keeps it too: it goes out as typed.
    fcitx::InputContext* ic = event.inputContext();
    ContextState* state = ic->propertyFor(&states_);
    for (auto& session : state->sessions) {
        if (!session) continue;
        if (event.type() == fcitx::EventType::InputContextReset) {
            session->CommitPreedit();
            if (const QString commit = session->TakeCommit(); !commit.isEmpty()) {
                ic->commitString(Utf8(commit));
            }
        }
        session->Reset();
    }
    if (state->shown) {
        ic->inputPanel().reset();
        ic->updatePreedit();
        ic->updateUserInterface(fcitx::UserInterfaceComponent::InputPanel);
        state->shown = false;
    }
}

void FcitxEngine::deactivate(const fcitx::InputMethodEntry& entry,
                             fcitx::InputContextEvent& event) {
    // Switched to another input method: what was typed goes out as typed.
    fcitx::InputContext* ic = event.inputContext();
    if (event.type() == fcitx::EventType::InputContextSwitchInputMethod) {
        for (auto& session : ic->propertyFor(&states_)->sessions) {
            if (!session) continue;
            session->CommitPreedit();
            if (const QString commit = session->TakeCommit(); !commit.isEmpty()) {
                ic->commitString(Utf8(commit));
            }
        }
    }
    reset(entry, event);
}

engine::KeyResult FcitxEngine::Process(fcitx::InputContext* ic, engine::TypingSession& session,
                                       const engine::Key& key) {
    words_->Prepare(session);
    const engine::KeyResult result = session.ProcessKey(key);
    // The commit reaches the client before any key forwarded behind it.
    if (const QString commit = session.TakeCommit(); !commit.isEmpty()) {
        ic->commitString(Utf8(commit));
    }
    const QString notice = session.TakeNotice();
    ContextState* state = ic->propertyFor(&states_);
    // Keys typed with nothing shown cost no update of the panel.
    if (state->shown || !session.Preedit().isEmpty() || !notice.isEmpty()) {
        Show(ic, session, notice);
        state->shown = !session.Preedit().isEmpty() || !notice.isEmpty();
    }
    return result;
}

void FcitxEngine::Show(fcitx::InputContext* ic, engine::TypingSession& session,
                       const QString& notice) {
    fcitx::InputPanel& panel = ic->inputPanel();
    panel.reset();
    if (!session.Preedit().isEmpty()) {
        // Committable: when the focus leaves, Fcitx or the client commits it
        // as it stands, so what the user typed is never lost.
        fcitx::Text text(Utf8(session.Preedit()), fcitx::TextFormatFlag::Underline);
        text.setCursor(int(Utf8(session.Preedit().left(session.Cursor())).size()));  // bytes
        if (ic->capabilityFlags().test(fcitx::CapabilityFlag::Preedit)) {
            panel.setClientPreedit(text);
        } else {
            panel.setPreedit(text);
        }
        if (session.Pages().OnPage() > 0) {
            panel.setCandidateList(std::make_unique<PageList>(this, &session));
        }
    }
    if (!notice.isEmpty()) panel.setAuxUp(fcitx::Text(Utf8(notice)));
    ic->updatePreedit();
    ic->updateUserInterface(fcitx::UserInterfaceComponent::InputPanel);
}

class FcitxEngineFactory : public fcitx::AddonFactory {
  public:
    fcitx::AddonInstance* create(fcitx::AddonManager* manager) override {
        return new FcitxEngine(manager->instance());
    }
};

}  // namespace orv::ime

FCITX_ADDON_FACTORY(orv::ime::FcitxEngineFactory)
