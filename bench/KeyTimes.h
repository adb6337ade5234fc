// Per-key times of a typing benchmark, reported as its median and 99th
// percentile in microseconds.
#pragma once

#include <benchmark/benchmark.h>

#include <QElapsedTimer>

#include <algorithm>
#include <string>
#include <vector>

namespace orv::bench {

class KeyTimes {
  public:
    void Start() { timer_.start(); }
    void Stop() { micros_.push_back(static_cast<double>(timer_.nsecsElapsed()) / 1000.0); }

    // Counters "<what>_median_us", "<what>_p99_us" and "<what>s".
    void Report(benchmark::State& state, const std::string& what = "key") {
        std::sort(micros_.begin(), micros_.end());
        if (micros_.empty()) return;
        state.counters[what + "_median_us"] = micros_[micros_.size() / 2];
        state.counters[what + "_p99_us"] =
            micros_[std::min(micros_.size() - 1, micros_.size() * 99 / 100)];
        state.counters[what + "s"] = static_cast<double>(micros_.size());
    }

  private:
    QElapsedTimer timer_;
    std::vector<double> micros_;
};

}  // namespace orv::bench
