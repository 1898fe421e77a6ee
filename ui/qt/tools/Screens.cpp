// cardfmt-screens OUTDIR: renders the main window in its states (idle, scanning,
// connected, running, unplugged) and the message dialogs to PNG files, driving the real window
// against the simulated reader linked as com3.
#include "card_init/CardInit.h"
#include "platform/PortNames.h"
#include "sim/SimReader.h"
#include "ui/FormTexts.h"
#include "ui/qt/MsgBox.h"
#include "ui/qt/QtMainForm.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

void Save(QWidget* w, const QString& dir, const QString& name) {
    QApplication::processEvents();
    const QString path = dir + "/" + name + ".png";
    if (!w->grab().save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    else
        std::printf("%s\n", qPrintable(path));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setApplicationName(formtext::kApplicationName);
    if (argc < 2) {
        std::fprintf(stderr, "usage: cardfmt-screens OUTDIR\n");
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);

    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit() + "/config");
    const std::filesystem::path table = platform::PortTableFolder();
    std::filesystem::create_directories(table);
    for (int n : {1, 2})
        std::filesystem::create_symlink(home.path().toStdString() + "/none", table / ("com" + std::to_string(n)));
    sim::SimReader reader;
    reader.LinkAs("com3");

    QDir::setCurrent(home.path());
    QFile("Tolvane.exe").open(QIODevice::WriteOnly);
    QFile("KelmConfig.ini").open(QIODevice::WriteOnly);

    auto* form = new QtMainForm;
    form->show();
    Save(form, out, "main-idle");

    QTimer::singleShot(0, [&] { Save(form, out, "main-scanning"); });
    form->btnOpenComm->click();
    Save(form, out, "main-connected");

    form->btnStartInit->click();
    Save(form, out, "main-running");

    // The reader unplugged while automatic initialization runs, then plugged in again.
    const auto waitFor = [form](const QString& status) {
        QDeadlineTimer deadline(10000);
        while (form->lblComStatTips->text() != status && !deadline.hasExpired()) {
            QApplication::processEvents();
            QThread::msleep(10);
        }
    };
    reader.Hangup();
    waitFor(QString::fromStdString(formtext::StatusLost("com3")));
    Save(form, out, "main-unplugged");
    reader.Reappear();
    waitFor(QString::fromStdString(formtext::StatusOpened("com3")));

    for (auto [text, kind, buttons, name] :
         {std::tuple{QString(OutcomeMessage(InitOutcome::AlreadyInitialized)), mkInformation, MessageButtons(mbOK),
                     "dialog-info"},
          std::tuple{QString(formtext::kNotPlaced), mkInformation, MessageButtons(mbOK), "dialog-placement"},
          std::tuple{QString(OutcomeMessage(InitOutcome::NotANewCard)) + "是否重试？", mkConfirmation,
                     MessageButtons(mbYes | mbNo | mbCancel), "dialog-question"}}) {
        TMessageForm* dialog = BuildMessageDialog(text, kind, buttons);
        dialog->show();
        Save(dialog, out, name);
        delete dialog;
    }

    form->btnStopComm->click();
    Save(form, out, "main-closed");
    form->close();
    QApplication::processEvents();
    return 0;
}
