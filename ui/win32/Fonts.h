// Fonts of the windows and the scaling of their pixel layout: the layout is drawn
// at 96 dpi and scaled to the system's DPI, as the program declares itself
// system-DPI aware.
#pragma once

#include <windows.h>

namespace win32ui {

// The system DPI (96 when the system does not say).
int SystemDpi();
// A length of the 96-dpi layout at the system DPI.
int Scale(int pixelsAt96);
RECT ScaleRect(int left, int top, int width, int height);

// "宋体" with a character height in pixels at 96 dpi (scaled); where that face is
// not installed, the first installed of its usual stand-ins.
HFONT CreateChineseFont(int charHeightAt96, bool bold, BYTE charset);
// The windows' font: "宋体" 9 pt, GB2312.
HFONT CreateWindowFont();

// The face CreateChineseFont uses on this system (UTF-16).
const wchar_t* ChineseFaceName();

}  // namespace win32ui
