# Benchmark targets of deskgrab.
