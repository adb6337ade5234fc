// The Fcitx5 addon: the input methods orvanta-siddham and orvanta-lantsa on
// the typing engine. Each input context keeps a typing session per script;
// the addon turns Fcitx key events into engine keys and shows what the
// session answers: the preedit, a page of candidates, a notice.
#pragma once

#include "data/Database.h"
#include "engine/TypingSession.h"
#include "engine/WordInput.h"

#include <fcitx-config/configuration.h>
#include <fcitx-config/option.h>
#include <fcitx/inputcontextproperty.h>
#include <fcitx/inputmethodengine.h>
#include <fcitx/instance.h>

#include <array>
#include <memory>

namespace orv::ime {

// The settings page fcitx5-configtool shows. It mirrors the per-user
// settings file the IBus engine reads too; that file, not Fcitx's own
// folder, is where the values live.
FCITX_CONFIGURATION(WordsConfig,
                    fcitx::Option<bool> wordCandidates{
                        this, "WordCandidates", "Word candidates (off: syllables only)", true};
                    fcitx::Option<bool> learning{this, "Learning", "Learn my words", true};
                    fcitx::Option<bool> forgetAll{this, "ForgetAll",
                                                  "Forget all learned words (on saving)", false};)

// One input context's state: a session per script, made when first used.
struct ContextState : fcitx::InputContextProperty {
    std::array<std::unique_ptr<engine::TypingSession>, 2> sessions;
    // The panel or the client shows something that a later key must clear.
    bool shown = false;
};

class FcitxEngine : public fcitx::InputMethodEngine {
  public:
    explicit FcitxEngine(fcitx::Instance* instance);
    ~FcitxEngine() override;

    void keyEvent(const fcitx::InputMethodEntry& entry, fcitx::KeyEvent& event) override;
    void reset(const fcitx::InputMethodEntry& entry, fcitx::InputContextEvent& event) override;
    void deactivate(const fcitx::InputMethodEntry& entry, fcitx::InputContextEvent& event) override;

    const fcitx::Configuration* getConfig() const override;
    void setConfig(const fcitx::RawConfig& raw) override;

    // Hands a key to a session of the input context, commits what it gives
    // and shows its state; answers what became of the key.
    engine::KeyResult Process(fcitx::InputContext* ic, engine::TypingSession& session,
                              const engine::Key& key);

  private:
    engine::TypingSession& Session(fcitx::InputContext* ic, const fcitx::InputMethodEntry& entry);
    void Show(fcitx::InputContext* ic, engine::TypingSession& session, const QString& notice);

    // Declared before the property factory: the sessions it owns point here.
    std::unique_ptr<data::Database> db_;
    std::unique_ptr<engine::WordInput> words_;
    mutable WordsConfig config_;
    fcitx::FactoryFor<ContextState> states_;
};

}  // namespace orv::ime
