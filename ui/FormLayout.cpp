#include "ui/FormLayout.h"

#include "ui/FormTexts.h"

#include <array>
#include <stdexcept>

namespace {

using C = FormControl;

// The connection panel's controls sit as TBasicCommForm places them, except that
// the main window moves 停止打开com口 (142 -> 149) and 关闭串口 (271 -> 285).
constexpr std::array kMainFormControls{
    ControlLayout{C::grpCommConfig, C::Form, 11, 8, 405, 105, "", nullptr, true, true, 0, false},
    ControlLayout{C::btnOpenComm, C::grpCommConfig, 14, 17, 101, 39, formtext::kOpenComm, nullptr, true, true, 0,
                  false},
    ControlLayout{C::btnStopComm, C::grpCommConfig, 285, 17, 101, 39, formtext::kStopComm, nullptr, false, true, 1,
                  false},
    ControlLayout{C::btnStopOpening, C::grpCommConfig, 149, 17, 101, 39, formtext::kStopOpening, nullptr, true, true, 2,
                  false},
    ControlLayout{C::lblComStatTips, C::grpCommConfig, 19, 73, 90, 14, formtext::kStatusIdle, &kStatusLabelFont, true,
                  true, 3, true},
    // Never shown: its handler is reached through OnCardFound.
    ControlLayout{C::btnInitCard, C::Form, 306, 132, 103, 48, formtext::kInitCard, &kInitButtonFont, false, false, 1,
                  false},
    ControlLayout{C::btnStartInit, C::Form, 294, 132, 103, 48, formtext::kStartInit, &kInitButtonFont, false, true, 2,
                  false},
};

constexpr FormLayout kMainForm{436, 243, kMainFormControls};

}  // namespace

const FormLayout& MainFormLayout() { return kMainForm; }

const ControlLayout& LayoutOf(const FormLayout& layout, FormControl control) {
    for (const ControlLayout& row : layout.controls)
        if (row.control == control) return row;
    throw std::out_of_range("the window has no such control");
}

ControlKind KindOf(FormControl control) {
    switch (control) {
        case C::Form: return ControlKind::Window;
        case C::grpCommConfig: return ControlKind::GroupBox;
        case C::lblComStatTips: return ControlKind::Label;
        default: return ControlKind::Button;
    }
}

const char* NameOf(FormControl control) {
    switch (control) {
        case C::Form: return "MainForm";
        case C::grpCommConfig: return "grpCommConfig";
        case C::lblComStatTips: return "lblComStatTips";
        case C::btnOpenComm: return "btnOpenComm";
        case C::btnStopOpening: return "btnStopOpening";
        case C::btnStopComm: return "btnStopComm";
        case C::btnInitCard: return "btnInitCard";
        case C::btnStartInit: return "btnStartInit";
    }
    return "";
}
