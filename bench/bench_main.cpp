// The main of every benchmark that needs widgets: an offscreen application around Google Benchmark.
#include "BenchApp.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

std::vector<std::function<void()>> &Cleanups()
{
    static std::vector<std::function<void()>> cleanups;
    return cleanups;
}

} // namespace

void qb::bench::atBenchEnd(std::function<void()> cleanup)
{
    Cleanups().push_back(std::move(cleanup));
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const auto &cleanup : Cleanups())
        cleanup();
    return 0;
}
