// Orvanta: a writing aid for the Siddham and Lantsa scripts.
#include "app/Fonts.h"
#include "app/Program.h"
#include "app/Windows.h"
#include "converter/ConverterWindow.h"
#include "dictionary/DictionaryWindows.h"
#include "shell/Shell.h"

#include <QApplication>

int main(int argc, char** argv) {
    // A second start ends at once, silently, before anything else.
    if (!orv::app::ClaimSingleInstance()) return 0;

    QApplication app(argc, argv);
    QApplication::setApplicationName(orv::app::ApplicationTitle());
    QApplication::setQuitOnLastWindowClosed(false);
    orv::app::InstallBundledFonts(orv::app::ProgramFolder());
    orv::app::InstallFontSubstitutions();
    orv::app::SetShowTool(orv::app::Tool::Converter, [] { orv::converter::frmHVConv()->show(); });
    orv::app::SetShowTool(orv::app::Tool::Dictionary, [] { orv::dictionary::frmMdict()->show(); });

    // The host window's load: tray icon, hot keys, shared values; then the
    // main window.
    orv::shell::StartProgram();
    return QApplication::exec();
}
