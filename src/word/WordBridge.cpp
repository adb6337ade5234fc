#include "word/WordBridge.h"

#include "word/Logging.h"
#include "word/WriterBackend.h"

#include <QCoreApplication>

#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

namespace orv::word {

using detail::WriterBackend;
using Clock = std::chrono::steady_clock;

struct Receipt::State {
    std::mutex mutex;
    std::condition_variable ended;
    Delivery delivery = Delivery::Pending;

    void End(Delivery outcome) {
        {
            std::lock_guard lock(mutex);
            delivery = outcome;
        }
        ended.notify_all();
    }
};

Receipt Receipt::Ended(Delivery outcome) {
    auto state = std::make_shared<State>();
    state->delivery = outcome;
    return Receipt(std::move(state));
}

Delivery Receipt::Status() const {
    if (!state_) return Delivery::NoOffice;
    std::lock_guard lock(state_->mutex);
    return state_->delivery;
}

Delivery Receipt::Wait(std::chrono::milliseconds limit) const {
    if (!state_) return Delivery::NoOffice;
    std::unique_lock lock(state_->mutex);
    state_->ended.wait_for(lock, limit, [&] { return state_->delivery != Delivery::Pending; });
    return state_->delivery;
}

namespace {

struct Job {
    const char* name;  // of the operation, for the log
    std::function<Delivery(WriterBackend&)> task;
    QString pipe;
    Clock::time_point deadline;
    std::shared_ptr<Receipt::State> receipt;
};

const char* DeliveryName(Delivery delivery) {
    switch (delivery) {
        case Delivery::Pending:
            return "pending";
        case Delivery::Done:
            return "done";
        case Delivery::NoOffice:
            return "no office";
        case Delivery::NoDocument:
            return "no Writer document";
        case Delivery::TimedOut:
            return "timed out";
    }
    return "?";
}

// How long a stopping bridge lets operations already given reach an office
// that answers, and how long it then waits for the worker to let go.
constexpr std::chrono::milliseconds kDrainOnStop(1000);
constexpr std::chrono::milliseconds kWorkerEndOnStop(2000);

}  // namespace

// The office is driven from one worker thread, so a call to an office that
// hangs blocks there, never on the caller's thread. A second thread, the
// guard, watches the running operation: once it has waited past its
// deadline, the guard closes the connection under it, and the blocked call
// returns, failed.
struct WordBridge::Impl : std::enable_shared_from_this<WordBridge::Impl> {
    std::mutex mutex;
    std::condition_variable wake;   // the worker: a job, or the end
    std::condition_variable watch;  // the guard: a job began or ended, or the end
    std::condition_variable idle;   // Flush and Stop: nothing waits or runs
    std::deque<Job> waiting;
    bool running = false;
    std::uint64_t started = 0;  // counts jobs begun
    Clock::time_point runningDeadline;
    bool runningAborted = false;
    bool stopping = false;
    bool stopped = false;
    bool workerEnded = false;
    std::shared_ptr<WriterBackend> backend;  // made and replaced by the worker
    QString backendPipe;
    std::thread worker;
    std::thread guard;
    std::atomic<Delivery> last{Delivery::Pending};

    // Caller's side, on the user-interface thread only.
    QString pipe;
    QString pendingFont;  // the font of the last first half, for its blank
    Receipt firstHalf;    // the last first half, while no other operation followed

    const std::chrono::milliseconds window;

    Impl(const QString& pipeName, std::chrono::milliseconds deliveryWindow)
        : pipe(pipeName), window(deliveryWindow) {}

    // Under the lock.
    void End(Job& job, Delivery outcome) {
        last.store(outcome);
        job.receipt->End(outcome);
    }

