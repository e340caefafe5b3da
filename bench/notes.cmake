# Benchmarks of the notes area.
qb_add_bench(bench_notelist bench_notelist.cpp)
