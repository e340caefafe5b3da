# Benchmarks of the find area.
qb_add_bench(bench_find WIDGETS SOURCES bench_find.cpp)
