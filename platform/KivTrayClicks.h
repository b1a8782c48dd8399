#pragma once

// Whether a single click on the tray icon is all the user can give. Trays
// that speak StatusNotifierItem (every Wayland desktop, and X11 desktops
// whose panel hosts such items) report one activation per click and no
// double click, so what a double click does elsewhere must follow a single
// one there.
bool KivTrayOpensOnSingleClick();
