# Benchmark targets of netsou.
