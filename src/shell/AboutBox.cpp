#include "shell/AboutBox.h"

#include "app/Twips.h"
#include "app/Windows.h"
#include "shell/Artwork.h"
#include "shell/Help.h"
#include "shell/KeyboardHandler.h"
#include "shell/Shell.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace orv::shell {

using app::Px;
using app::TwipRect;

AboutBox::AboutBox() : app::AppWindow(nullptr, Qt::Window) {
    setObjectName(QStringLiteral("fAbout"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(Px(6570), Px(4095));

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setText(QStringLiteral("The manual: %1").arg(QLatin1String(kHelpFileName)));
    QFont font = Label1->font();
    font.setUnderline(true);
    Label1->setFont(font);
    QPalette palette = Label1->palette();
    palette.setColor(QPalette::WindowText, QColor(0x1a, 0x4d, 0x9c));
    Label1->setPalette(palette);
    Label1->setCursor(Qt::PointingHandCursor);
    QRect geometry = TwipRect(270, 3690, 2550, 270);
    geometry.setWidth(qMax(geometry.width(), Label1->sizeHint().width()));
    Label1->setGeometry(geometry);
    Label1->installEventFilter(this);
}

void AboutBox::OnLoad() {
    Picture = AboutPicture();
    app::SetTopmost(this);
    // The host stays the handler; the box's own hook keeps the hot keys
    // going through it while the box is open.
    KeyboardHandler::SetHookHandler(&Fboard().Get());
    KeyboardHandler::InstallKeyboardHook();
}

void AboutBox::OnUnload() {
    KeyboardHandler::RemoveKeyboardHook();
    app::ShowMainWindow();
}

void AboutBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, Picture);
}

bool AboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label1 && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            Label1->rect().contains(mouse->position().toPoint())) {
            ShowHelp();
            return true;
        }
    }
    return app::AppWindow::eventFilter(watched, event);
}

}  // namespace orv::shell
