// The help manual and the authors' page, each opened with the desktop's
// default handler without waiting for it.
#pragma once

#include <QString>

namespace orv::shell {

// The manual's file name; it lies in the program's folder.
inline constexpr const char* kHelpFileName = "orvanta-help.html";

// The manual's full path: the program's folder and kHelpFileName.
QString HelpFilePath();

// Opens the manual. The handler runs on its own; the program goes on.
void ShowHelp();

// Opens the authors' page in the default browser.
void OpenAuthorsPage();

}  // namespace orv::shell
