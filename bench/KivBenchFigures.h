#pragma once

class QElapsedTimer;
struct sqlite3;

// Figures the user-interface benchmarks print.
// Wall time since the timer started, in milliseconds.
double KivElapsedMs(const QElapsedTimer& timer);
// CPU time of the calling thread: what work costs whatever else the machine runs.
double KivThreadCpuMs();
// This process's resident memory.
double KivResidentMegabytes();
// Runs one statement on a database the benchmark fills; false (and the
// reason on standard error) when it fails.
bool KivBenchExec(sqlite3* db, const char* sql);
