// cardfmt-gui.exe: the card formatting desk's window program on Windows.
//   cardfmt-gui [--trace]
// --trace also writes every frame sent and accepted to stderr (see TraceOutput.h).
#include "platform/DebugChannel.h"
#include "ui/FormLayout.h"
#include "ui/MainFrm.h"
#include "ui/win32/TraceOutput.h"
#include "ui/win32/MessageLoop.h"
#include "ui/win32/MsgBox.h"
#include "ui/win32/Win32Form.h"

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <memory>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--trace") == 0) {
            win32ui::ConnectTraceStderr();
            platform::EnableDebugChannel(true);
        }
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    // This thread owns the windows: the card watcher's dialogs open here.
    MessageDialogThread dialogs;

    TWin32Form* form = TWin32Form::Create(
        MainFormLayout(), [](TFormFace& face) { return std::make_unique<TMainForm>(face); }, true);
    if (!form) return 1;
    form->Show();
    return win32ui::RunMessageLoop();
}
