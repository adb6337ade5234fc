// orvanta-ibus: the IBus engine process. ibus-daemon starts it with --ibus
// from the component file; it then owns the component's bus name and the
// daemon asks its factory for an engine per input context. One GLib main
// loop; no Qt event loop.
#include "ime/ibus/Engine.h"

#include <QFile>
#include <QFileInfo>

#include <glib-unix.h>
#include <ibus.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr const char* kUsage =
    "Usage: orvanta-ibus --ibus\n"
    "The IBus engine of Orvanta: Siddham (orvanta-siddham) and Lantsa\n"
    "(orvanta-lantsa) typed by transliteration in any application.\n"
    "\n"
    "  --ibus   started by ibus-daemon, from the component file\n"
    "           (share/ibus/component/orvanta.xml). ibus-daemon 1.5 starts\n"
    "           its engines itself and ignores one started by hand, so\n"
    "           without --ibus the engine only says so. Choose an engine\n"
    "           with `ibus engine orvanta-siddham` or in the IBus settings.\n"
    "  --help   show this text.\n"
    "\n"
    "The reference database orvbase.mdb is read from the program's own\n"
    "folder, else from the installed program folder or $ORVANTA_DATA_DIR.\n"
    "QT_LOGGING_RULES=\"orvanta.ime.ibus.debug=true\" (in the daemon's\n"
    "environment) logs more to the daemon's output (ibus-daemon --verbose).\n";

// The folder the binary is in (the program folder once installed), from
// the link the kernel keeps, so no Qt application object is needed.
QString ProgramFolder() {
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).path();
}

gboolean Quit(gpointer) {
    ibus_quit();
    return G_SOURCE_REMOVE;
}

}  // namespace

int main(int argc, char** argv) {
    bool byDaemon = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--ibus") == 0) {
            byDaemon = true;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            std::fprintf(stderr, "orvanta-ibus: unknown option %s\n%s", argv[i], kUsage);
            return 2;
        }
    }

    if (!byDaemon) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    ibus_init();
    // IBus objects start with a floating reference: own them.
    IBusBus* bus = IBUS_BUS(g_object_ref_sink(ibus_bus_new()));
    if (!ibus_bus_is_connected(bus)) {
        qCWarning(orv::ime::lcIBus, "No IBus daemon to connect to: is ibus-daemon running?");
        g_object_unref(bus);
        return 1;
    }

    QString error;
    std::unique_ptr<orv::data::Database> db =
        orv::data::OpenReferenceDatabase(ProgramFolder(), &error);
    if (!db) {
        qCWarning(orv::ime::lcIBus, "Keys pass through, the reference database cannot be used: %s",
                  qUtf8Printable(error));
    }
    orv::ime::SetEngineDatabase(db.get());
    orv::engine::WordInput words(db.get());
    orv::ime::SetEngineWords(&words);

    // The daemon ends its engines with SIGTERM, and a lost daemon ends the
    // bus: both leave the loop, so everything is released in order.
    g_signal_connect(bus, "disconnected", G_CALLBACK(+[](IBusBus*, gpointer) { ibus_quit(); }),
                     nullptr);
    g_unix_signal_add(SIGTERM, Quit, nullptr);
    g_unix_signal_add(SIGINT, Quit, nullptr);

    IBusFactory* factory =
        IBUS_FACTORY(g_object_ref_sink(ibus_factory_new(ibus_bus_get_connection(bus))));
    for (const orv::ime::EngineInfo& info : orv::ime::kEngines) {
        ibus_factory_add_engine(factory, info.name, orv::ime::EngineType());
    }
    int status = 0;
    if (ibus_bus_request_name(bus, orv::ime::kBusName, 0) !=
        IBUS_BUS_REQUEST_NAME_REPLY_PRIMARY_OWNER) {
        qCWarning(orv::ime::lcIBus, "The bus name %s is taken", orv::ime::kBusName);
        status = 1;
    } else {
        qCDebug(orv::ime::lcIBus, "Serving %s", orv::ime::kBusName);
        ibus_main();
    }

    // Destroying the factory ends the engines it made.
    ibus_object_destroy(IBUS_OBJECT(factory));
    g_object_unref(factory);
    g_object_unref(bus);
    orv::ime::SetEngineWords(nullptr);
    orv::ime::SetEngineDatabase(nullptr);
    return status;
}
