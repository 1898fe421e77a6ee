// cardfmt_bench_cycle: how close one card's formatting comes to the time its bytes
// need on the 9600-baud line.
//
// The simulated reader paces every byte as the real line would (ten bit times a byte,
// a reply not before its request has crossed) and logs when each request's first byte
// came and when each reply's last byte left. The card watcher and the card procedure
// run in this process exactly as `cardfmt watch` runs them. Per card the span starts
// at the first byte of the RequestCard that finds the card and ends with the last
// byte of the reply to the card's last exchange: signal mode 3 for a fresh card, the
// second trailer write for a card that is already initialized (its message comes
// after that and puts nothing more on the line). The line is half-duplex and every
// exchange is request then reply, so the lower bound is the line time of all request
// and reply bytes of the span, one after the other.
//
// The N fresh and M initialized cards run without the final proof on the card (as
// `--no-verify` does); then V more fresh cards are formatted verified, as every run
// of the tool does by default. The verified cycle is set against its own wire bound,
// and what verifying adds to a card against the line time of the bytes it adds.
//
//   cardfmt_bench_cycle [--cards N] [--initialized M] [--verified V] [--quiet]
//   cardfmt_bench_cycle --serve [--cards N] [--quiet]
//
// With --serve the watcher is another program (cardfmt.exe watch under wine, for
// instance): the reader's pty is printed on the first line of stdout, cards are laid
// once that program polls, and a card ends with the reply to signal mode 3. Fresh
// cards only: another program's procedure cannot say when an initialized card is done.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchSupport.h"
#include "card_init/AutoFindCard.h"
#include "card_init/CardInit.h"
#include "sim/SimReader.h"

