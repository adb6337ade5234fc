// One UNO connection to an office that accepts connections on a named pipe.
// Internal to the document bridge and its tests: this header brings in UNO
// types and must stay out of every header the rest of the program includes.
#pragma once

#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <rtl/ustring.hxx>

#include <QString>

#include <memory>
#include <mutex>

namespace orv::word::detail {

namespace css = ::com::sun::star;
using ::rtl::OUString;

// The process's own UNO context: the office's type libraries and the
// connector and bridge services. Made on first use, kept for the life of the
// process. Throws a UNO exception when the office's libraries are missing.
css::uno::Reference<css::uno::XComponentContext> LocalContext();

OUString ToOUString(const QString& text);
QString ToQString(const OUString& text);

// UNO keeps one proxy per office object in a process: a second connection
// to the same office from this process would receive the first one's
// proxies, and its own bridge, left without any, closes at once. The program
// keeps one connection per office; it releases every office object before
// it connects again.
class OfficeConnection {
  public:
    explicit OfficeConnection(const QString& pipeName);
    ~OfficeConnection();
    OfficeConnection(const OfficeConnection&) = delete;
    OfficeConnection& operator=(const OfficeConnection&) = delete;

    // The office's component context. Connects first when there is no live
    // connection; a connection that broke (office gone, or Abort) is made
    // again. Throws a UNO exception when the office cannot be reached.
    css::uno::Reference<css::uno::XComponentContext> Context();

    // True while a connection is made and not known to be broken.
    bool Connected() const;

    // Closes the connection. Callable from any thread: calls blocked on the
    // office (one that hangs) return at once with a DisposedException. A
    // connection being made while Abort runs is closed as soon as it exists.
    void Abort();
    // Lets the next Context() connect again after an Abort.
    void ClearAbort();

    // Closes the connection, if any, from the thread that uses it.
    void Disconnect();

  private:
    struct State;
    std::shared_ptr<State> state_;
    OUString connectString_;
};

}  // namespace orv::word::detail
