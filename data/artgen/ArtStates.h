#pragma once

#include <QString>
#include <array>

#include "ArtShapes.h"

// The file name suffix of each button state: "x.png", "x_hover.png",
// "x_press.png", "x_disabled.png".
struct ArtStateFile {
    ArtState state;
    const char* suffix;
};

inline constexpr std::array<ArtStateFile, 4> kAllStates{{{ArtState::Normal, ""},
                                                         {ArtState::Hover, "_hover"},
                                                         {ArtState::Press, "_press"},
                                                         {ArtState::Disabled, "_disabled"}}};
inline constexpr std::array<ArtStateFile, 3> kLiveStates{
    {{ArtState::Normal, ""}, {ArtState::Hover, "_hover"}, {ArtState::Press, "_press"}}};

// "folder/name" + state suffix + ".png".
inline QString artStateFile(const QString& stem, const ArtStateFile& state) {
    return stem + QLatin1String(state.suffix) + QStringLiteral(".png");
}
