#include "soak/SoakRun.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <thread>

#include "reader_link/CommandCodes.h"
#include "soak/Bounds.h"
#include "tests/support/InstallKeys.h"

namespace soak {
namespace {

constexpr const char* kPort = "com7";
// Labels of the independent random streams under the run's seed.
constexpr std::uint64_t kDeckStream = 1;
constexpr std::uint64_t kDriverStream = 2;
constexpr std::uint64_t kFaultStreamBase = 1000;

const ByteString kNoCardReply = {0x0A, 0x01};

InstallKeys LoadInstallKeys() { return {InstallKeyFor(5), InstallKeyFor(6)}; }

std::string Hex8(std::uint32_t serial) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(serial));
    return text;
}

std::optional<std::uint32_t> ParseSerial(const std::string& line) {
    if (line.size() < 10 || line[8] != ' ') return std::nullopt;
    std::uint32_t serial = 0;
    for (int i = 0; i < 8; ++i) {
        const char c = line[static_cast<std::size_t>(i)];
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0) return std::nullopt;
        serial = serial << 4 | static_cast<std::uint32_t>(digit);
    }
    return serial;
}

std::string ExpectedText(InitOutcome outcome) {
    return outcome == InitOutcome::Ok ? std::string(kOkText) : std::string(OutcomeMessage(outcome));
}

std::chrono::milliseconds Ms(std::chrono::steady_clock::duration d) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(d);
}

}  // namespace

SoakRun::SoakRun(const SoakOptions& options, std::uint64_t seed, const std::string& program)
    : options_(options),
      seed_(seed),
      reader_(options.pace),
      keys_(LoadInstallKeys()),
      deck_(sim::Prng::Derive(seed, kDeckStream), keys_),
      driver_(sim::Prng::Derive(seed, kDriverStream)),
      errorLog_(home_.Root() + "/cardfmt-watch.err"),
      watch_(program, kPort, errorLog_, options.trace) {
    tally_.seed = seed;
    tally_.pace = options.pace;
    // SIGINT stops at cards drawn up front, so they do not depend on what happened.
    const long stops = std::min(options.sigintStops, options.cards);
    while (static_cast<long>(sigintCards_.size()) < stops)
        sigintCards_.insert(static_cast<long>(driver_.Below(static_cast<std::uint64_t>(options.cards))));
}

std::uint64_t SoakRun::FaultTotal() const {
    const sim::FaultCounts c = reader_.RandomFaultCounts();
    std::uint64_t n = 0;
    for (std::uint64_t k : c.byKind) n += k;
    return n + static_cast<std::uint64_t>(tally_.vanishes + tally_.sigintStops + tally_.restarts);
}

void SoakRun::Report(const std::string& kind, const std::string& detail) {
    ++tally_.violations[kind];
    std::cerr << "soak: VIOLATION " << kind << ": " << detail << " (seed " << seed_ << ")\n";
}

void SoakRun::ReportCard(std::uint32_t serial, const Violation& v) {
    if (!reported_.insert({serial, v.kind}).second) return;
    const auto texts = texts_[serial];
    std::string said;
    for (const std::string& t : texts) said += (said.empty() ? "" : " | ") + t;
    Report(v.kind, "card " + Hex8(serial) + " (" + CardKindName(cards_[serial].kind) + "): " + v.detail +
                       "; printed: " + (said.empty() ? std::string(kNoReport) : said));
}

void SoakRun::DumpRecent() {
    // Command codes and reply status only: authentication and trailer frames carry keys.
    const auto log = reader_.Exchanges();
    std::cerr << "soak:   requests of this card (ms, command, reply status, faults drawn):\n";
    for (std::size_t i = log.size() > 40 ? log.size() - 40 : 0; i < log.size(); ++i) {
        const sim::Exchange& e = log[i];
        std::string faults;
        for (std::size_t k = 0; k < sim::kFaultKinds; ++k)
            if (e.randomFaults & (1u << k))
                faults += std::string(" ") + sim::FaultKindName(static_cast<sim::FaultKind>(k));
        char item[64];
        std::snprintf(item, sizeof item, "soak:   %7lld  %02X -> ",
                      static_cast<long long>(Ms(e.requestStart - log[0].requestStart).count()),
                      e.request.empty() ? 0 : e.request[0]);
        std::cerr << item << (e.reply && e.reply->size() >= 2 ? HexDump(e.reply->data(), 2) : std::string("(none)"))
                  << faults << '\n';
    }
    std::ifstream err(errorLog_);
    std::vector<std::string> tail;
    for (std::string line; std::getline(err, line);) {
        tail.push_back(line);
        if (tail.size() > 30) tail.erase(tail.begin());
    }
    for (const std::string& line : tail) std::cerr << "soak:   cardfmt: " << line << '\n';
}

