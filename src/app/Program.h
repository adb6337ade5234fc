// Program-wide services: opening the reference database, message boxes,
// ending the program, and the single-instance guard.
#pragma once

#include <QString>

class QFontMetrics;

#include <functional>

namespace orv::app {

// The title of every message box and window of the program.
QString ApplicationTitle();

// The folder the program runs from, as Qt reports it (no trailing separator
// except for the root).
QString ProgramFolder();
// Where the reference database is: "orvbase.mdb" in ProgramFolder(), or
// in the installed program folder when not there.
QString AppDatabasePath();

// Opens the reference database into AppDatabase, releasing what it held.
// On failure shows "unexpected error" (unless `quiet`), leaves AppDatabase
// as it was and answers false.
bool OpenAppDatabase(bool quiet = false);

// How wide a message box must be for its title to show beside the window
// manager's buttons.
int MessageBoxMinimumWidth(const QFontMetrics& metrics, const QString& title);
// A modal message box with the text, an OK button and the program's title.
void ShowMessage(const QString& text);
// Set for a short while on the window that was active when a message box
// closed: its coming activation is the box handing back, not the user.
inline constexpr const char* kReturningFromMessage = "orvantaReturningFromMessage";

// Ends the program at once with `status` (1 after a failure): no window
// gets a further notification and nothing is saved.
void EndProgram(int status = 0);

// Tests replace the two user-visible effects above with their own.
void SetMessageHandlerForTesting(std::function<void(const QString&)> handler);
void SetEndProgramHandlerForTesting(std::function<void(int)> handler);
// Tests point the program folder elsewhere (empty text: the real one).
void SetProgramFolderForTesting(const QString& folder);

// Claims the single-instance lock for this user and display. Answers false
// when another instance holds it. The lock lasts as long as the process.
bool ClaimSingleInstance();
// True once ClaimSingleInstance() has taken the lock (not when it let the
// program run for want of a place for the lock).
bool HoldsSingleInstanceLock();
// The lock file name for a user and display, for tests.
QString SingleInstanceLockPath(const QString& display);
// The display this process runs on ($DISPLAY, else $WAYLAND_DISPLAY), and a
// display name made safe for a file name.
QString CurrentDisplay();
QString SafeDisplayName(const QString& display);

}  // namespace orv::app
