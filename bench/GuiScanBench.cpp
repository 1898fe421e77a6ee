// cardfmt_bench_gui_scan: what the window's port scan costs when no port can be
// opened, and how long it takes to find a reader that is there.
//
//   cardfmt_bench_gui_scan [--seconds N]
//
// Hosts the main window as cardfmt-gui does (offscreen), over a private port table.
// First com3 is the simulated reader (in a process of its own) and com1, com2 lead
// nowhere: 打开串口 is clicked and the time until "com3已打开..." is taken. Then the
// port is closed, com3 leads nowhere as well, and 打开串口 is clicked again: the scan
// goes round com1..com15 without end; after a second of warming up, this process's
// CPU time is taken over N seconds (default 10), then 停止打开com口 ends the scan.
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchDesk.h"
#include "bench/BenchSupport.h"
#include "ui/qt/QtMainForm.h"

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

int main(int argc, char** argv) {
    signal(SIGPIPE, SIG_IGN);
    int seconds = static_cast<int>(bench::CommandLine(argc, argv, {"--seconds"}).Number("--seconds", 10));
    if (seconds < 1) seconds = 1;

    bench::ReaderDesk desk("cardfmt-bench-gui-scan");

    QApplication app(argc, argv);
    app.setApplicationName("发卡格式机");
    auto* form = new QtMainForm;
    form->show();
    QCoreApplication::processEvents();

    // The scan runs inside the click and returns once it has ended.
    const auto findStart = Clock::now();
    form->btnOpenComm->click();
    const double findMs = std::chrono::duration<double, std::milli>(Clock::now() - findStart).count();
    const bool found = form->lblComStatTips->text() == QStringLiteral("com3已打开...");
    bench::Row("window scan: reader on com3 found (com1, com2 unopenable)", bench::Fixed(findMs, 1) + " ms", "report",
               found ? "n/a" : "no");
    if (!found) std::fprintf(stderr, "the scan did not find the simulated reader\n");
    form->btnStopComm->click();
    desk.Ports().Dead(3);

    bench::CpuSample cpu0;
    bench::CpuSample cpu1;
    Clock::time_point wall0;
    Clock::time_point wall1;
    QTimer::singleShot(1000, form, [&] {
        cpu0 = bench::SelfCpu();
        wall0 = Clock::now();
    });
    QTimer::singleShot(1000 + seconds * 1000, form, [&] {
        cpu1 = bench::SelfCpu();
        wall1 = Clock::now();
        form->btnStopOpening->click();
    });
    form->btnOpenComm->click();

    const double wallS = std::chrono::duration<double>(wall1 - wall0).count();
    const double cpuS = cpu1.seconds - cpu0.seconds;
    const double percent = wallS > 0 ? 100.0 * cpuS / wallS : -1;
    const bool stopped = form->lblComStatTips->text() == QStringLiteral("用户停止打开");
    std::fprintf(stderr, "empty scan: %.3f s CPU in %.2f s, %ld voluntary switches\n", cpuS, wallS,
                 cpu1.voluntarySwitches - cpu0.voluntarySwitches);
    bench::Row("window scan CPU, no port can be opened",
               bench::Fixed(percent, 2) + " % of a core (" + bench::Fixed(cpuS * 1000, 0) + " ms in " +
                   bench::Fixed(wallS, 0) + " s)",
               "<= 5 %", bench::YesNo(stopped && percent >= 0 && percent <= 5.0));
    if (!stopped) std::fprintf(stderr, "the scan did not stop\n");
    delete form;
    return found && stopped ? 0 : 1;
}
