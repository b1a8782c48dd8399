#pragma once

class QElapsedTimer;

// Figures the user-interface benchmarks print.
// Wall time since the timer started, in milliseconds.
double KivElapsedMs(const QElapsedTimer& timer);
// CPU time of the calling thread: what work costs whatever else the machine runs.
double KivThreadCpuMs();
// This process's resident memory.
double KivResidentMegabytes();
