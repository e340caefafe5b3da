# Benchmarks of the notes area.
qb_add_bench(bench_notelist SOURCES bench_notelist.cpp)
qb_add_bench(bench_notetext WIDGETS SOURCES bench_notetext.cpp)