void SoakRun::Collect() {
    for (const std::string& line : watch_.TakeLines()) {
        const auto serial = ParseSerial(line);
        if (!serial) {
            Report("unparsed-output", "cardfmt printed '" + line + "'");
            continue;
        }
        if (!cards_.count(*serial)) {
            Report("report-for-unknown-card", "cardfmt printed '" + line + "'");
            continue;
        }
        ++tally_.lines;
        texts_[*serial].push_back(line.substr(9));
    }
}

bool SoakRun::WatchHasPolled() const {
    const auto log = reader_.Exchanges();
    return std::any_of(log.begin(), log.end(),
                       [&](const sim::Exchange& e) { return e.requestStart > watch_.StartedAt(); });
}

// True once the tool polls an empty reader again: two wake-up requests in a row,
// both answered "no card", closer together than a retry could be. Neither the card
// procedure nor the poll sends a wake-up right after a wake-up of its own, so the
// procedure, and the line it prints, are over.
bool SoakRun::BackToPolling(Clock::time_point since) const {
    const auto log = reader_.Exchanges();
    for (std::size_t i = 1; i < log.size(); ++i) {
        const sim::Exchange& a = log[i - 1];
        const sim::Exchange& b = log[i];
        const auto isEmptyPoll = [&](const sim::Exchange& e) {
            return e.requestStart >= since && !e.request.empty() && e.request[0] == command::kRequestCard &&
                   e.reply == kNoCardReply;
        };
        if (isEmptyPoll(a) && isEmptyPoll(b) && b.requestStart - a.requestStart < kReplyWait / 2) return true;
    }
    return false;
}

