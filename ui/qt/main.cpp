// cardfmt-gui: the card formatting desk's window program.
#include "gui_start/GuiStart.h"
#include "platform/DebugChannel.h"
#include "ui/FormTexts.h"
#include "ui/qt/QtMainForm.h"

#include <QApplication>
#include <iostream>

int main(int argc, char** argv) {
    GuiStartOptions start;
    if (auto exitCode = PrepareGuiStart(argc, argv, start, std::cout, std::cerr)) return *exitCode;
    QApplication app(argc, argv);
    app.setApplicationName(formtext::kApplicationName);
    if (start.trace) platform::EnableDebugChannel(true);
    auto* form = new QtMainForm;
    form->show();
    return app.exec();
}
