// The controls of the windows (buttons, labels, group boxes) made from a layout
// in pixels at 96 dpi, and their text and state, in UTF-8 at this boundary.
#pragma once

#include <windows.h>

#include <string>

namespace win32ui {

struct ControlSpec {
    int id;                        // the control's command number (WM_COMMAND)
    int left, top, width, height;  // at 96 dpi, relative to the parent
    const char* caption;           // UTF-8
    HFONT font;
    bool visible = true;
    bool enabled = true;
};

HWND CreateButton(HWND parent, const ControlSpec& spec);
// A label that takes the size of its text (SizeLabelToText).
HWND CreateLabel(HWND parent, const ControlSpec& spec);
// A group box that holds controls of its own: their notifications and colour
// requests go on to the top-level window, and Tab moves into it.
HWND CreateGroupBox(HWND parent, const ControlSpec& spec);

void SetText(HWND control, const std::string& utf8);
std::string Text(HWND control);
// A label's new text, sized to it and painted at once (its window may be busy).
void SetLabelText(HWND label, const std::string& utf8);
void SizeLabelToText(HWND label);

void Enable(HWND control, bool enabled);
bool Enabled(HWND control);

}  // namespace win32ui
