#pragma once

// libavcodec writes what it finds wrong with each packet to standard error:
// a call that receives damaged packets would print a line for every one of
// them into the client's terminal. KivAvLogQuiet installs the log callback
// of the process: below warnings nothing is written, and of warnings and
// errors one line a second at most, saying how many were left out.
void KivAvLogQuiet();

// The callback's rate: at most one line per this many milliseconds.
inline constexpr int KivAvLogIntervalMs = 1000;
