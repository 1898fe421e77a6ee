#include "bench/SimChild.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include "sim/SimReader.h"

namespace bench {
namespace {

// The child's answers and its card events share one pipe: each is one short line,
// written whole.
const std::string kCardEvent = "card";

// Generous: only ever reached when the child is stuck.
constexpr std::chrono::minutes kAnswerPatience{10};

void WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return;
        }
    }
}

// One line from a blocking descriptor, without the newline; "" at end of file.
std::string ReadCommand(int fd) {
    std::string line;
    char c = 0;
    for (;;) {
        const ssize_t n = read(fd, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0 || c == '\n') return line;
        line.push_back(c);
    }
}

int Serve(const SimChild::Options& options, int commands, int answers) {
    int status = 0;
    sim::SimReader reader(options.pace);
    if (!options.linkAs.empty() && !reader.LinkAs(options.linkAs)) status = 3;
    std::atomic<int> done{0};
    if (options.freshCards > 0) {
        reader.PlaceCard(sim::MifareCard(options.firstSerial));
        reader.SetSignalObserver([&](const sim::SignalRecord& signal) {
            if (signal.mode != 3) return;
            const int n = ++done;
            if (n < options.freshCards)
                reader.PlaceCard(sim::MifareCard(options.firstSerial + static_cast<std::uint32_t>(n)));
            WriteAll(answers, kCardEvent + "\n");
        });
    }
    WriteAll(answers, reader.SlavePath() + "\n");
    for (;;) {
        const std::string command = ReadCommand(commands);
        if (command.empty()) break;
        if (command == "exchanges") WriteAll(answers, std::to_string(reader.Exchanges().size()) + "\n");
    }
    reader.SetSignalObserver({});
    return status;
}

}  // namespace

SimChild::SimChild(const Options& options)
    : child_([&options](int commands, int answers) { return Serve(options, commands, answers); }) {
    if (!child_.Running()) throw std::runtime_error("the simulated reader could not be forked");
    slavePath_ = Answer();
    if (slavePath_.empty()) throw std::runtime_error("the simulated reader did not start");
}

SimChild::~SimChild() {
    child_.CloseInput();
    child_.WaitForExit();
}

std::string SimChild::Answer() {
    for (;;) {
        const std::optional<std::string> line = child_.ReadLine(kAnswerPatience);
        if (!line) return "";
        if (*line != kCardEvent) return *line;
        ++cardsDone_;
    }
}

std::uint64_t SimChild::Exchanges() {
    child_.Send("exchanges\n");
    return std::strtoull(Answer().c_str(), nullptr, 10);
}

void SimChild::ReadEvents(std::chrono::milliseconds timeout) {
    for (auto line = child_.ReadLine(timeout); line; line = child_.ReadLine(std::chrono::milliseconds(0)))
        if (*line == kCardEvent) ++cardsDone_;
}

int SimChild::CardsDone() {
    ReadEvents(std::chrono::milliseconds(0));
    return cardsDone_;
}

bool SimChild::WaitCardsDone(int count, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (CardsDone() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        ReadEvents(std::min<std::chrono::milliseconds>(left, std::chrono::seconds(1)));
    }
    return true;
}

}  // namespace bench
