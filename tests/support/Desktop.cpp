#include "support/Desktop.h"

#include <QProcessEnvironment>
#include <QTest>

#include <signal.h>
#include <sys/prctl.h>

// The X11 headers come last: their macros clash with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace orv::test {

namespace {

constexpr int kTimeout = 20000;

Display* Dpy(void* d) { return static_cast<Display*>(d); }

// Windows come and go while the tests look at them; an error about one that
// has just gone is no reason to stop.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

// A window property's bytes (8-bit strings, or 32-bit values as longs).
QByteArray Property(Display* d, Window w, const char* name) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    QByteArray value;
    if (XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, 1024, False, AnyPropertyType,
                           &type, &format, &count, &after, &data) == Success &&
        data) {
        value = QByteArray(reinterpret_cast<const char*>(data),
                           static_cast<int>(count * (format == 32 ? sizeof(long) : format / 8)));
    }
    if (data) XFree(data);
    return value;
}

// A property's first 32-bit value, or -1.
long CardinalProperty(Display* d, Window w, const char* name) {
    const QByteArray value = Property(d, w, name);
    return value.size() >= int(sizeof(long)) ? *reinterpret_cast<const long*>(value.data()) : -1;
}

QString Title(Display* d, Window w) { return QString::fromUtf8(Property(d, w, "_NET_WM_NAME")); }

bool Viewable(Display* d, Window w) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(d, w, &attributes) && attributes.map_state == IsViewable;
}

QList<Window> Children(Display* d, Window w) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    QList<Window> out;
    if (XQueryTree(d, w, &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count; ++i) out.append(children[i]);
    }
    if (children) XFree(children);
    return out;
}

// Every window under the root: a window manager puts clients in frames,
// and a tray puts icons in its own windows.
QList<Window> AllWindows(Display* d) {
    QList<Window> all, pending = Children(d, DefaultRootWindow(d));
    while (!pending.isEmpty()) {
        const Window w = pending.takeFirst();
        all.append(w);
        pending += Children(d, w);
    }
    return all;
}

Window Parent(Display* d, Window w) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(d, w, &root, &parent, &children, &count)) return 0;
    if (children) XFree(children);
    return parent == root ? 0 : parent;
}

// Whether a window lives inside a window of another program: a tray icon,
// taken in by the tray. (Window manager frames carry no process id.)
bool Embedded(Display* d, Window w, long pid) {
    for (Window up = Parent(d, w); up != 0; up = Parent(d, up)) {
        const long owner = CardinalProperty(d, up, "_NET_WM_PID");
        if (owner != -1 && owner != pid) return true;
    }
    return false;
}

void DieWithTheTest() { prctl(PR_SET_PDEATHSIG, SIGKILL); }

}  // namespace

std::unique_ptr<QProcess> StartHelper(const QString& program, const QStringList& arguments,
                                      const QProcessEnvironment& extra) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Without a session bus the tray icon docks through XEmbed.
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    environment.insert(extra);
    process->setProcessEnvironment(environment);
    process->setChildProcessModifier(DieWithTheTest);
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->start(program, arguments);
    process->waitForStarted(10000);
    return process;
}

bool Xdotool(const QStringList& arguments) {
    QProcess process;
    process.setChildProcessModifier(DieWithTheTest);
    process.start(QStringLiteral("xdotool"), arguments);
    return process.waitForFinished(15000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

XProbe::XProbe() {
    XSetErrorHandler(IgnoreXError);
    display_ = XOpenDisplay(nullptr);
}

XProbe::~XProbe() {
    if (display_) XCloseDisplay(Dpy(display_));
}

bool XProbe::WindowManagerRunning() {
    Display* d = Dpy(display_);
    return CardinalProperty(d, DefaultRootWindow(d), "_NET_SUPPORTING_WM_CHECK") > 0;
}

bool XProbe::TrayRunning() {
    Display* d = Dpy(display_);
    const QByteArray name = QByteArray("_NET_SYSTEM_TRAY_S") + QByteArray::number(DefaultScreen(d));
    return XGetSelectionOwner(d, XInternAtom(d, name.constData(), False)) != None;
}

QList<QRect> XProbe::TrayIcons(long pid) {
    Display* d = Dpy(display_);
    QList<QRect> icons;
    for (Window w : AllWindows(d)) {
        if (CardinalProperty(d, w, "_NET_WM_PID") == pid && Viewable(d, w) && Embedded(d, w, pid)) {
            icons.append(Geometry(w));
        }
    }
    return icons;
}

QList<unsigned long> XProbe::ShownWindows(long pid, const QString& title) {
    Display* d = Dpy(display_);
    QList<unsigned long> windows;
    for (Window w : AllWindows(d)) {
        if (CardinalProperty(d, w, "_NET_WM_PID") != pid || !Viewable(d, w)) continue;
        if (Embedded(d, w, pid) || (!title.isEmpty() && Title(d, w) != title)) continue;
        windows.append(w);
    }
    return windows;
}

QRect XProbe::Geometry(unsigned long window) {
    Display* d = Dpy(display_);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(d, window, &attributes)) return {};
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &x, &y, &child);
    return {x, y, attributes.width, attributes.height};
}

