#include "shell/MainWindow.h"

#include "app/Program.h"
#include "app/Twips.h"
#include "app/Windows.h"
#include "keyboard/Keyboards.h"
#include "shell/Help.h"
#include "shell/Shell.h"

#include <QFrame>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace orv::shell {

using app::Px;
using app::TwipRect;

namespace {

QAction* AddAction(QMenu* menu, const char* name, const char* caption) {
    QAction* action = menu->addAction(QString::fromLatin1(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

}  // namespace

MainWindow::MainWindow() : app::AppWindow(nullptr, Qt::Window) {
    setObjectName(QStringLiteral("Fmain"));
    setWindowTitle(
        QStringLiteral("%1 %2").arg(app::ApplicationTitle(), QStringLiteral(ORVANTA_VERSION)));

    MenuBar = new QMenuBar(this);
    MenuBar->setObjectName(QStringLiteral("MenuBar"));
    Tools = MenuBar->addMenu(QStringLiteral("Tools"));
    Tools->setObjectName(QStringLiteral("Tools"));
    Input_bar = AddAction(Tools, "Input_bar", "Orvanta");
    pellinor = AddAction(Tools, "pellinor", "Pellinor");
    Dictionary = AddAction(Tools, "Dictionary", "Dictionary");
    Converter = AddAction(Tools, "Converter", "Converter");
    dsh = Tools->addSeparator();
    dsh->setObjectName(QStringLiteral("dsh"));
    exit = AddAction(Tools, "exit", "Exit");
    Help = MenuBar->addMenu(QStringLiteral("Help"));
    Help->setObjectName(QStringLiteral("Help"));
    Contents = AddAction(Help, "Contents", "Contents");
    About = AddAction(Help, "About", "About");

    // The client area lies under the menu bar; its controls are placed in
    // twips from its corner.
    const int menuHeight = MenuBar->sizeHint().height();
    const QSize client(Px(3030), Px(1230));
    MenuBar->setGeometry(0, 0, client.width(), menuHeight);
    auto* area = new QWidget(this);
    area->setObjectName(QStringLiteral("ClientArea"));
    area->setGeometry(QRect(QPoint(0, menuHeight), client));

    Shape1 = new QFrame(area);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setFrameShadow(QFrame::Plain);
    Shape1->setGeometry(TwipRect(45, 60, 2925, 1125));
    const auto button = [area](const char* name, const char* caption, QRect geometry) {
        auto* b = new QPushButton(QString::fromLatin1(caption), area);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(geometry);
        return b;
    };
    CommandButton5 = button("CommandButton5", "Orvanta", TwipRect(120, 135, 1350, 420));
    CommandButton7 = button("CommandButton7", "Pellinor", TwipRect(1575, 135, 1320, 420));
    CommandButton6 = button("CommandButton6", "Dictionary", TwipRect(120, 705, 1335, 420));
    CommandButton3 = button("CommandButton3", "Converter", TwipRect(1590, 690, 1320, 420));
    setTabOrder(CommandButton5, CommandButton7);
    setTabOrder(CommandButton7, CommandButton6);
    setTabOrder(CommandButton6, CommandButton3);
    setFixedSize(client.width(), menuHeight + client.height());

    connect(Input_bar, &QAction::triggered, this, &MainWindow::OpenSiddhamKeyboard);
    connect(CommandButton5, &QPushButton::clicked, this, &MainWindow::OpenSiddhamKeyboard);
    connect(pellinor, &QAction::triggered, this, &MainWindow::OpenLantsaKeyboard);
    connect(CommandButton7, &QPushButton::clicked, this, &MainWindow::OpenLantsaKeyboard);
    connect(Dictionary, &QAction::triggered, this, &MainWindow::OpenDictionary);
    connect(CommandButton6, &QPushButton::clicked, this, &MainWindow::OpenDictionary);
    connect(Converter, &QAction::triggered, this, &MainWindow::OpenConverter);
    connect(CommandButton3, &QPushButton::clicked, this, &MainWindow::OpenConverter);
    connect(exit, &QAction::triggered, this, [] { ExitProgram(); });
    connect(Contents, &QAction::triggered, this, [] { ShowHelp(); });
    connect(About, &QAction::triggered, this, [] { ShowModeless(fAbout().Get()); });
}

// Each tool takes the main window's place: hidden first, then the tool.
void MainWindow::OpenSiddhamKeyboard() {
    hide();
    ShowModeless(keyboard::frmSiddha().Get());
}

void MainWindow::OpenLantsaKeyboard() {
    hide();
    ShowModeless(keyboard::frmLantsa().Get());
}

void MainWindow::OpenDictionary() {
    hide();
    app::ShowTool(app::Tool::Dictionary);
}

void MainWindow::OpenConverter() {
    hide();
    app::ShowTool(app::Tool::Converter);
}

}  // namespace orv::shell
