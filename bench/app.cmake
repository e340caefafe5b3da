# Benchmarks of the application shell. bench_startup starts startup_probe once per measured
# program start.
add_executable(startup_probe startup_probe.cpp BareWindow.h)
target_link_libraries(startup_probe PRIVATE qb_ui)
qb_add_bench(bench_startup WIDGETS SOURCES bench_startup.cpp BareWindow.h)
target_compile_definitions(bench_startup PRIVATE QB_STARTUP_PROBE="$<TARGET_FILE:startup_probe>")
add_dependencies(bench_startup startup_probe)
# One large note opened per process, for its peak memory.
add_executable(bignote_probe bignote_probe.cpp)
target_include_directories(bignote_probe PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(bignote_probe PRIVATE qb_ui Qt6::Test)
