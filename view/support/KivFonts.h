#pragma once

// The skins name the Windows UI font "微软雅黑"; map it to the CJK font this
// system has, so Chinese text gets simplified-Chinese glyphs.
class KivFonts {
public:
    static void Install();
};
