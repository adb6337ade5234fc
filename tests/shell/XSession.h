// A private X session for the tests that need the desktop: their own Xvfb
// (global key grabs and the keyboard focus are server-wide, so they must
// not meet other tests' windows), the helper programs a user's desktop
// would have (a tray, xdotool, another client), and a few questions asked of
// the X server through a connection of the test's own.
#pragma once

#include <QList>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>

namespace orv::test {

// Starts Xvfb on a free display and points DISPLAY at it; call before the
// application object exists. The server ends with this object (and with the
// test process, however it ends).
class PrivateXServer {
  public:
    PrivateXServer() = default;
    ~PrivateXServer();
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    bool Start(QString* error);
    QString Display() const { return display_; }

  private:
    long pid_ = -1;
    QString display_;
};

// Starts a program on the test's display, without a session bus. It is
// killed when the test process ends, even by a crash.
std::unique_ptr<QProcess> StartHelper(const QString& program, const QStringList& arguments,
                                      const QProcessEnvironment& extra = {});

// The standalone tray, docked at the top right of the screen.
std::unique_ptr<QProcess> StartTray();

// Runs xdotool with the arguments and waits for it; true when it succeeded.
bool Xdotool(const QStringList& arguments);

// Questions for the X server.
class XProbe {
  public:
    XProbe();
    ~XProbe();
    XProbe(const XProbe&) = delete;
    XProbe& operator=(const XProbe&) = delete;

    bool Ok() const { return display_ != nullptr; }

    // Whether a tray owns the notification area.
    bool TrayRunning();
    // Screen rectangles of the tray icons that process `pid` has docked.
    QList<QRect> TrayIcons(long pid);
    // Top-level windows of process `pid` on screen, with the given title
    // (any title when empty).
    QList<unsigned long> ShownWindows(long pid, const QString& title = QString());
    QRect Geometry(unsigned long window);
    // Asks a window to close, as a window manager's close button does.
    void Close(unsigned long window);
    // The window with the keyboard focus.
    unsigned long FocusWindow();
    // Takes Ctrl+key for this connection, as another program would.
    bool GrabCtrlKey(const char* keysym);
    void UngrabCtrlKey(const char* keysym);

  private:
    void* display_ = nullptr;
};

}  // namespace orv::test
