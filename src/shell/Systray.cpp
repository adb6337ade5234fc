#include "shell/Systray.h"

#include "shell/Platform.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
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

// On Wayland, Qt shows an icon only through a
// StatusNotifier host on the session bus, and it asks whether one is there
// once per process, at the first icon: an icon made before a panel starts
// (an autostart race) would never appear. So there an icon is made only once
// a host is registered; until then its record waits here.
constexpr char kWatcherService[] = "org.kde.StatusNotifierWatcher";
constexpr char kWatcherPath[] = "/StatusNotifierWatcher";

std::map<IconKey, IconRecord>& Waiting() {
    static std::map<IconKey, IconRecord> waiting;
    return waiting;
}

// X11 (and Qt's offscreen platform of the tests) keep Qt's own handling: its
// X11 icon waits for a tray by itself.
bool OnWayland() {
    return qGuiApp && QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

bool StatusNotifierHostRegistered() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(QLatin1String(kWatcherService)).value()) {
        return false;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(
        QLatin1String(kWatcherService), QLatin1String(kWatcherPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QLatin1String(kWatcherService) << QStringLiteral("IsStatusNotifierHostRegistered");
    // A watcher that does not answer within half a second counts as none.
    const QDBusMessage reply = bus.call(get, QDBus::Block, 500);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().first().value<QDBusVariant>().variant().toBool();
}

QSystemTrayIcon* MakeIcon(QWidget* owner, const IconRecord& record) {
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
    icon->show();
    return icon;
}

// Makes the waiting icons once a host is there.
void ShowWaitingIcons() {
    if (Waiting().empty() || !StatusNotifierHostRegistered()) return;
    auto waiting = std::exchange(Waiting(), {});
    for (const auto& [key, record] : waiting) {
        if (QWidget* owner = QWidget::find(record.owner)) {
            Icons().emplace(key, MakeIcon(owner, record));
        }
    }
}

// Listens for a watcher coming onto the bus and for a host registering
// with it; each makes the waiting icons when a host is there.
class HostWatch : public QObject {
    Q_OBJECT
  public:
    explicit HostWatch(QDBusConnection bus)
        : services_(QLatin1String(kWatcherService), bus,
                    QDBusServiceWatcher::WatchForRegistration) {
        connect(&services_, &QDBusServiceWatcher::serviceRegistered, this, &HostWatch::Check);
        bus.connect(QLatin1String(kWatcherService), QLatin1String(kWatcherPath),
                    QLatin1String(kWatcherService), QStringLiteral("StatusNotifierHostRegistered"),
                    this, SLOT(Check()));
    }

  public slots:
    void Check() { ShowWaitingIcons(); }

  private:
    QDBusServiceWatcher services_;
};

void WatchForAHost() {
    static QPointer<HostWatch> watch;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!watch && bus.isConnected()) watch = new HostWatch(bus);
    if (watch && qApp) watch->setParent(qApp);
}

}  // namespace

bool NotificationAreaAvailable() {
    return OnWayland() ? StatusNotifierHostRegistered() : QSystemTrayIcon::isSystemTrayAvailable();
}

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
        if (Waiting().erase(key) > 0) return true;
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

    if (found != icons.end() || Waiting().count(key)) return false;
    if (OnWayland() && !StatusNotifierHostRegistered()) {
        Waiting().emplace(key, record);
        WatchForAHost();
        return true;
    }
    icons.emplace(key, MakeIcon(owner, record));
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

#include "Systray.moc"
