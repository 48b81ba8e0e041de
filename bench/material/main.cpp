// The frame benchmarks need a QApplication and a GL context: run under a display
// (xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/bench_material).
#include <benchmark/benchmark.h>

#include <QApplication>

#include "app/AppMain.h"

int main(int argc, char** argv) {
    prepareApplication();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
