#include "shell/Systray.h"

#include "shell/Platform.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSystemTrayIcon>

#include <map>
#include <utility>

namespace orv::shell {

namespace {

// An icon belongs to its owner window, whatever native handle the window has
// when it is named.
using IconKey = std::pair<const QWidget*, std::uint32_t>;

std::map<IconKey, QPointer<QSystemTrayIcon>>& Icons() {
    static std::map<IconKey, QPointer<QSystemTrayIcon>> icons;
    return icons;
}

// Qt reports what the user did to the icon as an activation reason; the
// owner hears it as the mouse message of that action.
std::uint32_t MouseMessageOf(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            return kLeftButtonUp;
        case QSystemTrayIcon::Context:
            return kRightButtonUp;
        case QSystemTrayIcon::DoubleClick:
            return kLeftButtonDoubleClick;
        case QSystemTrayIcon::MiddleClick:
            return kMiddleButtonUp;
        case QSystemTrayIcon::Unknown:
            break;
    }
    return 0;
}

}  // namespace

QString IconRecord::TipText() const {
    const qsizetype end = tip.indexOf(QChar(u'\0'));
    return end < 0 ? tip : tip.left(end);
}

IconRecord BuildIconRecord(WId owner, std::uint32_t id, std::uint32_t flags,
                           std::uint32_t callbackMessage, const QIcon& icon, const QString& tip) {
    IconRecord record;
    record.owner = owner;
    record.id = id;
    record.flags = flags;
    record.callbackMessage = callbackMessage;
    record.icon = icon;
    // Room for the NUL: a longer text is cut one short of the field.
    qsizetype length = std::min<qsizetype>(tip.size(), kTipFieldLength - 1);
    if (length < tip.size() && length > 0 && tip.at(length - 1).isHighSurrogate()) --length;
    record.tip = tip.left(length) + QChar(u'\0');
    record.tip = record.tip.leftJustified(kTipFieldLength, QLatin1Char(' '));
    return record;
}

bool NotifyIcon(NotifyOperation operation, const IconRecord& record) {
    auto& icons = Icons();
    QWidget* owner = QWidget::find(record.owner);
    if (!owner) return false;
    const IconKey key{owner, record.id};
    auto found = icons.find(key);
    if (found != icons.end() && found->second.isNull()) {
        icons.erase(found);  // gone with the application
        found = icons.end();
    }

    if (operation == NotifyOperation::Delete) {
        if (found == icons.end()) return false;
        QSystemTrayIcon* icon = found->second;
        icons.erase(found);
        icon->hide();
        delete icon;
        // The icon leaves the notification area now, even when the program
        // ends right after.
        FlushWindowSystem();
        return true;
    }

    if (found != icons.end()) return false;
    // The icon goes with its owner window.
    auto* icon = new QSystemTrayIcon(owner);
    if (record.flags & kIconFlagIcon) icon->setIcon(record.icon);
    if (record.flags & kIconFlagTip) icon->setToolTip(record.TipText());
    if (record.flags & kIconFlagMessage) {
        const std::uint32_t message = record.callbackMessage;
        QObject::connect(icon, &QSystemTrayIcon::activated, owner,
                         [owner, message](QSystemTrayIcon::ActivationReason reason) {
                             const std::uint32_t mouse = MouseMessageOf(reason);
                             if (mouse == 0) return;
                             QCoreApplication::postEvent(owner,
                                                         new TrayCallbackEvent(message, mouse));
                         });
    }
    icons.emplace(key, icon);
    icon->show();
    return true;
}

QSystemTrayIcon* FindNotifyIcon(WId owner, std::uint32_t id) {
    const auto found = Icons().find({QWidget::find(owner), id});
    return found == Icons().end() ? nullptr : found->second.data();
}

QEvent::Type TrayCallbackEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

}  // namespace orv::shell
