#pragma once

// The size of the desktop in pixels; 0 x 0 when there is none.
struct CorvoScreenSize {
    int width = 0;
    int height = 0;
};
