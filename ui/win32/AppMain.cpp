// cardfmt-gui.exe: the card formatting desk's window program on Windows.
//   cardfmt-gui [--trace] [--dir FOLDER]
// --trace also writes every frame sent and accepted to stderr (see TraceOutput.h);
// --dir makes FOLDER the working directory before the window is made. What it says
// before the window exists (help, a bad option) comes in a message box too.
#include "gui_start/GuiStart.h"
#include "platform/DebugChannel.h"
#include "ui/FormLayout.h"
#include "ui/MainFrm.h"
#include "ui/win32/MessageLoop.h"
#include "ui/win32/MsgBox.h"
#include "ui/win32/StartMessage.h"
#include "ui/win32/TraceOutput.h"
#include "ui/win32/Win32Form.h"

#include <commctrl.h>
#include <windows.h>

#include <memory>
#include <sstream>

int main(int argc, char** argv) {
    GuiStartOptions start;
    std::ostringstream out, err;
    if (auto exitCode = PrepareGuiStart(argc, argv, start, out, err, ToolkitOptions::None)) {
        win32ui::ReportBeforeWindow(out.str(), err.str(), *exitCode != 0);
        return *exitCode;
    }
    if (start.trace) {
        win32ui::ConnectTraceStderr();
        platform::EnableDebugChannel(true);
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    // This thread owns the windows: the card watcher's dialogs open here.
    MessageDialogThread dialogs;

    TWin32Form* form = TWin32Form::Create(
        MainFormLayout(), [](TFormFace& face) { return std::make_unique<TMainForm>(face); }, true);
    if (!form) {
        // The system refused the window (out of window handles, a desktop being shut
        // down): say so rather than end without a word.
        win32ui::ReportBeforeWindow("", "cardfmt-gui: the window could not be made\n", true);
        return 1;
    }
    form->Show();
    return win32ui::RunMessageLoop();
}
