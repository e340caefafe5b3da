# Benchmarks of the encoder area.
