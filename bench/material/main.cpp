#include <benchmark/benchmark.h>

#include <QGuiApplication>

// The material is made with the toolkit's PDF writer, which needs its fonts, not a display.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
