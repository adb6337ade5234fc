// Orvanta: a writing aid for the Siddham and Lantsa scripts.
#include "app/AppWindow.h"
#include "app/Fonts.h"
#include "app/Program.h"
#include "app/SharedValues.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The host window: the first window loaded; its load is the start-up
// sequence. It stays out of sight. This stand-in only sets the shared values
// and shows a small status window until the real shell arrives.
class HostWindow : public orv::app::AppWindow {
  protected:
    void OnLoad() override {
        orv::app::ResetSharedValues();
        auto* status = new QWidget();
        status->setAttribute(Qt::WA_DeleteOnClose);
        status->setWindowTitle(orv::app::ApplicationTitle());
        auto* layout = new QVBoxLayout(status);
        const bool ok = orv::app::OpenAppDatabase();
        layout->addWidget(new QLabel(
            ok ? QStringLiteral("Reference database ready: %1").arg(orv::app::AppDatabasePath())
               : QStringLiteral("The reference database could not be opened.")));
        auto* exit = new QPushButton(QStringLiteral("Exit"));
        layout->addWidget(exit);
        QObject::connect(exit, &QPushButton::clicked, [] { orv::app::EndProgram(); });
        status->show();
    }
    void OnUnload() override { orv::app::EndProgram(); }
};

orv::app::SharedWindow<HostWindow> Fboard;

}  // namespace

int main(int argc, char** argv) {
    // A second start ends at once, silently, before anything else.
    if (!orv::app::ClaimSingleInstance()) return 0;

    QApplication app(argc, argv);
    QApplication::setApplicationName(orv::app::ApplicationTitle());
    QApplication::setQuitOnLastWindowClosed(false);
    orv::app::InstallFontSubstitutions();

    Fboard->EnsureLoaded();
    return QApplication::exec();
}