    static void Work(const std::shared_ptr<Impl>& self) {
        std::unique_lock lock(self->mutex);
        while (true) {
            self->wake.wait(lock, [&] { return self->stopping || !self->waiting.empty(); });
            if (self->stopping) break;
            Job job = std::move(self->waiting.front());
            self->waiting.pop_front();
            if (Clock::now() >= job.deadline) {
                qCWarning(lcWord, "%s dropped: the office did not answer in time", job.name);
                self->End(job, Delivery::TimedOut);
                if (self->waiting.empty()) self->idle.notify_all();
                continue;
            }
            std::shared_ptr<WriterBackend> retired;
            if (!self->backend || self->backendPipe != job.pipe) {
                retired = std::exchange(self->backend, std::make_shared<WriterBackend>(job.pipe));
                self->backendPipe = job.pipe;
            }
            const std::shared_ptr<WriterBackend> backend = self->backend;
            // Armed under the lock, so the guard's abort always reaches the
            // backend that runs this job.
            backend->BeginCall();
            self->running = true;
            ++self->started;
            self->runningDeadline = job.deadline;
            self->runningAborted = false;
            self->watch.notify_all();
            lock.unlock();
            if (retired) retired->Disconnect();
            retired.reset();
            Delivery outcome = Delivery::NoOffice;
            try {
                outcome = job.task(*backend);
            } catch (const std::exception& e) {
                qCWarning(lcWord, "%s failed: %s", job.name, e.what());
            } catch (...) {
                qCWarning(lcWord, "%s failed with an unknown exception", job.name);
            }
            lock.lock();
            self->running = false;
            if (self->runningAborted) {
                // The guard closed the connection: let go of everything
                // from it before the next job connects again.
                qCWarning(lcWord, "%s timed out: the connection to the office was closed",
                          job.name);
                outcome = Delivery::TimedOut;
                lock.unlock();
                backend->Disconnect();
                lock.lock();
            }
            self->watch.notify_all();
            if (outcome != Delivery::Done) {
                qCDebug(lcWord, "%s: %s", job.name, DeliveryName(outcome));
            }
            self->End(job, outcome);
            if (self->waiting.empty()) self->idle.notify_all();
        }
        std::shared_ptr<WriterBackend> backend = std::move(self->backend);
        lock.unlock();
        if (backend) backend->Disconnect();
        backend.reset();
        lock.lock();
        self->workerEnded = true;
        self->idle.notify_all();
    }

    static void Guard(const std::shared_ptr<Impl>& self) {
        std::unique_lock lock(self->mutex);
        while (true) {
            self->watch.wait(lock, [&] { return self->stopping || self->running; });
            if (self->stopping) break;
            const std::uint64_t job = self->started;
            const auto same = [&] {
                return self->stopping || !self->running || self->started != job;
            };
            if (self->watch.wait_until(lock, self->runningDeadline, same)) continue;
            self->runningAborted = true;
            const std::shared_ptr<WriterBackend> stuck = self->backend;
            lock.unlock();
            if (stuck) stuck->Abort();
            lock.lock();
            self->watch.wait(lock, same);
        }
    }

    Receipt Submit(const char* name, std::function<Delivery(WriterBackend&)> task,
                   bool probe = false) {
        firstHalf = Receipt();  // another operation comes between the halves
        auto receipt = std::make_shared<Receipt::State>();
        std::unique_lock lock(mutex);
        if (stopping || stopped) {
            receipt->End(Delivery::NoOffice);
            return Receipt(receipt);
        }
        if (probe && (running || !waiting.empty())) {
            // The operations under way will tell soon enough.
            receipt->End(last.load());
            return Receipt(receipt);
        }
        if (!worker.joinable()) {
            try {
                worker = std::thread([self = shared_from_this()] { Work(self); });
                guard = std::thread([self = shared_from_this()] { Guard(self); });
            } catch (...) {
                // No thread to be had: nothing can reach the office.
                qCWarning(lcWord, "The document bridge cannot start its threads");
                stopping = true;
                wake.notify_all();
                watch.notify_all();
                receipt->End(Delivery::NoOffice);
                return Receipt(receipt);
            }
        }
        if (waiting.size() >= static_cast<std::size_t>(kMaxWaiting)) {
            qCWarning(lcWord, "%s dropped: %d operations wait for the office already",
                      waiting.front().name, kMaxWaiting);
            End(waiting.front(), Delivery::TimedOut);
            waiting.pop_front();
        }
        waiting.push_back({name, std::move(task), pipe, Clock::now() + window, receipt});
        wake.notify_one();
        return Receipt(receipt);
    }

    bool Flush(std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex);
        return idle.wait_for(lock, limit, [&] {
            return (waiting.empty() && !running) || workerEnded || !worker.joinable();
        });
    }

