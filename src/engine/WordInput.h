// Word input for an engine process: the vocabulary, the learning store and
// the per-user settings, made once and shared by every input context and
// both scripts. The IBus engine and the Fcitx5 addon hold one each and ask
// it to set up a session before each key, so a change of the settings (from
// either framework's menu, or the file itself) holds from the next key.
#pragma once

#include "engine/InputSettings.h"
#include "engine/TypingSession.h"
#include "engine/Vocabulary.h"
#include "engine/WordStore.h"

#include <memory>

namespace orv::engine {

class WordInput {
  public:
    // Reads the lexicon and the learned words; `db` null gives no words.
    explicit WordInput(data::Database* db, const QString& storePath = WordStore::DefaultPath(),
                       const QString& settingsPath = InputSettings::DefaultPath());

    // The settings as they stand, applied to the session.
    void Prepare(TypingSession& session);
    const InputSettings& Settings() { return watch_.Current(); }
    // Saves changed settings for both frameworks.
    void Change(const InputSettings& settings);
    // Forgets every learned word, in every engine process.
    void ForgetAll();

  private:
    QString settingsPath_;
    SettingsWatch watch_;
    std::unique_ptr<WordStore> store_;
    std::unique_ptr<Vocabulary> vocabulary_;
};

}  // namespace orv::engine
