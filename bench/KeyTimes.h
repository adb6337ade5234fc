// Per-key times of a typing benchmark, reported as its median and 99th
// percentile in microseconds.
#pragma once

#include <benchmark/benchmark.h>

#include <QElapsedTimer>

#include <algorithm>
#include <vector>

namespace orv::bench {

class KeyTimes {
  public:
    void Start() { timer_.start(); }
    void Stop() { micros_.push_back(static_cast<double>(timer_.nsecsElapsed()) / 1000.0); }

    void Report(benchmark::State& state) {
        std::sort(micros_.begin(), micros_.end());
        if (micros_.empty()) return;
        state.counters["key_median_us"] = micros_[micros_.size() / 2];
        state.counters["key_p99_us"] =
            micros_[std::min(micros_.size() - 1, micros_.size() * 99 / 100)];
        state.counters["keys"] = static_cast<double>(micros_.size());
    }

  private:
    QElapsedTimer timer_;
    std::vector<double> micros_;
};

}  // namespace orv::bench
