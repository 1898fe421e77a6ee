// The controls of the main window as both faces create them: where each sits (pixels
// at 96 dpi, relative to its parent), its caption at design time, its font and its
// state at design time. The texts set later, and every change of state, belong to the
// window logic (BasicCommFrm, MainFrm).
#pragma once

#include "ui/FormFace.h"

#include <cstdint>
#include <span>

// A font of the windows. Either pointSize or pixelHeight (character height) is given.
struct FormFont {
    const char* face;
    int pointSize;
    int pixelHeight;
    bool bold;
    int charset;           // 134 GB2312, 0 ANSI
    std::uint32_t colour;  // 0xRRGGBB, or kWindowTextColour
};
inline constexpr std::uint32_t kWindowTextColour = 0xFFFFFFFFu;

// Every window: "宋体" 9 pt (12 px at 96 dpi), GB2312, in the window-text colour.
inline constexpr FormFont kWindowFont{"宋体", 9, 0, false, 134, kWindowTextColour};
// The panel's status label keeps its own font, whatever the window's.
inline constexpr FormFont kStatusLabelFont{"宋体", 0, 14, true, 0, 0x008000};
// The two initialization buttons of the main window.
inline constexpr FormFont kInitButtonFont{"宋体", 0, 16, true, 134, kWindowTextColour};

struct ControlLayout {
    FormControl control;
    FormControl parent;  // Form, or grpCommConfig for the panel's controls
    int left;
    int top;
    int width;
    int height;
    const char* caption;   // UTF-8; empty for none
    const FormFont* font;  // nullptr: the window's font
    bool enabled;
    bool visible;
    int tabOrder;     // among the controls of the same parent
    bool sizeToText;  // a label that sizes itself to its text
};

struct FormLayout {
    int outerWidth;  // the window with its frame
    int outerHeight;
    std::span<const ControlLayout> controls;  // parents before their children
};

// The main window (TMainForm): the connection panel with its two right-hand buttons
// moved, and the two initialization buttons.
const FormLayout& MainFormLayout();

enum class ControlKind { Window, GroupBox, Label, Button };
ControlKind KindOf(FormControl control);
// The control's name as the windows call it ("btnOpenComm"; "MainForm" for Form).
const char* NameOf(FormControl control);

// One control's row; every FormControl but Form has one.
const ControlLayout& LayoutOf(const FormLayout& layout, FormControl control);
