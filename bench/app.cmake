# Benchmarks of the application shell.
qb_add_bench(bench_startup WIDGETS SOURCES bench_startup.cpp)