namespace {

using namespace std::chrono;

struct CardRun {
    std::uint32_t serial = 0;
    InitOutcome outcome = InitOutcome::Ok;
    std::size_t exchangesAtEnd = 0;  // the log's size when the procedure returned
};

struct Cycle {
    bool ok = false;
    std::string problem;
    std::size_t exchanges = 0;
    std::size_t requestBytes = 0;
    std::size_t replyBytes = 0;
    double spanS = 0;
    double wireS = 0;
    double turnaroundS = 0;  // sum of the gaps between a reply's end and the next request
    double longestGapS = 0;
    double replyLatenessS = 0;  // the reader's own lag behind the paced schedule
    std::vector<double> gapsS;
};

bool IsRequest(const sim::Exchange& e, std::uint8_t command) { return !e.request.empty() && e.request[0] == command; }

Cycle Analyse(const std::vector<sim::Exchange>& log, const CardRun& run, bool fresh) {
    Cycle c;
    const std::size_t end = run.exchangesAtEnd;
    if (end == 0 || end > log.size()) {
        c.problem = "the exchange log does not reach the end of the procedure";
        return c;
    }
    // The RequestCard right before the serial read that returned this card's serial.
    std::optional<std::size_t> first;
    for (std::size_t i = 1; i < end; ++i) {
        const sim::Exchange& e = log[i];
        if (!IsRequest(e, 0x31) || !e.reply || e.reply->size() < 6 || (*e.reply)[0] != 0x36 || (*e.reply)[1] != 0x00)
            continue;
        const std::uint32_t serial =
            (*e.reply)[2] | (*e.reply)[3] << 8 | (*e.reply)[4] << 16 | static_cast<std::uint32_t>((*e.reply)[5]) << 24;
        if (serial == run.serial && IsRequest(log[i - 1], 0x30)) {
            first = i - 1;
            break;
        }
    }
    if (!first) {
        c.problem = "no RequestCard found the card";
        return c;
    }
    const sim::Exchange& last = log[end - 1];
    if (fresh && last.request != ByteString{0x38, 0x03}) {
        c.problem = "the last exchange is not signal mode 3";
        return c;
    }
    for (std::size_t i = *first; i < end; ++i) {
        const sim::Exchange& e = log[i];
        if (!e.replyEnd) {
            c.problem = "an exchange of the span has no complete reply";
            return c;
        }
        c.requestBytes += bench::RequestFrameBytes(e);
        c.replyBytes += bench::ReplyFrameBytes(e);
        const auto paced = sim::WireTime(bench::RequestFrameBytes(e) + bench::ReplyFrameBytes(e));
        c.replyLatenessS += duration<double>(*e.replyEnd - e.requestStart - paced).count();
        if (i + 1 < end) {
            const double gap = duration<double>(log[i + 1].requestStart - *e.replyEnd).count();
            c.gapsS.push_back(gap);
            c.turnaroundS += gap;
            c.longestGapS = std::max(c.longestGapS, gap);
        }
        ++c.exchanges;
    }
    c.spanS = duration<double>(*last.replyEnd - log[*first].requestStart).count();
    c.wireS = bench::WireSeconds(c.requestBytes + c.replyBytes);
    c.ok = true;
    return c;
}

// `limit` 0: the figure is reported without a target.
void Summarise(const char* what, const std::vector<Cycle>& cycles, const char* target, double limit) {
    if (cycles.empty()) return;
    std::vector<double> ratios, spans, gaps, afterSerial, lag;
    std::size_t bytes = 0;
    double wire = 0;
    for (const Cycle& c : cycles) {
        ratios.push_back(c.spanS / c.wireS);
        spans.push_back(c.spanS);
        bytes = c.requestBytes + c.replyBytes;
        wire = c.wireS;
        for (double g : c.gapsS) gaps.push_back(g);
        // After the serial read the card procedure deciphers the installation keys.
        if (c.gapsS.size() > 1) afterSerial.push_back(c.gapsS[1]);
        lag.push_back(c.replyLatenessS);
    }
    const double median = bench::Median(ratios);
    const double worst = *std::max_element(ratios.begin(), ratios.end());
    std::fprintf(stderr,
                 "%s: %zu cards, %zu bytes a card (%.1f ms of line time); span median %.1f ms; ratio median %.3f, "
                 "worst %.3f; turnaround between exchanges median %.2f ms; after the serial read (key "
                 "decipher included) median %.2f ms; the reader's own lag behind the paced schedule median "
                 "%.2f ms a card\n",
                 what, cycles.size(), bytes, wire * 1e3, bench::Median(spans) * 1e3, median, worst,
                 bench::Median(gaps) * 1e3, bench::Median(afterSerial) * 1e3, bench::Median(lag) * 1e3);
    const std::string name =
        std::string("card cycle / wire bound, ") + what + " card (median of " + std::to_string(cycles.size()) + ")";
    bench::Row(name,
               bench::Fixed(median, 3) + " (" + bench::Fixed(bench::Median(spans) * 1e3, 1) + " ms / " +
                   bench::Fixed(wire * 1e3, 1) + " ms, " + std::to_string(bytes) + " B)",
               target, limit > 0 ? bench::YesNo(median <= limit) : "n/a");
    bench::Row(std::string("card cycle / wire bound, ") + what + " card, worst", bench::Fixed(worst, 3), "report",
               "n/a");
    bench::Row(std::string("turnaround reply end -> next request, ") + what + " card (median)",
               bench::Fixed(bench::Median(gaps) * 1e3, 2) + " ms", "report", "n/a");
}

// The watcher runs elsewhere; a fresh card is done once signal mode 3 was answered.
int Serve(sim::SimReader& reader, int cards, bool quiet) {
    std::printf("%s\n", reader.SlavePath().c_str());
    std::fflush(stdout);
    if (!reader.WaitForExchanges(1, seconds(60))) {
        std::fprintf(stderr, "no program polled the reader within 60 s\n");
        return 1;
    }
    std::vector<Cycle> cycles;
    int failures = 0;
    const std::uint32_t base = 0x5B200001;
    for (int i = 0; i < cards; ++i) {
        CardRun run;
        run.serial = base + static_cast<std::uint32_t>(i);
        reader.ClearExchanges();
        reader.PlaceCard(sim::MifareCard(run.serial));
        const auto limit = steady_clock::now() + seconds(30);
        std::vector<sim::Exchange> log;
        while (steady_clock::now() < limit && run.exchangesAtEnd == 0) {
            std::this_thread::sleep_for(milliseconds(20));
            log = reader.Exchanges();
            for (std::size_t k = 0; k < log.size(); ++k)
                if (log[k].request == ByteString{0x38, 0x03} && log[k].replyEnd) {
                    run.exchangesAtEnd = k + 1;
                    break;
                }
        }
        if (run.exchangesAtEnd == 0) {
            std::fprintf(stderr, "card %08X: not formatted within 30 s\n", run.serial);
            ++failures;
            continue;
        }
        Cycle c = Analyse(log, run, true);
        if (!c.ok) {
            std::fprintf(stderr, "card %08X: %s\n", run.serial, c.problem.c_str());
            ++failures;
            continue;
        }
        if (!quiet)
            std::fprintf(stderr, "fresh %08X  span %7.1f ms  wire %7.1f ms  ratio %.3f  turnaround %5.1f ms\n",
                         run.serial, c.spanS * 1e3, c.wireS * 1e3, c.spanS / c.wireS, c.turnaroundS * 1e3);
        cycles.push_back(std::move(c));
    }
    Summarise("fresh (cardfmt.exe under wine)", cycles, "<= 1.03", 1.03);
    if (failures) {
        bench::Row("card cycle runs under wine that failed", std::to_string(failures), "0", "no");
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int freshCards = 20;
    int initializedCards = 5;
    int verifiedCards = 10;
    bool quiet = false;
    bool serve = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--cards" && i + 1 < argc) {
            freshCards = std::atoi(argv[++i]);
        } else if (arg == "--initialized" && i + 1 < argc) {
            initializedCards = std::atoi(argv[++i]);
        } else if (arg == "--verified" && i + 1 < argc) {
            verifiedCards = std::max(std::atoi(argv[++i]), 0);
        } else if (arg == "--quiet") {
            quiet = true;
        } else if (arg == "--serve") {
            serve = true;
        } else {
            std::fprintf(
                stderr,
                "usage: cardfmt_bench_cycle [--serve] [--cards N] [--initialized M] [--verified V] [--quiet]\n");
            return 2;
        }
    }
    if (freshCards < 1) freshCards = 1;
    initializedCards = std::min(std::max(initializedCards, 0), freshCards);

