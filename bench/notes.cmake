# Benchmarks of the notes area.
qb_add_bench(bench_notetext bench_notetext.cpp)
