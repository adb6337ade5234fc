// Where the picks of a keyboard window go, as the small indicator above the
// page number tells it: into a Writer document, waiting for a Writer that
// does not answer (and how many wait), or only into the history. It follows
// the receipts of the window's own writes, so a pick the bridge dropped
// after waiting is counted and told, never passed over.
#pragma once

#include "word/DocumentTarget.h"

#include <QString>

#include <chrono>
#include <vector>

namespace orv::keyboard {

class TargetIndicator {
  public:
    using Clock = std::chrono::steady_clock;
    // A write still unanswered after this long means the office does not
    // answer now (a write to a Writer that answers ends in milliseconds).
    static constexpr std::chrono::milliseconds kPatience{1000};

    enum class State { Writer, Waiting, History };

    // A write of the window's (a pick), given at `now`. Probes are not
    // tracked: one skipped while others run may answer a receipt that never
    // ends; their outcome comes in as the target's last one.
    void Track(const word::Receipt& receipt, Clock::time_point now);
    // Takes in what became of the writes tracked and the target's last
    // outcome.
    void Update(word::Delivery last, Clock::time_point now);

    State Current() const { return state_; }
    int Waiting() const { return waiting_; }        // picks that wait for the office
    int NotWritten() const { return notWritten_; }  // picks dropped since one was written
    QString Text() const;
    QString ToolTip() const;

  private:
    struct Tracked {
        word::Receipt receipt;
        Clock::time_point given;
    };
    std::vector<Tracked> tracked_;
    State state_ = State::History;
    int waiting_ = 0;
    int notWritten_ = 0;
};

}  // namespace orv::keyboard
