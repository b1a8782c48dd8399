#pragma once

#include <QtGlobal>

// User and system time a process has used so far, in seconds (0 when it is gone).
double KivProcessCpuSeconds(qint64 pid);
