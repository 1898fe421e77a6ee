// cardfmt-sim: a simulated card reader on a pseudo-terminal.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "sim/SimReader.h"
#include "sim/console/ControlConsole.h"
#include "sim/console/DemoRunner.h"
#include "sim/console/LineLoop.h"
#include "sim/console/SimOptions.h"

namespace {

// Turns the quit signals into a readable descriptor. Must run before any thread
// starts so that every thread inherits the blocked mask and none of them gets
// killed mid-way, leaving the port table entry behind.
int QuitSignalFd() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    if (pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) return -1;
    return signalfd(-1, &set, SFD_CLOEXEC);
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = sim::ParseOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "cardfmt-sim: " << error << "\n\n" << sim::UsageText();
        return 2;
    }
    if (options->help) {
        std::cout << sim::UsageText();
        return 0;
    }
    // A controller that goes away must not kill us before the link is removed.
    signal(SIGPIPE, SIG_IGN);
    const int quitFd = QuitSignalFd();
    if (quitFd < 0) {
        std::perror("cardfmt-sim: signalfd");
        return 1;
    }

    std::unique_ptr<sim::SimReader> reader;
    try {
        reader = std::make_unique<sim::SimReader>(options->pace);
    } catch (const std::system_error& e) {
        std::cerr << "cardfmt-sim: no pseudo-terminal: " << e.what() << '\n';
        return 1;
    }
    if (!options->link.empty() && !reader->LinkAs(options->link)) {
        std::cerr << "cardfmt-sim: cannot link " << options->link << " in the port table\n";
        return 1;
    }
    if (options->card) reader->PlaceCard(sim::MifareCard(*options->card));

    std::cout << reader->SlavePath() << '\n';
    if (!options->link.empty()) std::cout << "linked as " << options->link << '\n';
    std::cout << std::flush;

    std::unique_ptr<sim::DemoRunner> demo;
    if (options->demoCards > 0) {
        demo = std::make_unique<sim::DemoRunner>(*reader, options->demoCards, sim::DemoTiming{},
                                                 [](const std::string& line) { std::cerr << line << std::endl; });
    }

    sim::ControlConsole console(*reader);
    sim::RunLineLoop(STDIN_FILENO, quitFd, [&](const std::string& line) {
        const sim::ControlConsole::Answer answer = console.Handle(line);
        std::cout << answer.line << '\n' << std::flush;
        return !answer.quit;
    });
    demo.reset();
    reader.reset();
    close(quitFd);
    return 0;
}
