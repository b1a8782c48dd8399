#include "KivNativeWindow.h"

bool KivNativeWindowSize(std::uintptr_t, int*, int*) {
    return false;
}
