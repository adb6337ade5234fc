// Orvanta: a writing aid for the Siddham and Lantsa scripts.
#include "app/Fonts.h"
#include "app/Program.h"
#include "app/Requests.h"
#include "app/Windows.h"
#include "converter/ConverterWindow.h"
#include "dictionary/DictionaryWindows.h"
#include "shell/Shell.h"
#include "shell/Systray.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv) {
    using namespace orv;
    // The options are checked before anything else, in a first start as in
    // a second one.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const app::CommandLine command = app::ParseCommandLine(arguments);
    if (command.action == app::CommandLine::Action::Help) {
        std::fputs(qPrintable(app::UsageText()), stdout);
        return 0;
    }
    if (command.action == app::CommandLine::Action::Error) {
        std::fprintf(stderr, "orvanta: %s (see orvanta --help)\n", qUtf8Printable(command.error));
        return 2;
    }
    // A second start asks the running program to open the tool named, or
    // tells it of the start (it shows its main window when it has no icon
    // to click) and ends at once, silently.
    if (!app::ClaimSingleInstance())
        return command.tool ? app::AskRunningProgram(*command.tool) : app::TellRunningProgram();

    QApplication application(argc, argv);
    QApplication::setApplicationName(app::ApplicationTitle());
    QApplication::setQuitOnLastWindowClosed(false);
    app::InstallBundledFonts(app::ProgramFolder());
    app::InstallFontSubstitutions();
    app::SetShowTool(app::Tool::Converter,
                     [] { shell::ShowModeless(converter::frmHVConv().Get()); });
    app::SetShowTool(app::Tool::Dictionary,
                     [] { shell::ShowModeless(dictionary::frmMdict().Get()); });
    app::RequestServer requests([](app::Tool tool) { app::ShowTool(tool); },
                                [] {
                                    if (!shell::NotificationAreaAvailable()) app::ShowMainWindow();
                                });
    requests.Listen();

    // The host window's load: tray icon, hot keys, shared values; then the
    // main window, and the tool the command line names in front of it.
    shell::StartProgram();
    if (command.tool) app::ShowTool(*command.tool);
    return QApplication::exec();
}
