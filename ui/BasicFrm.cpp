#include "ui/BasicFrm.h"

FormatSettings& ProcessFormatSettings() {
    static FormatSettings settings;
    return settings;
}

TBasicForm::TBasicForm(TFormFace& face) : Face(face) {}

TBasicForm::~TBasicForm() = default;

void TBasicForm::FormCreate() { InitOnCreate(); }

void TBasicForm::FormShow() { InitOnShow(); }

bool TBasicForm::FormClose() { return true; }

void TBasicForm::FormDestroy() {}

void TBasicForm::Click(FormControl) {}

void TBasicForm::MessageReceived(int) {}

void TBasicForm::TimerFired(int) {}

void TBasicForm::InitOnShow() {}

void TBasicForm::InitOnCreate() {
    // The window font ("宋体" 9 pt, GB2312) is the face's: it puts every window in
    // kWindowFont when it creates it.
    ProcessFormatSettings() = FormatSettings{};
}
