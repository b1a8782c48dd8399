#include "KivWindowPlacement.h"

#include "KivDisplay.h"

bool KivWindowPlacement::CanPlace() {
    return KivCurrentDisplay() != KivDisplayKind::Wayland;
}
