#include "engine/WordInput.h"

#include "engine/Logging.h"

namespace orv::engine {

WordInput::WordInput(data::Database* db, const QString& storePath, const QString& settingsPath)
    : settingsPath_(settingsPath), watch_(settingsPath) {
    if (!db) return;
    store_ = std::make_unique<WordStore>(storePath);
    vocabulary_ = std::make_unique<Vocabulary>(*db, store_.get());
}

void WordInput::Prepare(TypingSession& session) {
    const InputSettings& settings = watch_.Current();
    session.SetWords(vocabulary_.get(), settings.wordCandidates, settings.learning);
}

void WordInput::Change(const InputSettings& settings) {
    if (!settings.Save(settingsPath_))
        qCWarning(lcEngine, "The settings cannot be saved to %s", qUtf8Printable(settingsPath_));
}

void WordInput::ForgetAll() {
    if (vocabulary_) vocabulary_->ForgetAll();
    qCInfo(lcEngine, "Every learned word forgotten");
}

}  // namespace orv::engine
