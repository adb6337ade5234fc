// The document operations of a build without the Writer bridge
// (ORVANTA_WRITER=OFF): no office is ever reached, so every operation ends
// at once as with no office listening, and picks go only to the keyboard's
// history. The first one says why in the log.
#include "word/Logging.h"
#include "word/WriterBackend.h"

#include <atomic>

namespace orv::word::detail {

namespace {

Delivery NoWriter() {
    static std::atomic_flag told = ATOMIC_FLAG_INIT;
    if (!told.test_and_set()) {
        qCWarning(lcWord, "Built without the Writer bridge: nothing goes into a document");
    }
    return Delivery::NoOffice;
}

}  // namespace

struct WriterBackend::Impl {};

WriterBackend::WriterBackend(const QString&) {}
WriterBackend::~WriterBackend() = default;
Delivery WriterBackend::InsertInFont(const QString&, const QString&, bool) { return NoWriter(); }
Delivery WriterBackend::InsertFontAndText(const QString&, const QString&) { return NoWriter(); }
Delivery WriterBackend::InsertBlankAndMove(bool, const QString&) { return NoWriter(); }
Delivery WriterBackend::InsertText(const QString&) { return NoWriter(); }
Delivery WriterBackend::NewParagraph() { return NoWriter(); }
Delivery WriterBackend::CopySelection() { return NoWriter(); }
Delivery WriterBackend::Probe() { return NoWriter(); }
bool WriterBackend::Connected() const { return false; }
void WriterBackend::Abort() {}
void WriterBackend::BeginCall() {}
void WriterBackend::Disconnect() {}

}  // namespace orv::word::detail
