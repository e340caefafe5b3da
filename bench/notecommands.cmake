# Benchmarks of the note commands.
qb_add_bench(bench_notecommands bench_notecommands.cpp)
