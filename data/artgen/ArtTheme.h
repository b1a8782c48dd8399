#pragma once

#include <QColor>

// The one palette shared by every generated picture. The hand-written style
// sheets use the same values (see data/README.md), so keep both in step.
namespace ArtTheme {

inline const QColor kAccent{0x3A, 0x8E, 0xE6};
inline const QColor kAccentHover{0x5A, 0xA1, 0xEC};
inline const QColor kAccentPress{0x2C, 0x76, 0xC7};
inline const QColor kAccentDisabled{0xA9, 0xCB, 0xF2};
inline const QColor kAccentSoft{0xEA, 0xF3, 0xFD};
inline const QColor kAccentSoftStrong{0xD6, 0xE8, 0xFB};
inline const QColor kBandTop{0x3A, 0x8E, 0xE6};
inline const QColor kBandBottom{0x62, 0xAD, 0xF3};

inline const QColor kIcon{0x7C, 0x85, 0x94};
inline const QColor kIconLight{0xA8, 0xB0, 0xBC};

inline const QColor kSurface{0xFF, 0xFF, 0xFF};
inline const QColor kSurfaceAlt{0xF5, 0xF7, 0xFA};
inline const QColor kBorder{0xDC, 0xDF, 0xE6};
inline const QColor kBorderStrong{0xC0, 0xC4, 0xCC};
inline const QColor kSeparator{0xEB, 0xEE, 0xF5};

inline const QColor kDanger{0xF5, 0x6C, 0x6C};
inline const QColor kDangerHover{0xF7, 0x89, 0x89};
inline const QColor kDangerPress{0xDD, 0x61, 0x61};
inline const QColor kCloseHover{0xE5, 0x48, 0x4D};
inline const QColor kClosePress{0xC7, 0x38, 0x3D};

inline const QColor kSuccess{0x34, 0xC2, 0x7A};
inline const QColor kSuccessHover{0x52, 0xD0, 0x8F};
inline const QColor kSuccessPress{0x2A, 0xA8, 0x68};

inline const QColor kBubble{232, 232, 232};

// Window corner radius, the same as the window mask of the frameless base.
constexpr qreal kWindowRadius = 7.0;
// Radius of buttons and fields.
constexpr qreal kControlRadius = 4.0;

}  // namespace ArtTheme
