// The common start of the benchmarks that drive the program's windows:
// an offscreen application with the program's font names, an optional
// set-up step, then the benchmarks named on the command line.
#pragma once

#include "app/Fonts.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <functional>

namespace orv::bench {

inline int RunWindowBenchmarks(int argc, char** argv, const std::function<bool()>& setUp = {}) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The windows write through the program-wide bridge: never into the
    // user's Writer (a benchmark that wants an office points it there).
    if (qEnvironmentVariableIsEmpty("ORVANTA_OFFICE_PIPE")) {
        qputenv("ORVANTA_OFFICE_PIPE", "orvbench-no-office");
    }
    QApplication app(argc, argv);
    app::InstallFontSubstitutions();
    if (setUp && !setUp()) return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace orv::bench
