// The faces that stand in for "宋体" where it is not installed (a Windows without
// the Chinese fonts, wine, a Linux desk), in the order of preference: the first
// installed one is taken. Both faces of the windows use this one list.
#pragma once

#include <array>

struct StandInFace {
    const char* family;
    // A twin of the family with drawn bitmaps for the small sizes, as 宋体 has,
    // or nullptr. A face that draws text without smoothing (Win32 GDI) takes the
    // twin where it is installed: the outlines alone lose strokes at 12 pixels.
    const char* bitmapTwin;
};

inline constexpr std::array<StandInFace, 8> kSongTiStandIns{{
    {"SimSun", nullptr},
    {"NSimSun", nullptr},
    {"Noto Serif CJK SC", nullptr},
    {"Noto Sans CJK SC", nullptr},
    {"Source Han Sans SC", nullptr},
    {"Microsoft YaHei", nullptr},
    {"WenQuanYi Zen Hei", "WenQuanYi Zen Hei Sharp"},
    {"WenQuanYi Micro Hei", nullptr},
}};
