# Benchmarks of the notes area.
