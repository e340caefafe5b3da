# Benchmarks of the find area.
