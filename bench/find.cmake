# Benchmarks of the find area.
qb_add_bench(bench_find bench_find.cpp)
