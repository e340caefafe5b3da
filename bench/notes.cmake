# Benchmarks of the notes area.
qb_add_bench(bench_notelist bench_notelist.cpp)
qb_add_bench(bench_notetext bench_notetext.cpp)
