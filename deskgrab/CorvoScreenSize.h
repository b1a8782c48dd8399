#pragma once

// The size of the desktop in pixels; 0 x 0 when there is none. A source
// whose picture is chosen only when the capture starts (a screen cast) has
// no size before that: it is unknown, not empty.
struct CorvoScreenSize {
    int width = 0;
    int height = 0;
    bool known = true;

    static CorvoScreenSize Unknown() { return {0, 0, false}; }
};
