#include "ui/win32/StartMessage.h"

#include "ui/FormTexts.h"
#include "ui/win32/MsgBox.h"

#include <iostream>

namespace win32ui {

void ReportBeforeWindow(const std::string& out, const std::string& err, bool failed) {
    std::cout << out << std::flush;
    std::cerr << err << std::flush;
    std::string text = err.empty() ? out : err;
    // The streams end each line; in the box a last line end would be an empty line.
    while (!text.empty() && text.back() == '\n') text.pop_back();
    ShowMessageDialog(text, formtext::kApplicationName, mbOK, failed ? mkError : mkInformation);
}

}  // namespace win32ui
