// cardfmt-gui: the card formatting desk's window program.
#include "platform/DebugChannel.h"
#include "ui/qt/QtMainForm.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setApplicationName("发卡格式机");
    if (app.arguments().contains("--trace")) platform::EnableDebugChannel(true);
    auto* form = new QtMainForm;
    form->show();
    return app.exec();
}
