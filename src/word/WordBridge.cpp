#include "word/WordBridge.h"

#include "app/SharedValues.h"
#include "word/WriterBackend.h"

#include <unistd.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

namespace orv::word {

using detail::WriterBackend;
using Clock = std::chrono::steady_clock;

// The office is driven from one worker thread: a call to an office that
// hangs blocks there, never on the caller's thread. The caller hands over
// one operation at a time and waits for it at most CallBound(); when the
// wait runs out, the connection is closed under the blocked call, which then
// returns, failed.
struct WordBridge::Impl : std::enable_shared_from_this<WordBridge::Impl> {
    std::mutex mutex;
    std::condition_variable wake;  // the worker: a job, or the end
    std::condition_variable done;  // the caller: the job finished
    std::function<bool(WriterBackend&)> job;
    QString jobPipe;
    std::uint64_t submitted = 0;
    std::uint64_t finished = 0;
    bool result = false;
    bool busy = false;  // a job runs, possibly one the caller gave up on
    bool stopping = false;
    bool workerEnded = false;
    std::uint64_t abandoned = 0;             // a job the caller gave up on
    std::shared_ptr<WriterBackend> backend;  // made and replaced by the worker
    QString backendPipe;
    std::thread worker;

    // Caller's side, on the user-interface thread only.
    QString pipe;
    Clock::time_point quietUntil;
    QString pendingFont;  // the font of the last first half, for its blank

    explicit Impl(const QString& pipeName) : pipe(pipeName) {}

    static void Work(const std::shared_ptr<Impl>& self) {
        std::unique_lock lock(self->mutex);
        while (true) {
            self->wake.wait(lock,
                            [&] { return self->stopping || self->submitted > self->finished; });
            if (self->stopping) break;
            const std::uint64_t id = self->submitted;
            auto task = std::move(self->job);
            self->job = nullptr;
            bool ok = false;
            if (self->abandoned != id) {
                // Made and armed under the lock, so an Abort from the caller
                // always reaches the backend that runs this job.
                std::shared_ptr<WriterBackend> retired;
                if (!self->backend || self->backendPipe != self->jobPipe) {
                    retired = std::exchange(self->backend,
                                            std::make_shared<WriterBackend>(self->jobPipe));
                    self->backendPipe = self->jobPipe;
                }
                const std::shared_ptr<WriterBackend> backend = self->backend;
                backend->BeginCall();
                lock.unlock();
                if (retired) retired->Disconnect();
                retired.reset();
                try {
                    ok = task && task(*backend);
                } catch (...) {
                }
                lock.lock();
                if (self->abandoned == id) {
                    // The caller gave up and closes the connection: let go
                    // of everything from it now.
                    lock.unlock();
                    backend->Disconnect();
                    lock.lock();
                }
            }
            self->finished = id;
            self->result = ok;
            self->busy = false;
            self->done.notify_all();
        }
        std::shared_ptr<WriterBackend> backend = std::move(self->backend);
        lock.unlock();
        if (backend) backend->Disconnect();
        backend.reset();
        lock.lock();
        self->workerEnded = true;
        self->done.notify_all();
    }

    bool Call(std::function<bool(WriterBackend&)> task) {
        if (Clock::now() < quietUntil) return false;
        std::unique_lock lock(mutex);
        if (busy || stopping) return false;  // an abandoned call still runs
        if (!worker.joinable()) {
            try {
                worker = std::thread([self = shared_from_this()] { Work(self); });
            } catch (...) {
                return false;  // no thread to be had: the operation fails
            }
        }
        job = std::move(task);
        jobPipe = pipe;
        busy = true;
        const std::uint64_t id = ++submitted;
        wake.notify_one();
        if (done.wait_for(lock, CallBound(), [&] { return finished == id; })) return result;

        // The office did not answer in time: close the connection under the
        // blocked call and leave the office alone for a while.
        quietUntil = Clock::now() + QuietAfterHang();
        abandoned = id;
        const std::shared_ptr<WriterBackend> stuck = backend;
        lock.unlock();
        if (stuck) stuck->Abort();
        return false;
    }

    void Stop() {
        std::unique_lock lock(mutex);
        if (!worker.joinable()) return;
        stopping = true;
        wake.notify_one();
        const std::shared_ptr<WriterBackend> running = busy ? backend : nullptr;
        lock.unlock();
        // A call blocked on an office that hangs returns once the
        // connection is closed under it.
        if (running) running->Abort();
        lock.lock();
        const bool ended =
            done.wait_for(lock, std::chrono::seconds(2), [&] { return workerEnded; });
        lock.unlock();
        // A worker still stuck (in a connect the office never completes)
        // is left behind; it owns what it uses.
        if (ended) {
            worker.join();
        } else {
            worker.detach();
        }
    }
};

QString WordBridge::DefaultPipeName() {
    // ORVANTA_OFFICE_PIPE names another pipe: the test suites point the
    // program at an office of their own with it, so they never reach the
    // user's Writer.
    const QString chosen = qEnvironmentVariable("ORVANTA_OFFICE_PIPE");
    if (!chosen.isEmpty()) return chosen;
    return QStringLiteral("orvanta%1").arg(static_cast<qulonglong>(::getuid()));
}

WordBridge& WordBridge::Shared() {
    static WordBridge bridge;
    return bridge;
}

WordBridge::WordBridge(const QString& pipeName) : impl_(std::make_shared<Impl>(pipeName)) {}

WordBridge::~WordBridge() { impl_->Stop(); }

QString WordBridge::PipeName() const { return impl_->pipe; }

void WordBridge::SetPipeName(const QString& pipeName) {
    impl_->pipe = pipeName;
    impl_->quietUntil = Clock::time_point();
}

bool WordBridge::InsertInFont(const QString& text, const QString& fontName) {
    const bool blank = app::InsertSpace == 1;
    impl_->pendingFont.clear();
    return impl_->Call([text, fontName, blank](WriterBackend& backend) {
        return backend.InsertInFont(text, fontName, blank);
    });
}

bool WordBridge::InsertFontAndText(const QString& text, const QString& fontName) {
    impl_->pendingFont = fontName;
    return impl_->Call([text, fontName](WriterBackend& backend) {
        return backend.InsertFontAndText(text, fontName);
    });
}

bool WordBridge::InsertBlankAndMove() {
    const bool blank = app::InsertSpace == 1;
    const QString fontName = std::exchange(impl_->pendingFont, QString());
    return impl_->Call([blank, fontName](WriterBackend& backend) {
        return backend.InsertBlankAndMove(blank, fontName);
    });
}

bool WordBridge::InsertText(const QString& text) {
    return impl_->Call([text](WriterBackend& backend) { return backend.InsertText(text); });
}

bool WordBridge::NewParagraph() {
    return impl_->Call([](WriterBackend& backend) { return backend.NewParagraph(); });
}

bool WordBridge::CopySelection() {
    return impl_->Call([](WriterBackend& backend) { return backend.CopySelection(); });
}

}  // namespace orv::word