void XProbe::Close(unsigned long window) {
    Display* d = Dpy(display_);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, window, False, NoEventMask, &event);
    XFlush(d);
}

unsigned long XProbe::FocusWindow() {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(Dpy(display_), &focus, &revert);
    return focus;
}

bool XProbe::GrabKey(const char* keysym, const QStringList& modifiers) {
    Display* d = Dpy(display_);
    const KeyCode code = XKeysymToKeycode(d, XStringToKeysym(keysym));
    if (code == 0) return false;
    unsigned mask = ControlMask;
    if (modifiers.contains(QStringLiteral("shift"))) mask |= ShiftMask;
    if (modifiers.contains(QStringLiteral("alt"))) mask |= Mod1Mask;
    XGrabKey(d, code, mask, DefaultRootWindow(d), False, GrabModeAsync, GrabModeAsync);
    XSync(d, False);
    return true;
}

Desktop::Desktop() = default;

Desktop::~Desktop() {
    probe_.reset();  // before its server goes
    for (auto* helper : {other_.get(), tray_.get(), windowManager_.get(), server_.get()}) {
        if (!helper) continue;
        helper->kill();
        helper->waitForFinished(kTimeout);
    }
}

bool Desktop::Start(QString* error) {
    // -displayfd picks a free display and writes its number once the server
    // accepts connections.
    server_ = std::make_unique<QProcess>();
    server_->setChildProcessModifier(DieWithTheTest);
    server_->setStandardErrorFile(QProcess::nullDevice());
    server_->start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", "1280x800x24",
                                            "-nolisten", "tcp", "-noreset"});
    QByteArray number;
    while (!number.contains('\n') && server_->waitForReadyRead(kTimeout)) {
        number += server_->readAllStandardOutput();
    }
    qputenv("DISPLAY", ":" + number.trimmed());
    probe_ = std::make_unique<XProbe>();
    if (number.trimmed().isEmpty() || !probe_->Ok() || !home_.isValid()) {
        *error = QStringLiteral("Xvfb did not start");
        return false;
    }
    // The window manager's default configuration: a home of its own, so no
    // configuration of the user's is read.
    QProcessEnvironment home;
    home.insert(QStringLiteral("HOME"), home_.path());
    home.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.path());
    windowManager_ = StartHelper(QStringLiteral("openbox"), {}, home);
    if (!QTest::qWaitFor([this] { return probe_->WindowManagerRunning(); }, kTimeout)) {
        *error = QStringLiteral("openbox did not start");
        return false;
    }
    tray_ =
        StartHelper(QStringLiteral("trayer"), {"--edge", "top", "--align", "right", "--widthtype",
                                               "request", "--height", "24", "--expand", "false"});
    if (!QTest::qWaitFor([this] { return probe_->TrayRunning(); }, kTimeout)) {
        *error = QStringLiteral("the tray did not start");
        return false;
    }
    // Line-buffered: xev's first line (its window) must not wait in a buffer
    // for the first event.
    other_ = StartHelper(QStringLiteral("stdbuf"),
                         {"-oL", "xev", "-geometry", "300x200+400+300", "-event", "keyboard"});
    QObject::connect(other_.get(), &QProcess::readyReadStandardOutput, other_.get(), [this] {
        otherLog_ += QString::fromLocal8Bit(other_->readAllStandardOutput());
    });
    if (!QTest::qWaitFor([this] { return otherLog_.contains(QLatin1String("Outer window is")); },
                         kTimeout)) {
        *error = QStringLiteral("xev did not start");
        return false;
    }
    const QString outer =
        otherLog_.section(QLatin1String("Outer window is "), 1).section(',', 0, 0);
    otherWindow_ = QString::number(outer.toULong(nullptr, 16));
    return FocusOtherApplication();
}

bool Desktop::FocusOtherApplication() {
    return Xdotool({"windowactivate", "--sync", otherWindow_}) &&
           QTest::qWaitFor(
               [this] { return QString::number(probe_->FocusWindow()) == otherWindow_; }, kTimeout);
}

QString Desktop::KeysReachingOtherApplication() {
    const QLatin1String marker("(keysym 0x6d, m)");
    if (!FocusOtherApplication() || !Xdotool({"key", "m"})) return QStringLiteral("<no focus>");
    if (!QTest::qWaitFor([&] { return otherLog_.contains(marker); }, kTimeout)) {
        return QStringLiteral("<no marker>");
    }
    const QString keys = otherLog_.left(otherLog_.indexOf(marker));
    otherLog_.clear();
    return keys;
}

}  // namespace orv::test
