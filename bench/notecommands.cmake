# Benchmarks of the note commands.