bool SoakRun::StartWatch() {
    if (!watch_.Start()) {
        Report("start-failed", "cardfmt could not be spawned");
        return false;
    }
    const auto deadline = Clock::now() + kStartLimit;
    while (Clock::now() < deadline) {
        Collect();
        if (WatchHasPolled()) return true;
        if (auto status = watch_.Exited()) {
            Collect();
            Report("start-failed", "cardfmt watch ended at once: " + DescribeStatus(*status));
            DumpRecent();
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
    Report("start-failed", "cardfmt watch never polled the reader");
    DumpRecent();
    return false;
}

void SoakRun::Restart(const std::string& why) {
    ++tally_.restarts;
    watch_.Kill();
    Collect();
    if (!StartWatch()) std::cerr << "soak: cardfmt could not be restarted after " << why << '\n';
}

void SoakRun::Vanish(Clock::duration outage) {
    ++tally_.vanishes;
    reader_.Hangup();
    const auto back = Clock::now() + outage;
    while (Clock::now() < back) {
        Collect();
        std::this_thread::sleep_for(5ms);
    }
    if (!reader_.Reappear()) {
        std::cerr << "soak: the simulated reader could not come back (no pty)\n";
        std::exit(2);
    }
}

void SoakRun::InterruptAndRestart() {
    ++tally_.sigintStops;
    const auto sent = Clock::now();
    watch_.Interrupt();
    const auto status = watch_.WaitExit(Ms(kStopLimit));
    tally_.longestStop = std::max(tally_.longestStop, Ms(Clock::now() - sent));
    Collect();
    if (!status) {
        Report("sigint-hang",
               "cardfmt watch did not end within " + std::to_string(Ms(kStopLimit).count()) + " ms of SIGINT");
        DumpRecent();
        watch_.Kill();
    } else if (!WIFEXITED(*status) || WEXITSTATUS(*status) != 0) {
        Report("sigint-exit", "cardfmt watch ended with " + DescribeStatus(*status) + " after SIGINT");
        DumpRecent();
    }
    if (!StartWatch()) std::cerr << "soak: cardfmt could not be restarted after SIGINT\n";
}

SoakRun::Disturbance SoakRun::DrawDisturbance(long index) {
    // Drawn the same way for every card, so one card's draws never shift another's.
    Disturbance d;
    const bool vanish = driver_.Chance(options_.vanishChance);
    const auto vanishAfter = std::chrono::milliseconds(driver_.Between(0, 400));
    const auto vanishFor = std::chrono::milliseconds(driver_.Between(100, 2500));
    const auto sigintAfter = std::chrono::milliseconds(driver_.Between(0, 600));
    if (vanish) {
        d.vanishAfter = vanishAfter;
        d.vanishFor = vanishFor;
    }
    if (sigintCards_.count(index)) d.sigintAfter = sigintAfter;
    return d;
}

void SoakRun::PresentCard(long index) {
    const SoakCard card = deck_.Next();
    const std::uint32_t serial = card.original.Serial();
    cards_[serial] = card;
    ++tally_.cardKinds[CardKindName(card.kind)];
    const Disturbance plan = DrawDisturbance(index);
    const auto gap = std::chrono::milliseconds(driver_.Between(0, 150));
    std::this_thread::sleep_for(gap);

    const std::uint64_t faultsBefore = FaultTotal();
    reader_.ClearExchanges();
    reader_.SetRandomFaults(options_.rates,
                            sim::Prng::Derive(seed_, kFaultStreamBase + static_cast<std::uint64_t>(index)));
    reader_.PlaceCard(card.original);
    const auto placed = Clock::now();
    auto deadline = placed + kCardLimit;
    bool vanished = false, interrupted = false, disturbed = false;
    std::optional<Clock::time_point> goneSince;
    End end = End::Waiting;

    for (;;) {
        Collect();
        const auto now = Clock::now();
        if (end == End::Waiting && !texts_[serial].empty()) end = End::Reported;
        if (end == End::Waiting) {
            const auto onReader = reader_.CardOnReader();
            if (!goneSince && (!onReader || onReader->Serial() != serial)) goneSince = now;
            if (goneSince && BackToPolling(*goneSince)) {
                Collect();
                end = texts_[serial].empty() ? End::Left : End::Reported;
            }
        }
        if (plan.vanishAfter && !vanished && (end != End::Waiting || now >= placed + *plan.vanishAfter)) {
            vanished = disturbed = true;
            Vanish(plan.vanishFor);
            deadline += plan.vanishFor + kReconnectSlack;
            continue;
        }
        if (plan.sigintAfter && !interrupted && (end != End::Waiting || now >= placed + *plan.sigintAfter) &&
            WatchHasPolled()) {
            interrupted = disturbed = true;
            InterruptAndRestart();
            deadline = Clock::now() + kCardLimit;
            continue;
        }
        if (end != End::Waiting) break;
        if (auto status = watch_.Exited()) {
            disturbed = true;
            Collect();
            Report("crash",
                   "cardfmt watch ended on its own with " + DescribeStatus(*status) + " at card " + Hex8(serial));
            DumpRecent();
            Restart("a crash");
            deadline = Clock::now() + kCardLimit;
            continue;
        }
        if (now >= deadline) {
            disturbed = true;
            Report("hang", "card " + Hex8(serial) + " (" + CardKindName(card.kind) + ") got no line within " +
                               std::to_string(Ms(now - placed).count()) +
                               " ms and the tool did not go back to polling");
            DumpRecent();
            // Off the reader first, so the restarted tool does not start on it after it was judged.
            reader_.RemoveCard();
            Restart("a hang");
            end = End::Hung;
            break;
        }
        std::this_thread::sleep_for(5ms);
    }
    reader_.RemoveCard();
    Collect();
    // Clean: no fault since the previous card was laid, so nothing can have spilled over.
    const bool clean = !disturbed && !previousDisturbed_ && FaultTotal() == faultsAtPreviousStart_;
    faultsAtPreviousStart_ = faultsBefore;
    previousDisturbed_ = disturbed;
    Judge(card, clean);
    if (!options_.quiet && (index + 1) % 50 == 0)
        std::cerr << "soak: " << index + 1 << " cards, " << tally_.ViolationCount() << " violations\n";
}

void SoakRun::Judge(const SoakCard& card, bool clean) {
    const std::uint32_t serial = card.original.Serial();
    const std::vector<std::string>& texts = texts_[serial];
    ++tally_.outcomes[texts.empty() ? std::string(kNoReport) : texts.front()];
    const auto now = reader_.CardBySerial(serial);
    if (!now) {
        ReportCard(serial, {"card-lost", "the reader has no record of the card"});
        return;
    }
    std::vector<Violation> found = CheckCard(card.original, *now, keys_, texts);
    if (clean) {
        ++tally_.cleanCards;
        const std::string expected = ExpectedText(card.expected);
        if (texts.empty() || texts.front() != expected)
            found.push_back({"wrong-outcome", "met no fault, expected '" + expected + "'"});
    }
    for (const Violation& v : found) ReportCard(serial, v);
    if (!found.empty()) DumpRecent();
}

void SoakRun::FinalChecks() {
    // Lines that came after a card was judged (a card reported again) count too.
    for (const auto& [serial, card] : cards_) {
        const auto now = reader_.CardBySerial(serial);
        if (!now) continue;
        for (const Violation& v : CheckCard(card.original, *now, keys_, texts_[serial])) ReportCard(serial, v);
    }
}

bool SoakRun::Run() {
    const auto start = Clock::now();
    if (!reader_.LinkAs(kPort)) {
        std::cerr << "soak: cannot link the simulated reader as " << kPort << " in " << home_.PortsFolder() << '\n';
        return false;
    }
    if (!StartWatch()) return false;
    for (long i = 0; i < options_.cards; ++i) {
        PresentCard(i);
        ++tally_.cards;
    }
    // The last stop is checked like the others but not counted among them.
    watch_.Interrupt();
    const auto status = watch_.WaitExit(Ms(kStopLimit));
    Collect();
    if (!status) {
        Report("sigint-hang", "cardfmt watch did not end after the final SIGINT");
        watch_.Kill();
    } else if (!WIFEXITED(*status) || WEXITSTATUS(*status) != 0) {
        Report("sigint-exit", "cardfmt watch ended with " + DescribeStatus(*status) + " after the final SIGINT");
    }
    FinalChecks();
    tally_.faults = reader_.RandomFaultCounts();
    tally_.elapsed = Ms(Clock::now() - start);
    return true;
}

}  // namespace soak