    sim::SimReader reader(/*pace=*/true);
    if (serve) return Serve(reader, freshCards, quiet);
    TCommClass comm;
    if (!comm.Connect(reader.SlavePath())) {
        std::fprintf(stderr, "cannot open %s: %s\n", reader.SlavePath().c_str(), comm.LastOpenError().c_str());
        return 1;
    }
    const KeyMaterial keys = InstallationKeyMaterial();

    std::mutex mutex;
    std::condition_variable changed;
    std::optional<CardRun> finished;
    std::vector<Cycle> freshCycles, initializedCycles, verifiedCycles;
    std::atomic<bool> verify{false};
    int failures = 0;
    {
        TAutoFindCardThrd watcher(&comm);
        watcher.OnNewCard = [&](std::uint32_t serial) {
            CardRun run;
            run.serial = serial;
            run.outcome = InitializeCard(comm, serial, keys, {}, InitOptions{.verify = verify.load()});
            run.exchangesAtEnd = reader.Exchanges().size();
            std::lock_guard lock(mutex);
            finished = run;
            changed.notify_all();
        };
        watcher.Start();

        const std::uint32_t base = 0x5A100001;
        auto present = [&](const sim::MifareCard& card, bool fresh) {
            {
                std::lock_guard lock(mutex);
                finished.reset();
            }
            reader.ClearExchanges();
            reader.PlaceCard(card);
            std::unique_lock lock(mutex);
            if (!changed.wait_for(lock, seconds(30), [&] { return finished.has_value(); })) {
                std::fprintf(stderr, "card %08X: not formatted within 30 s\n", card.Serial());
                ++failures;
                return;
            }
            const CardRun run = *finished;
            lock.unlock();
            const InitOutcome expected = fresh ? InitOutcome::Ok : InitOutcome::AlreadyInitialized;
            if (run.outcome != expected) {
                std::fprintf(stderr, "card %08X: unexpected outcome %s\n", run.serial, OutcomeMessage(run.outcome));
                ++failures;
                return;
            }
            Cycle c = Analyse(reader.Exchanges(), run, fresh);
            if (!c.ok) {
                std::fprintf(stderr, "card %08X: %s\n", run.serial, c.problem.c_str());
                ++failures;
                return;
            }
            if (!quiet)
                std::fprintf(stderr,
                             "%-11s %08X  exchanges %2zu  bytes %3zu out + %3zu in  span %7.1f ms  wire %7.1f ms  "
                             "ratio %.3f  turnaround %5.1f ms (longest gap %4.1f ms)  reader lag %4.1f ms\n",
                             verify.load() ? "verified"
                             : fresh       ? "plain"
                                           : "initialized",
                             run.serial, c.exchanges, c.requestBytes, c.replyBytes, c.spanS * 1e3, c.wireS * 1e3,
                             c.spanS / c.wireS, c.turnaroundS * 1e3, c.longestGapS * 1e3, c.replyLatenessS * 1e3);
            (verify.load() ? verifiedCycles : fresh ? freshCycles : initializedCycles).push_back(std::move(c));
        };

        for (int i = 0; i < freshCards; ++i) present(sim::MifareCard(base + static_cast<std::uint32_t>(i)), true);
        for (int i = 0; i < initializedCards; ++i) {
            auto card = reader.CardBySerial(base + static_cast<std::uint32_t>(i));
            if (card) present(*card, false);
        }
        verify.store(true);
        for (int i = 0; i < verifiedCards; ++i)
            present(sim::MifareCard(base + 0x10000 + static_cast<std::uint32_t>(i)), true);
        watcher.Stop();
    }
    comm.Disconnect();

