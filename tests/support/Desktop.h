// A private desktop for the tests that need one, as a user has it: an X
// server of the test's own (key grabs and the keyboard focus are
// server-wide, so they must not meet other tests' windows), a real window
// manager with its default configuration, a tray, another application to
// type into, xdotool for the user's hands, and questions asked of the X
// server through a connection of the test's own.
#pragma once

#include <QList>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace orv::test {

// Starts a program on the test's display, without a session bus. It is
// killed when the test process ends, even by a crash.
std::unique_ptr<QProcess> StartHelper(const QString& program, const QStringList& arguments,
                                      const QProcessEnvironment& extra = {});

// Runs xdotool with the arguments and waits for it; true when it succeeded.
bool Xdotool(const QStringList& arguments);

// Questions for the X server, and a client of its own.
class XProbe {
  public:
    XProbe();
    ~XProbe();
    XProbe(const XProbe&) = delete;
    XProbe& operator=(const XProbe&) = delete;

    bool Ok() const { return display_ != nullptr; }

    // Whether a window manager, and a tray, run on the display.
    bool WindowManagerRunning();
    bool TrayRunning();
    // Screen rectangles of the tray icons that process `pid` has docked.
    QList<QRect> TrayIcons(long pid);
    // Windows of process `pid` on screen, with the given title (any title
    // when empty), found wherever the window manager has put them.
    QList<unsigned long> ShownWindows(long pid, const QString& title = QString());
    QRect Geometry(unsigned long window);
    // Asks a window to close, as a window manager's close button does.
    void Close(unsigned long window);
    // The window with the keyboard focus, or the top-level window holding
    // it (a window manager may focus a frame's child).
    unsigned long FocusWindow();
    // Takes a key with Ctrl and the named extra modifiers ("shift", "alt")
    // for this connection, as another program would.
    bool GrabKey(const char* keysym, const QStringList& modifiers);

  private:
    void* display_ = nullptr;
};

// The desktop: an X server of its own (DISPLAY points there once started),
// window manager, tray and another application (xev, whose window the tests
// focus and whose log tells which keys reached it). It all ends with this
// object, and with the test process however it ends.
class Desktop {
  public:
    Desktop();
    ~Desktop();
    // Starts them all and waits until each is there.
    bool Start(QString* error);

    XProbe& Probe() { return *probe_; }
    // Gives the other application the focus.
    bool FocusOtherApplication();
    // The keys the other application has received since the last call,
    // up to a marker key typed now (everything sent before it has arrived).
    QString KeysReachingOtherApplication();

  private:
    QTemporaryDir home_;
    std::unique_ptr<QProcess> server_;
    std::unique_ptr<XProbe> probe_;
    std::unique_ptr<QProcess> windowManager_;
    std::unique_ptr<QProcess> tray_;
    std::unique_ptr<QProcess> other_;
    QString otherWindow_;
    QString otherLog_;
};

}  // namespace orv::test
