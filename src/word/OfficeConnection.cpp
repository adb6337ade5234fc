#include "word/OfficeConnection.h"

#include "word/Logging.h"

#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/connection/Connector.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XEventListener.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/implbase1.hxx>
#include <rtl/bootstrap.hxx>

#include <csignal>
#include <cstdint>
#include <functional>

namespace orv::word::detail {

namespace uno = css::uno;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

// Disposes a bridge, swallowing whatever it throws.
void DisposeQuietly(const Reference<css::lang::XComponent>& bridge) {
    if (!bridge.is()) return;
    try {
        bridge->dispose();
    } catch (const uno::Exception& e) {
        qCWarning(lcWord, "Closing the connection to the office failed: %s",
                  qUtf8Printable(ToQString(e.Message)));
    } catch (...) {
        qCWarning(lcWord, "Closing the connection to the office failed with an unknown exception");
    }
}

}  // namespace

Reference<uno::XComponentContext> LocalContext() {
    static std::once_flag once;
    static Reference<uno::XComponentContext>* context = nullptr;
    std::call_once(once, [] {
        // Writing to a pipe whose office has gone raises SIGPIPE, which would
        // end the program; the failed write is reported as an error instead.
        std::signal(SIGPIPE, SIG_IGN);
        const OUString program = "file://" ORV_OFFICE_PROGRAM_DIR;
        rtl::Bootstrap::set("URE_INTERNAL_LIB_DIR", program);
        rtl::Bootstrap::set("UNO_TYPES", program + "/types.rdb " + program + "/types/offapi.rdb");
        rtl::Bootstrap::set("UNO_SERVICES", program + "/services.rdb");
        try {
            // Kept for the life of the process: it is never torn down, so no
            // exit-time destructor runs against the office's libraries.
            context = new Reference<uno::XComponentContext>(
                cppu::defaultBootstrap_InitialComponentContext());
        } catch (const uno::Exception& e) {
            qCWarning(lcWord, "The office's UNO libraries in %s could not be loaded: %s",
                      ORV_OFFICE_PROGRAM_DIR, qUtf8Printable(ToQString(e.Message)));
            context = new Reference<uno::XComponentContext>();
        } catch (...) {
            qCWarning(lcWord, "The office's UNO libraries in %s could not be loaded",
                      ORV_OFFICE_PROGRAM_DIR);
            context = new Reference<uno::XComponentContext>();
        }
    });
    if (!context->is()) {
        throw uno::RuntimeException("The office's UNO libraries could not be loaded");
    }
    return *context;
}

OUString ToOUString(const QString& text) {
    return OUString(reinterpret_cast<const sal_Unicode*>(text.utf16()),
                    static_cast<sal_Int32>(text.size()));
}

QString ToQString(const OUString& text) {
    return QString(reinterpret_cast<const QChar*>(text.getStr()), text.getLength());
}

struct OfficeConnection::State {
    std::mutex mutex;
    Reference<css::lang::XComponent> bridge;
    Reference<uno::XComponentContext> remote;
    std::uint64_t generation = 0;  // counts connections made
    bool broken = false;           // the current connection has closed
    bool aborted = false;          // Abort ran since the last ClearAbort
};

namespace {

// Tells its owner when a bridge is disposed: the office went away, or Abort
// closed the connection.
class BridgeListener : public cppu::WeakImplHelper1<css::lang::XEventListener> {
  public:
    explicit BridgeListener(std::function<void()> onDisposed)
        : onDisposed_(std::move(onDisposed)) {}

    void SAL_CALL disposing(const css::lang::EventObject&) override { onDisposed_(); }

  private:
    std::function<void()> onDisposed_;
};

}  // namespace

OfficeConnection::OfficeConnection(const QString& pipeName)
    : state_(std::make_shared<State>()), connectString_("pipe,name=" + ToOUString(pipeName)) {}

OfficeConnection::~OfficeConnection() { Disconnect(); }

Reference<uno::XComponentContext> OfficeConnection::Context() {
    {
        std::lock_guard lock(state_->mutex);
        if (state_->aborted) throw css::lang::DisposedException("connection aborted");
        if (state_->remote.is() && !state_->broken) return state_->remote;
    }
    Disconnect();

    const Reference<uno::XComponentContext> local = LocalContext();
    const Reference<css::connection::XConnector> connector =
        css::connection::Connector::create(local);
    const Reference<css::connection::XConnection> connection = connector->connect(connectString_);
    const Reference<css::bridge::XBridge> bridge =
        css::bridge::BridgeFactory::create(local)->createBridge(OUString(), "urp", connection,
                                                                nullptr);
    const Reference<css::lang::XComponent> component(bridge, UNO_QUERY_THROW);

    std::uint64_t generation = 0;
    bool abortedMeanwhile = false;
    {
        std::lock_guard lock(state_->mutex);
        generation = ++state_->generation;
        state_->bridge = component;
        state_->broken = false;
        abortedMeanwhile = state_->aborted;
    }
    if (abortedMeanwhile) {
        Disconnect();
        throw css::lang::DisposedException("connection aborted");
    }
    std::weak_ptr<State> weak = state_;
    component->addEventListener(new BridgeListener([weak, generation] {
        if (const auto state = weak.lock()) {
            std::lock_guard lock(state->mutex);
            if (state->generation == generation) state->broken = true;
        }
    }));

    // The first call that needs an answer from the office: with an office
    // that hangs it blocks here until Abort disposes the bridge.
    Reference<uno::XComponentContext> remote;
    try {
        remote.set(bridge->getInstance("StarOffice.ComponentContext"), UNO_QUERY_THROW);
    } catch (...) {
        Disconnect();
        throw;
    }
    bool closed = false;
    {
        std::lock_guard lock(state_->mutex);
        closed = state_->generation != generation || state_->broken;
        if (!closed) state_->remote = remote;
    }
    if (closed) {
        remote.clear();
        Disconnect();
        throw css::lang::DisposedException("connection closed while it was made");
    }
    return remote;
}

bool OfficeConnection::Connected() const {
    std::lock_guard lock(state_->mutex);
    return state_->remote.is() && !state_->broken;
}

void OfficeConnection::Abort() {
    Reference<css::lang::XComponent> bridge;
    {
        std::lock_guard lock(state_->mutex);
        state_->aborted = true;
        bridge = state_->bridge;
    }
    DisposeQuietly(bridge);
}

void OfficeConnection::ClearAbort() {
    std::lock_guard lock(state_->mutex);
    state_->aborted = false;
}

void OfficeConnection::Disconnect() {
    Reference<css::lang::XComponent> bridge;
    Reference<uno::XComponentContext> remote;
    {
        std::lock_guard lock(state_->mutex);
        bridge = state_->bridge;
        remote = state_->remote;
        state_->bridge.clear();
        state_->remote.clear();
        state_->broken = false;
        ++state_->generation;
    }
    DisposeQuietly(bridge);
    // The remote reference is released after the bridge is gone, so the
    // release does not wait on an office that no longer answers.
    remote.clear();
}

}  // namespace orv::word::detail