    void Stop() {
        std::unique_lock lock(mutex);
        if (stopped) return;
        if (!worker.joinable()) {
            stopped = true;
            return;
        }
        idle.wait_for(lock, kDrainOnStop, [&] { return waiting.empty() && !running; });
        stopping = true;
        if (!waiting.empty()) {
            qCWarning(lcWord, "%d operations dropped: the document bridge stops",
                      static_cast<int>(waiting.size()));
        }
        for (Job& job : waiting) End(job, Delivery::TimedOut);
        waiting.clear();
        wake.notify_all();
        watch.notify_all();
        const std::shared_ptr<WriterBackend> busy = running ? backend : nullptr;
        if (busy) runningAborted = true;
        lock.unlock();
        // A call blocked on an office that hangs returns once the
        // connection is closed under it.
        if (busy) busy->Abort();
        lock.lock();
        const bool ended = idle.wait_for(lock, kWorkerEndOnStop, [&] { return workerEnded; });
        stopped = true;
        lock.unlock();
        if (guard.joinable()) guard.join();
        // A worker still stuck in a call the office never answers and the
        // closed connection could not end is left behind; it owns what it
        // uses.
        if (ended) {
            worker.join();
        } else {
            qCWarning(lcWord, "The office does not answer: the document bridge leaves its worker");
            worker.detach();
        }
    }
};

namespace {
// Made on first use and never destroyed: a destructor run at the process's
// exit would reach the office's libraries after they have torn themselves
// down. The application's end stops it instead.
WordBridge* sharedBridge = nullptr;
DocumentTarget* testTarget = nullptr;
}  // namespace

DocumentTarget& Document() { return testTarget ? *testTarget : WordBridge::Shared(); }

void SetDocumentTargetForTesting(DocumentTarget* target) { testTarget = target; }

QString WordBridge::DefaultPipeName() {
    // ORVANTA_OFFICE_PIPE names another pipe: the test suites point the
    // program at an office of their own with it, so they never reach the
    // user's Writer.
    const QString chosen = qEnvironmentVariable("ORVANTA_OFFICE_PIPE");
    if (!chosen.isEmpty()) return chosen;
    return QStringLiteral("orvanta%1").arg(static_cast<qulonglong>(::getuid()));
}

WordBridge& WordBridge::Shared() {
    if (!sharedBridge) {
        sharedBridge = new WordBridge();
        if (QCoreApplication::instance()) qAddPostRoutine(&WordBridge::ShutdownShared);
    }
    return *sharedBridge;
}

void WordBridge::ShutdownShared() {
    if (sharedBridge) sharedBridge->impl_->Stop();
}

WordBridge::WordBridge(const QString& pipeName, std::chrono::milliseconds window)
    : impl_(std::make_shared<Impl>(pipeName, window)) {}

WordBridge::~WordBridge() { impl_->Stop(); }

QString WordBridge::PipeName() const { return impl_->pipe; }

void WordBridge::SetPipeName(const QString& pipeName) { impl_->pipe = pipeName; }

Delivery WordBridge::LastDelivery() const { return impl_->last.load(); }

bool WordBridge::Flush(std::chrono::milliseconds limit) { return impl_->Flush(limit); }

Receipt WordBridge::InsertInFont(const QString& text, const QString& fontName, bool blank) {
    impl_->pendingFont.clear();
    return impl_->Submit("InsertInFont", [text, fontName, blank](WriterBackend& backend) {
        return backend.InsertInFont(text, fontName, blank);
    });
}

Receipt WordBridge::InsertFontAndText(const QString& text, const QString& fontName) {
    impl_->pendingFont = fontName;
    Receipt receipt = impl_->Submit("InsertFontAndText", [text, fontName](WriterBackend& backend) {
        return backend.InsertFontAndText(text, fontName);
    });
    impl_->firstHalf = text.isEmpty() ? Receipt() : receipt;
    return receipt;
}

Receipt WordBridge::InsertBlankAndMove(bool blank) {
    const QString fontName = std::exchange(impl_->pendingFont, QString());
    // The first half leaves the insertion point after its text: without a
    // blank there is nothing left to do, and the commit is the first half's.
    if (Receipt first = std::exchange(impl_->firstHalf, Receipt()); !blank && first.Valid()) {
        return first;
    }
    return impl_->Submit("InsertBlankAndMove", [blank, fontName](WriterBackend& backend) {
        return backend.InsertBlankAndMove(blank, fontName);
    });
}

Receipt WordBridge::InsertText(const QString& text) {
    return impl_->Submit("InsertText",
                         [text](WriterBackend& backend) { return backend.InsertText(text); });
}

Receipt WordBridge::NewParagraph() {
    return impl_->Submit("NewParagraph",
                         [](WriterBackend& backend) { return backend.NewParagraph(); });
}

Receipt WordBridge::CopySelection() {
    return impl_->Submit("CopySelection",
                         [](WriterBackend& backend) { return backend.CopySelection(); });
}

Receipt WordBridge::Probe() {
    return impl_->Submit(
        "Probe", [](WriterBackend& backend) { return backend.Probe(); }, true);
}

}  // namespace orv::word
