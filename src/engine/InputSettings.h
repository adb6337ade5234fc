// The input methods' settings: one per-user file behind the IBus engine and
// the Fcitx5 addon, so a choice made in either holds in both.
#pragma once

#include <QString>

#include <chrono>
#include <cstdint>

namespace orv::engine {

struct InputSettings {
    bool wordCandidates = true;  // off: syllable candidates only
    bool learning = true;        // off: committed words are not counted

    // $XDG_CONFIG_HOME/orvanta/input-method.conf ($HOME/.config when
    // XDG_CONFIG_HOME is unset or not absolute).
    static QString DefaultPath();
    // A missing or unreadable file, or a key missing from it, gives the defaults.
    static InputSettings Load(const QString& path = DefaultPath());
    // Creates the folder; false when the file could not be written.
    bool Save(const QString& path = DefaultPath()) const;

    bool operator==(const InputSettings&) const = default;
};

// The settings as the file holds them now, for a process that keeps running
// while the other input method or a configuration tool changes the file.
// One thread's: Current() may reload.
class SettingsWatch {
  public:
    explicit SettingsWatch(QString path = InputSettings::DefaultPath());
    // Reloads when the file changed (another inode, size or modification
    // time); looks at most once per 200 ms, and then only with one stat.
    const InputSettings& Current();

  private:
    struct Stamp {
        bool exists = false;
        std::uint64_t inode = 0;
        std::int64_t size = 0, mtimeNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    Stamp Look() const;

    QString path_;
    InputSettings current_;
    Stamp stamp_;
    std::chrono::steady_clock::time_point lastLook_;
};

}  // namespace orv::engine
