#include "support/Desktop.h"

#include <QTest>

#include <signal.h>
#include <sys/prctl.h>

#include <functional>

// X11 last: its macros clash with Qt's names.
#include <X11/Xlib.h>

namespace orv::test {

namespace {

constexpr int kTimeout = 20000;

// A window property's bytes (32-bit values as longs).
QByteArray Property(Display* d, Window w, const char* name) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, 1024, False, AnyPropertyType, &type,
                       &format, &count, &after, &data);
    const QByteArray value(
        reinterpret_cast<const char*>(data),
        data ? qsizetype(count * (format == 32 ? sizeof(long) : format / 8)) : 0);
    if (data) XFree(data);
    return value;
}

long Cardinal(Display* d, Window w, const char* name) {  // the first 32-bit value, or -1
    const QByteArray v = Property(d, w, name);
    return v.size() >= qsizetype(sizeof(long)) ? *reinterpret_cast<const long*>(v.data()) : -1;
}

}  // namespace

std::unique_ptr<QProcess> StartHelper(const QString& program, const QStringList& arguments,
                                      const QProcessEnvironment& extra) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DBUS_SESSION_BUS_ADDRESS");  // the tray icon docks through XEmbed
    environment.insert(extra);
    process->setProcessEnvironment(environment);
    process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process->start(program, arguments);
    process->waitForStarted(10000);
    return process;
}

bool Xdotool(const QStringList& arguments) {
    const auto process = StartHelper("xdotool", arguments);
    return process->waitForFinished(15000) && process->exitStatus() == QProcess::NormalExit &&
           process->exitCode() == 0;
}

QList<unsigned long> Desktop::Windows(long pid, bool trayIcons, const QString& title) {
    Display* d = display_;
    QList<unsigned long> found;
    // Down from the root (into frames, into a tray's windows), noting another program's above.
    const std::function<void(Window, bool)> walk = [&](Window w, bool embedded) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        XWindowAttributes a;
        const long owner = Cardinal(d, w, "_NET_WM_PID");
        embedded |= owner != -1 && owner != pid;
        if (owner == pid && embedded == trayIcons && XGetWindowAttributes(d, w, &a) &&
            a.map_state == IsViewable &&
            (title.isEmpty() || QString::fromUtf8(Property(d, w, "_NET_WM_NAME")) == title))
            found << w;
        if (!XQueryTree(d, w, &root, &parent, &children, &count)) return;
        const QList<Window> below(children, children + count);
        if (children) XFree(children);
        for (Window child : below) walk(child, embedded);
    };
    walk(DefaultRootWindow(d), false);
    return found;
}

QRect Desktop::Geometry(unsigned long window) {
    Display* d = display_;
    XWindowAttributes a;
    int x = 0, y = 0;
    Window child = 0;
    if (!XGetWindowAttributes(d, window, &a)) return {};
    XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &x, &y, &child);
    return {x, y, a.width, a.height};
}

void Desktop::Close(unsigned long window) {
    Display* d = display_;
    XEvent event{};
    event.xclient = {
        ClientMessage, 0, False, d, window, XInternAtom(d, "WM_PROTOCOLS", False), 32, {}};
    event.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));  // at CurrentTime
    XSendEvent(d, window, False, NoEventMask, &event);
    XFlush(d);
}

unsigned long Desktop::FocusWindow() {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    return focus;
}

bool Desktop::GrabCtrlShiftKey(const char* keysym) {
    Display* d = display_;
    const KeyCode code = XKeysymToKeycode(d, XStringToKeysym(keysym));
    XGrabKey(d, code, ControlMask | ShiftMask, DefaultRootWindow(d), False, GrabModeAsync,
             GrabModeAsync);
    XSync(d, False);
    return code != 0;
}

Desktop::~Desktop() {
    if (display_) XCloseDisplay(display_);  // before its server goes
    for (auto* helper : {other_.get(), tray_.get(), windowManager_.get(), server_.get()})
        if (helper) helper->kill(), helper->waitForFinished(kTimeout);
}

bool Desktop::TrayRuns() {
    const Atom tray = XInternAtom(
        display_, "_NET_SYSTEM_TRAY_S" + QByteArray::number(DefaultScreen(display_)), False);
    return XGetSelectionOwner(display_, tray) != None;
}

bool Desktop::StartTray() {
    tray_ = StartHelper("trayer", {"--edge", "top", "--align", "right", "--widthtype", "request",
                                   "--height", "24", "--expand", "false"});
    return QTest::qWaitFor([this] { return TrayRuns(); }, kTimeout);
}

bool Desktop::StopTray() {
    tray_->kill();
    return tray_->waitForFinished(kTimeout) && QTest::qWaitFor([this] { return !TrayRuns(); });
}

QString Desktop::Start() {
    // -displayfd picks a free display and writes its number once it accepts connections.
    server_ = StartHelper(
        "Xvfb", {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset"});
    QByteArray number;
    while (!number.contains('\n') && server_->waitForReadyRead(kTimeout))
        number += server_->readAllStandardOutput();
    qputenv("DISPLAY", ":" + number.trimmed());
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });  // windows go while looked at
    if (number.trimmed().isEmpty() || !home_.isValid() || !(display_ = XOpenDisplay(nullptr)))
        return "Xvfb did not start";
    Display* d = display_;
    QProcessEnvironment home;  // openbox reads no configuration of the user's
    home.insert("HOME", home_.path());
    home.insert("XDG_CONFIG_HOME", home_.path());
    windowManager_ = StartHelper("openbox", {}, home);
    if (!QTest::qWaitFor(
            [d] { return Cardinal(d, DefaultRootWindow(d), "_NET_SUPPORTING_WM_CHECK") > 0; },
            kTimeout))
        return "openbox did not start";
    if (!StartTray()) return "the tray did not start";
    // Line-buffered: xev's first line (its window) must not wait for the first event.
    other_ =
        StartHelper("stdbuf", {"-oL", "xev", "-geometry", "300x200+400+300", "-event", "keyboard"});
    QObject::connect(other_.get(), &QProcess::readyReadStandardOutput, other_.get(), [this] {
        otherLog_ += QString::fromLocal8Bit(other_->readAllStandardOutput());
    });
    if (!QTest::qWaitFor([this] { return otherLog_.contains("Outer window is"); }, kTimeout))
        return "xev did not start";
    const QString outer = otherLog_.section("Outer window is ", 1).section(',', 0, 0);
    otherWindow_ = QString::number(outer.toULong(nullptr, 16));
    return FocusOtherApplication() ? QString() : "xev did not take the focus";
}

bool Desktop::FocusOtherApplication() {
    return Xdotool({"windowactivate", "--sync", otherWindow_}) &&
           QTest::qWaitFor([this] { return QString::number(FocusWindow()) == otherWindow_; },
                           kTimeout);
}

QString Desktop::KeysReachingOtherApplication() {
    const QLatin1String marker("(keysym 0x6d, m)");
    if (!FocusOtherApplication() || !Xdotool({"key", "m"})) return "<no focus>";
    if (!QTest::qWaitFor([&] { return otherLog_.contains(marker); }, kTimeout))
        return "<no marker>";
    const QString keys = otherLog_.left(otherLog_.indexOf(marker));
    otherLog_.clear();
    return keys;
}

}  // namespace orv::test
