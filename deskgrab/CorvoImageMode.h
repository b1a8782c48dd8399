#pragma once

// Placement of the still image: whole, or around a centred 800 x 600 or
// 720 x 576 area that keeps its previous content.
enum class CorvoImageMode { Whole = 0, Around800x600 = 1, Around720x576 = 2 };
