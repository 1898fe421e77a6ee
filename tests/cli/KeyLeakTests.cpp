// The plain installation keys appear nowhere the operator or anybody else could read
// them: in no program or library that was built, and in no trace line of full runs.
#include "harness/InstallKeys.h"
#include "harness/PortTable.h"
#include "reader_link/ByteString.h"
#include "reader_link/SectorTrailer.h"
#include "sim/SimReader.h"
#include "tests/cli/CardfmtProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Plain(const sim::Key& key) { return std::string(key.begin(), key.end()); }
std::string HexRun(const sim::Key& key) {
    std::string dump = HexDump(key.data(), key.size());
    dump.erase(std::remove(dump.begin(), dump.end(), ','), dump.end());
    return dump;
}

// Every way a key could show up in a file or a text, each with a name that does
// not give the key away (test logs are kept).
std::vector<std::pair<std::string, std::string>> Forms() {
    std::vector<std::pair<std::string, std::string>> forms;
    for (int sector : {5, 6}) {
        const sim::Key key = harness::InstallKeyFor(sector);
        const std::string name = "sector " + std::to_string(sector) + " key";
        forms.emplace_back(name + " (bytes)", Plain(key));
        forms.emplace_back(name + " (hex)", HexRun(key));
        forms.emplace_back(name + " (hex, lower case)", Lower(HexRun(key)));
        forms.emplace_back(name + " (trace dump)", HexDump(key.data(), key.size()));
    }
    return forms;
}

std::string FindAnyKey(const std::string& text) {
    for (const auto& [name, form] : Forms())
        if (text.find(form) != std::string::npos) return name;
    return {};
}

// `cardfmt init --trace` on the card lying on the reader; its stderr.
std::string InitWithTrace() {
    const harness::Outcome run = harness::RunCardfmt({"init", "--port", "com3", "--trace"});
    EXPECT_NE(run.exitCode, 2) << run.err;
    return run.err;
}

}  // namespace

TEST(KeyLeak, NoBuiltProgramOrLibraryHoldsAnInstallationKey) {
    const fs::path program = CARDFMT_PROGRAM;
    std::vector<fs::path> files;
    for (const fs::path& dir : {program.parent_path(), program.parent_path().parent_path() / "lib"}) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(dir, ec))
            if (entry.is_regular_file()) files.push_back(entry.path());
    }
    // The search must have reached the programs that matter.
    const auto has = [&](const std::string& name) {
        return std::any_of(files.begin(), files.end(),
                           [&](const fs::path& f) { return f.filename().string().find(name) != std::string::npos; });
    };
    ASSERT_TRUE(has("cardfmt")) << "no programs found beside " << program;
    ASSERT_TRUE(has("Cryptel")) << "the key library was not found";
    for (const fs::path& file : files) {
        const std::string bytes = harness::ReadFile(file.string());
        EXPECT_EQ(FindAnyKey(bytes), "") << file;
    }
}

TEST(KeyLeak, NoTraceLineOfFullRunsHoldsAKey) {
    harness::PortTable table;
    sim::SimReader sim;
    ASSERT_TRUE(sim.LinkAs("com3"));
    std::string traces;
    // A fresh card (both keys written), the same card again (authenticated with the
    // installation keys), and a card half done (one of each).
    sim.PlaceCard(sim::MifareCard(0x7E570001));
    for (int run = 0; run < 2; ++run) traces += InitWithTrace();
    sim::MifareCard half(0x7E570002);
    half.SetKeyA(6, harness::InstallKeyFor(6));
    half.SetKeyB(6, kTrailerKeyB);
    sim.PlaceCard(half);
    traces += InitWithTrace();

    // The runs did what they should, and the trace holds their frames.
    ASSERT_EQ(sim.CardBySerial(0x7E570002)->KeyA(5), harness::InstallKeyFor(5));
    EXPECT_GE(std::count(traces.begin(), traces.end(), '\n'), 20);
    EXPECT_EQ(FindAnyKey(traces), "");
    EXPECT_EQ(traces.find(HexDump(kTrailerKeyB.data(), kTrailerKeyB.size())), std::string::npos) << "key B";
}