    Summarise("fresh, --no-verify", freshCycles, "<= 1.10", 1.10);
    Summarise("initialized, --no-verify", initializedCycles, "<= 1.10", 1.10);
    Summarise("fresh, verified (the default)", verifiedCycles, "<= 1.03", 1.03);
    if (!freshCycles.empty() && !verifiedCycles.empty()) {
        std::vector<double> freshSpans, verifiedSpans;
        for (const Cycle& c : freshCycles) freshSpans.push_back(c.spanS);
        for (const Cycle& c : verifiedCycles) verifiedSpans.push_back(c.spanS);
        const double cost = bench::Median(verifiedSpans) - bench::Median(freshSpans);
        const std::size_t bytes = verifiedCycles.front().requestBytes + verifiedCycles.front().replyBytes -
                                  freshCycles.front().requestBytes - freshCycles.front().replyBytes;
        const double bound = bench::WireSeconds(bytes);
        std::fprintf(stderr, "verifying adds %.1f ms a card (median spans), %zu bytes = %.1f ms of line time\n",
                     cost * 1e3, bytes, bound * 1e3);
        bench::Row(
            "seconds a fresh card, verified / --no-verify (median spans)",
            bench::Fixed(bench::Median(verifiedSpans), 3) + " s / " + bench::Fixed(bench::Median(freshSpans), 3) + " s",
            "report", "n/a");
        bench::Row("what verifying adds to a fresh card (median, against its wire bound)",
                   bench::Fixed(cost * 1e3, 1) + " ms / " + bench::Fixed(bound * 1e3, 1) + " ms (" +
                       std::to_string(bytes) + " B, ratio " + bench::Fixed(cost / bound, 3) + ")",
                   "report", "n/a");
    }
    if (failures) {
        std::fprintf(stderr, "%d card(s) failed\n", failures);
        bench::Row("card cycle runs that failed", std::to_string(failures), "0", "no");
        return 1;
    }
    return 0;
}
