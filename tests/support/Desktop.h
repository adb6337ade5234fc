// A private desktop as a user has it: an X server of its own (grabs and focus are server-wide),
// openbox with its default configuration, a tray, xev to type into, and an X connection to ask.
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
    // Windows of process `pid` on screen wherever the window manager put them: its tray icons
    // (inside another program's window), or its other windows with the title (any when empty).
    QList<unsigned long> Windows(long pid, bool trayIcons, const QString& title = {});
    QRect Geometry(unsigned long window);
    void Close(unsigned long window);  // as a window manager's close button asks
    unsigned long FocusWindow();
    bool GrabCtrlShiftKey(const char* keysym);  // for this connection, as another program would
    bool FocusOtherApplication();
    // The keys xev received since the last call, up to a marker key typed now.
    QString KeysReachingOtherApplication();

  private:
    _XDisplay* display_ = nullptr;
    QTemporaryDir home_;
    std::unique_ptr<QProcess> server_, windowManager_, tray_, other_;
    QString otherWindow_, otherLog_;
};

}  // namespace orv::test
