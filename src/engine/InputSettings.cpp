#include "engine/InputSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <sys/stat.h>

namespace orv::engine {

namespace {
constexpr auto kLookInterval = std::chrono::milliseconds(200);
const QString kWordCandidates = QStringLiteral("WordCandidates");
const QString kLearning = QStringLiteral("Learning");
}  // namespace

QString InputSettings::DefaultPath() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QFileInfo(config).isAbsolute())
        config = qEnvironmentVariable("HOME") + "/.config";
    return config + "/orvanta/input-method.conf";
}

InputSettings InputSettings::Load(const QString& path) {
    InputSettings s;
    if (!QFileInfo(path).isReadable()) return s;
    const QSettings file(path, QSettings::IniFormat);
    if (file.status() != QSettings::NoError) return s;
    s.wordCandidates = file.value(kWordCandidates, s.wordCandidates).toBool();
    s.learning = file.value(kLearning, s.learning).toBool();
    return s;
}

bool InputSettings::Save(const QString& path) const {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    QSettings file(path, QSettings::IniFormat);
    file.setValue(kWordCandidates, wordCandidates);
    file.setValue(kLearning, learning);
    file.sync();
    return file.status() == QSettings::NoError;
}

SettingsWatch::SettingsWatch(QString path) : path_(std::move(path)) {
    stamp_ = Look();
    current_ = InputSettings::Load(path_);
    lastLook_ = std::chrono::steady_clock::now();
}

SettingsWatch::Stamp SettingsWatch::Look() const {
    struct stat st {};
    if (::stat(QFile::encodeName(path_).constData(), &st) != 0) return {};
    return {true, std::uint64_t(st.st_ino), std::int64_t(st.st_size),
            std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

const InputSettings& SettingsWatch::Current() {
    const auto now = std::chrono::steady_clock::now();
    if (now - lastLook_ < kLookInterval) return current_;
    lastLook_ = now;
    const Stamp stamp = Look();
    if (stamp == stamp_) return current_;
    stamp_ = stamp;
    current_ = InputSettings::Load(path_);
    return current_;
}

}  // namespace orv::engine
