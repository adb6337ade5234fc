// The program's own pictures, drawn rather than shipped: the icon of its
// windows and of the notification area, and the about box's credits.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace orv::shell {

// The program icon: the Siddham letter A on the dark red tile of the
// desktop icon.
QIcon ProgramIcon();

// The about box's background: name and version, a line of Siddham, what
// changed, the fonts and libraries the program stands on, and the
// invitation to the authors' page (whose address the box shows below it).
QPixmap AboutPicture();

// The line of Siddham the picture shows.
QString AboutSiddhamLine();

}  // namespace orv::shell
