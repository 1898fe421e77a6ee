// cardfmt_bench_gui_memory: peak resident memory of the window program after
// formatting N cards (default 100) on the simulated reader.
//
//   cardfmt_bench_gui_memory [--cards N]
//
// Hosts the main window as cardfmt-gui does (offscreen), in a fresh installation
// folder with a private port table whose com3 is the simulated reader; clicks
// 打开串口 (the scan skips com1 and com2) and 开始初始化, and lets the reader, in a
// process of its own, lay the next fresh card each time the last one got signal
// mode 3. Reports VmHWM after the first card and after the last.
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchDesk.h"
#include "bench/BenchSupport.h"
#include "ui/qt/QtMainForm.h"

int main(int argc, char** argv) {
    signal(SIGPIPE, SIG_IGN);
    int cards = static_cast<int>(bench::CommandLine(argc, argv, {"--cards"}).Number("--cards", 100));
    if (cards < 1) cards = 1;

    bench::ReaderDesk desk("cardfmt-bench-gui", cards);
    bench::SimChild& reader = desk.Reader();

    QApplication app(argc, argv);
    app.setApplicationName("发卡格式机");
    QPointer<QtMainForm> form = new QtMainForm;
    form->show();
    QCoreApplication::processEvents();

    form->btnOpenComm->click();
    if (!form->btnStartInit->isEnabled()) {
        std::fprintf(stderr, "the scan did not find the simulated reader\n");
        return 1;
    }
    const long beforeCardsKiB = bench::SelfPeakRssKiB();
    form->btnStartInit->click();

    const auto start = std::chrono::steady_clock::now();
    long afterFirstKiB = 0;
    bool timedOut = false;
    // A loop of its own: quitting the application would close (and free) the window.
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        const int done = reader.CardsDone();
        if (done >= 1 && afterFirstKiB == 0) afterFirstKiB = bench::SelfPeakRssKiB();
        if (done >= cards || !form) loop.quit();
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(60 + cards)) {
            timedOut = true;
            loop.quit();
        }
    });
    check.start(20);
    loop.exec();
    check.stop();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int done = reader.CardsDone();
    const long peakKiB = bench::SelfPeakRssKiB();

    if (form) {
        form->btnStartInit->click();  // stops the watcher
        delete form;
    }

    std::fprintf(stderr,
                 "window host: %d cards in %.1f s; peak RSS %ld KiB before the first card, %ld KiB after it, %ld KiB "
                 "after %d cards\n",
                 done, seconds, beforeCardsKiB, afterFirstKiB, peakKiB, done);
    const bool ok = !timedOut && done >= cards && afterFirstKiB > 0;
    bench::Row("peak RSS, window (QtMainForm as in cardfmt-gui) after " + std::to_string(cards) + " cards",
               std::to_string(peakKiB) + " KiB (1 card: " + std::to_string(afterFirstKiB) + " KiB)", "report",
               ok ? "n/a" : "no");
    if (!ok) std::fprintf(stderr, "only %d of %d cards were formatted\n", done, cards);
    return ok ? 0 : 1;
}
