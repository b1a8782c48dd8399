#pragma once

#include <algorithm>

// The wait before the next try after a failed one: `first` after the first
// failure (current 0), then twice as long each time, never more than `most`.
inline int KivNextRetryMs(int current, int first, int most) {
    return current == 0 ? first : std::min(current * 2, most);
}
