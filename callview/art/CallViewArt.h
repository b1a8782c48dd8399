#pragma once

#include <QImage>

// The call window's three pictures, drawn here and built into the program.
namespace CallViewArt {

// 33 x 11: the close cross in three 11 x 11 states (normal, hover, pressed).
QImage CloseSprite();
// 33 x 2: the minimise bar in the same three states.
QImage MinimizeSprite();
// 21 x 23: a small camera on a rounded badge.
QImage Logo();

}  // namespace CallViewArt
