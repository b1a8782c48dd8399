#pragma once

// Whether this program may place its windows itself. X11 lets a client put
// its window anywhere and read where it is; Wayland does neither, so hiding
// at a screen edge, cascading and corner placement are left to the
// compositor there.
namespace KivWindowPlacement {
bool CanPlace();
}
