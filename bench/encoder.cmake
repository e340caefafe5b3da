# Benchmarks of the encoder area.
qb_add_bench(bench_cipher bench_cipher.cpp)
