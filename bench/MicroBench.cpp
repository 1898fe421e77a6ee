// cardfmt_bench_micro: the per-frame work of the link (Google Benchmark), on the
// frames the tool really sends and the replies the reader really gives.
//
//   Crc16Frame/<frame>       the checksum over a request's header and command, and
//                            over a reply's header and payload (as OnFrameReceived
//                            checks it)
//   BuildFrame/<command>     a request frame from its command bytes
//   OnFrameReceived/<reply>  judging a collected reply frame and copying its payload
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"

#include "reader_link/CommObjClas.h"
#include "reader_link/CrcUnit.h"
#include "reader_link/FrameLayout.h"
#include "reader_link/SectorTrailer.h"
#include "sim/Framing.h"

namespace {

struct Named {
    std::string name;
    ByteString bytes;
};

// Bytes on the line of the frame each benchmark works on, by benchmark name.
std::map<std::string, std::size_t>& FrameBytes() {
    static std::map<std::string, std::size_t> bytes;
    return bytes;
}

// Prints the usual console table (to stderr) and, at the end, one row per family for
// the bench table: the CPU time per frame against the frame's time on the line.
class RowReporter : public benchmark::ConsoleReporter {
public:
    RowReporter() : ConsoleReporter(OO_None) {}
    void ReportRuns(const std::vector<Run>& reports) override {
        ConsoleReporter::ReportRuns(reports);
        for (const Run& run : reports) {
            if (run.error_occurred) continue;
            // With repetitions only the median counts; without, the single run.
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
            if (run.run_type == Run::RT_Iteration && run.repetitions > 1) continue;
            const std::string name = run.run_name.str();
            const double ns = run.GetAdjustedCPUTime() * Scale(run.time_unit);
            results_[name] = ns;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const std::string family : {"Crc16Frame", "BuildFrame", "OnFrameReceived"}) {
            double lo = 1e300, hi = 0, worstShare = 0;
            std::size_t count = 0;
            for (const auto& [name, ns] : results_) {
                if (name.rfind(family + "/", 0) != 0) continue;
                lo = std::min(lo, ns);
                hi = std::max(hi, ns);
                const double wireNs = bench::WireSeconds(FrameBytes()[name]) * 1e9;
                worstShare = std::max(worstShare, ns / wireNs);
                ++count;
            }
            if (!count) continue;
            bench::Row(family + " CPU per frame (" + std::to_string(count) + " real frames)",
                       bench::Fixed(lo, 0) + "-" + bench::Fixed(hi, 0) +
                           " ns (<= " + bench::Fixed(worstShare * 100, 4) + " % of the frame's line time)",
                       "< 1 % of line time", bench::YesNo(worstShare < 0.01));
        }
    }

private:
    static double Scale(benchmark::TimeUnit unit) {
        switch (unit) {
            case benchmark::kNanosecond: return 1;
            case benchmark::kMicrosecond: return 1e3;
            case benchmark::kMillisecond: return 1e6;
            case benchmark::kSecond: return 1e9;
        }
        return 1;
    }
    std::map<std::string, double> results_;
};

ByteString WriteTrailerCommand() {
    ByteString c{0x34, 0x17};
    c.insert(c.end(), kTransportKey.begin(), kTransportKey.end());  // key A: any six bytes cost the same
    c.insert(c.end(), kTrailerAccessBytes.begin(), kTrailerAccessBytes.end());
    c.insert(c.end(), kTrailerKeyB.begin(), kTrailerKeyB.end());
    return c;
}

ByteString AuthenticateCommand() {
    ByteString c{0x32, 0x14};
    c.insert(c.end(), kTransportKey.begin(), kTransportKey.end());
    return c;
}

// The commands of a card's formatting and of the watcher's polls.
const std::vector<Named>& Commands() {
    static const std::vector<Named> commands = {
        {"RequestCard", {0x30, 0x01}},
        {"ReadCardSerial", {0x31, 0x00}},
        {"Authenticate", AuthenticateCommand()},
        {"WriteSectorTrailer", WriteTrailerCommand()},
        {"SendSignal", {0x38, 0x03}},
        {"ProbeReader", {0x01, 0x00}},
    };
    return commands;
}

// The replies to them.
const std::vector<Named>& Replies() {
    static const std::vector<Named> replies = {
        {"RequestCard", sim::FrameReply({0x0A, 0x00, 0x04, 0x00})},
        {"NoCard", sim::FrameReply({0x0A, 0x01})},
        {"ReadCardSerial", sim::FrameReply({0x36, 0x00, 0x01, 0x00, 0x5A, 0x5A, 0x08})},
        {"Status", sim::FrameReply({0x0A, 0x00})},
        {"ProbeReader", sim::FrameReply({0x01, 0x00, 0x00})},
    };
    return replies;
}

void Register() {
    for (const Named& c : Commands()) {
        // BuildFrame checks the header word and command: checksum over both.
        ByteString body{0x00, 0x00, 0xFF, 0xFF};
        body.insert(body.end(), c.bytes.begin(), c.bytes.end());
        FrameBytes()["Crc16Frame/request/" + c.name] = c.bytes.size() + sim::kRequestOverhead;
        benchmark::RegisterBenchmark(("Crc16Frame/request/" + c.name).c_str(), [body](benchmark::State& state) {
            for (auto _ : state) {
                benchmark::DoNotOptimize(Crc16Frame(body.data(), static_cast<std::int32_t>(body.size())));
            }
            state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body.size()));
            state.SetLabel(std::to_string(body.size()) + " B");
        });
    }
    for (const Named& r : Replies()) {
        const ByteString reply = r.bytes;
        FrameBytes()["Crc16Frame/reply/" + r.name] = reply.size();
        benchmark::RegisterBenchmark(("Crc16Frame/reply/" + r.name).c_str(), [reply](benchmark::State& state) {
            const auto count = frame::kReply.CheckedSize(static_cast<std::int32_t>(reply.size()));
            for (auto _ : state) {
                benchmark::DoNotOptimize(Crc16Frame(reply.data() + frame::kReply.HeaderAt(), count));
            }
            state.SetBytesProcessed(state.iterations() * count);
            state.SetLabel(std::to_string(count) + " B");
        });
    }
    for (const Named& c : Commands()) {
        const ByteString command = c.bytes;
        FrameBytes()["BuildFrame/" + c.name] = command.size() + sim::kRequestOverhead;
        benchmark::RegisterBenchmark(("BuildFrame/" + c.name).c_str(), [command](benchmark::State& state) {
            for (auto _ : state) {
                ByteString frame = TCommClass::BuildFrame(command, 0);
                benchmark::DoNotOptimize(frame.data());
            }
            state.SetLabel(std::to_string(command.size() + sim::kRequestOverhead) + " B frame");
        });
    }
    for (const Named& r : Replies()) {
        const ByteString frame = r.bytes;
        FrameBytes()["OnFrameReceived/" + r.name] = frame.size();
        benchmark::RegisterBenchmark(("OnFrameReceived/" + r.name).c_str(), [frame](benchmark::State& state) {
            TCommClass comm([](const std::string&) { return platform::OpenResult{}; });
            const auto count = static_cast<std::int32_t>(frame.size());
            for (auto _ : state) {
                bool accepted = false;
                comm.OnFrameReceived(frame.data(), count, accepted);
                benchmark::DoNotOptimize(accepted);
                benchmark::ClobberMemory();
            }
            state.SetLabel(std::to_string(frame.size()) + " B frame");
        });
    }
}

}  // namespace

int main(int argc, char** argv) {
    Register();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RowReporter reporter;
    reporter.SetOutputStream(&std::cerr);
    reporter.SetErrorStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
