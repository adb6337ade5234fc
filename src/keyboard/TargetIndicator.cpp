#include "keyboard/TargetIndicator.h"

#include <algorithm>

namespace orv::keyboard {

using word::Delivery;

void TargetIndicator::Track(const word::Receipt& receipt, Clock::time_point now) {
    if (receipt.Valid()) tracked_.push_back({receipt, now});
}

void TargetIndicator::Update(Delivery last, Clock::time_point now) {
    bool stalled = false;
    int waiting = 0;
    for (const Tracked& t : tracked_) {
        const Delivery outcome = t.receipt.Status();
        if (outcome == Delivery::Pending) {
            ++waiting;
            stalled = stalled || now - t.given >= kPatience;
        } else if (outcome == Delivery::Done) {
            notWritten_ = 0;
        } else if (outcome == Delivery::TimedOut) {
            ++notWritten_;
        }
    }
    std::erase_if(tracked_,
                  [](const Tracked& t) { return t.receipt.Status() != Delivery::Pending; });
    waiting_ = waiting;
    // An office that let a write time out has not gone: it does not answer,
    // and what is written now waits for it, until it answers or goes.
    if (stalled || last == Delivery::TimedOut) {
        state_ = State::Waiting;
    } else if (last == Delivery::Done) {
        state_ = State::Writer;
    } else {
        state_ = State::History;
    }
}

QString TargetIndicator::Text() const {
    if (notWritten_ > 0) return QStringLiteral("%1 not written").arg(notWritten_);
    switch (state_) {
        case State::Writer:
            return QStringLiteral("\u2192 Writer");
        case State::Waiting:
            return waiting_ > 0 ? QStringLiteral("\u231B Writer (%1)").arg(waiting_)
                                : QStringLiteral("\u231B Writer");
        case State::History:
            break;
    }
    return QStringLiteral("\u2192 history");
}

QString TargetIndicator::ToolTip() const {
    QString tip;
    switch (state_) {
        case State::Writer:
            tip = QStringLiteral("Picked glyphs go into the Writer document.");
            break;
        case State::Waiting:
            tip = QStringLiteral(
                      "Writer does not answer: %1 waiting. A pick waits up to ten seconds "
                      "for it and is not written if Writer has not answered by then.")
                      .arg(waiting_ == 1 ? QStringLiteral("1 pick is")
                                         : QStringLiteral("%1 picks are").arg(waiting_));
            break;
        case State::History:
            tip = QStringLiteral(
                "No Writer document takes the glyphs now: they go only to the history (Expand).");
            break;
    }
    if (notWritten_ > 0) {
        tip = QStringLiteral(
                  "%1 not written into the document: Writer did not answer in "
                  "time. ")
                  .arg(notWritten_ == 1 ? QStringLiteral("1 pick was")
                                        : QStringLiteral("%1 picks were").arg(notWritten_)) +
              tip;
    }
    return tip;
}

}  // namespace orv::keyboard
