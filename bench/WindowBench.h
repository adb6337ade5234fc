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
    QApplication app(argc, argv);
    app::InstallFontSubstitutions();
    if (setUp && !setUp()) return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace orv::bench
