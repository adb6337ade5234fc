// A private desktop: an X server of its own, openbox as it comes, a tray, xev to type into.
#pragma once

#include <QProcess>
#include <QRect>
#include <QTemporaryDir>

#include <memory>

struct _XDisplay;

namespace orv::test {

// A program on the test's display without a session bus, dying with the test process.
std::unique_ptr<QProcess> StartHelper(const QString& program, const QStringList& arguments,
                                      const QProcessEnvironment& extra = {});
bool Xdotool(const QStringList& arguments);  // true when it succeeded

// All of it ends with this object, and with the test process however it ends.
class Desktop {
  public:
    ~Desktop();
    QString Start();  // empty once all are there (DISPLAY points there), else what failed
    // Visible windows of `pid`: its tray icons, or its others titled `title` (any when empty).
    QList<unsigned long> Windows(long pid, bool trayIcons, const QString& title = {});
    QRect Geometry(unsigned long window);
    void Close(unsigned long window);  // as a window manager's close button asks
    unsigned long FocusWindow();
    bool GrabCtrlShiftKey(const char* keysym);  // for this connection, as another program would
    bool FocusOtherApplication();
    bool StopTray();  // the notification area goes, and comes back with StartTray
    bool StartTray();
    // The keys xev received since the last call, up to a marker key typed now.
    QString KeysReachingOtherApplication();

  private:
    bool TrayRuns();
    _XDisplay* display_ = nullptr;
    QTemporaryDir home_;
    std::unique_ptr<QProcess> server_, windowManager_, tray_, other_;
    QString otherWindow_, otherLog_;
};

}  // namespace orv::test
