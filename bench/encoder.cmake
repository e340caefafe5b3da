# Benchmarks of the encoder area.
qb_add_bench(bench_cipher WIDGETS SOURCES bench_cipher.cpp)
