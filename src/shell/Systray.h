// The notification-area icon. An icon record says which window owns the
// icon, what it shows and how the icon reports mouse activity; NotifyIcon
// adds or deletes the icon it describes. The icon reports to its owner
// window as a TrayCallbackEvent carrying the record's callback message and
// the mouse message of what the user did.
#pragma once

#include <QEvent>
#include <QIcon>
#include <QString>
#include <QWidget>

#include <cstdint>

class QSystemTrayIcon;

namespace orv::shell {

// The record's fixed size field and the length of its tip field.
inline constexpr std::uint32_t kIconRecordSize = 88;
inline constexpr int kTipFieldLength = 64;

// Which fields of a record are valid.
inline constexpr std::uint32_t kIconFlagMessage = 1;
inline constexpr std::uint32_t kIconFlagIcon = 2;
inline constexpr std::uint32_t kIconFlagTip = 4;

// The mouse messages an icon reports.
inline constexpr std::uint32_t kMouseMove = 0x200;
inline constexpr std::uint32_t kLeftButtonUp = 0x202;
inline constexpr std::uint32_t kLeftButtonDoubleClick = 0x203;
inline constexpr std::uint32_t kRightButtonUp = 0x205;
inline constexpr std::uint32_t kMiddleButtonUp = 0x208;

struct IconRecord {
    std::uint32_t size = kIconRecordSize;
    WId owner = 0;
    std::uint32_t id = 0;
    std::uint32_t flags = 0;
    std::uint32_t callbackMessage = 0;
    QIcon icon;
    // Always kTipFieldLength characters: the tip, a NUL, blanks.
    QString tip;

    // The tip as the user sees it: the field up to its NUL.
    QString TipText() const;
};

// Builds a record. The tip is followed by one NUL and padded with blanks to
// the field's length. A tip too long for the field is cut so that its NUL
// still fits (a cut never splits a surrogate pair): the field always holds a
// terminated text.
IconRecord BuildIconRecord(WId owner, std::uint32_t id, std::uint32_t flags,
                           std::uint32_t callbackMessage, const QIcon& icon, const QString& tip);

enum class NotifyOperation { Add = 0, Delete = 2 };

// Adds the icon of the record (owner and id name it) or deletes it. Adding
// an icon that exists, deleting one that does not, or naming an owner that
// is no window of this program answers false and changes nothing. An added icon appears in the
// notification area as soon as there is one, also when the area starts later than the program
// (on Wayland the icon is made only then; until then FindNotifyIcon finds none).
bool NotifyIcon(NotifyOperation operation, const IconRecord& record);

// Whether a notification area can show an icon now: on X11 a tray or a
// StatusNotifier host, elsewhere a StatusNotifier host on the session bus.
bool NotificationAreaAvailable();

// The icon that owner and id name, or none (for tests and diagnostics).
QSystemTrayIcon* FindNotifyIcon(WId owner, std::uint32_t id);

// What an icon sends its owner window when the user acts on it.
class TrayCallbackEvent : public QEvent {
  public:
    TrayCallbackEvent(std::uint32_t message, std::uint32_t mouseMessage)
        : QEvent(EventType()), message_(message), mouseMessage_(mouseMessage) {}
    static QEvent::Type EventType();

    // The record's callback message.
    std::uint32_t Message() const { return message_; }
    // What the mouse did (kLeftButtonUp, kRightButtonUp, ...).
    std::uint32_t MouseMessage() const { return mouseMessage_; }

  private:
    std::uint32_t message_;
    std::uint32_t mouseMessage_;
};

}  // namespace orv::shell
