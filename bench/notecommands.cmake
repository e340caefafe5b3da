# Benchmarks of the note commands.
qb_add_bench(bench_notecommands WIDGETS SOURCES bench_notecommands.cpp)
