// The desk's record of card runs: one line per outcome as a spreadsheet reads it,
// and a record that cannot be written, which must never stop the cards.
#include "card_init/CardJournal.h"
#include "card_init/CardTally.h"
#include "harness/TempFolder.h"
#include "harness/TraceCapture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <vector>

namespace {

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The fields of one CSV line as RFC 4180 reads them.
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find("\r\n", at);
        EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
        if (end == std::string::npos) break;
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

}  // namespace

TEST(Journal, OneLinePerOutcomeWithItsCodeMessageAndProof) {
    const struct {
        std::optional<InitOutcome> outcome;  // nothing: a link error
        bool verify;
        const char* code;
        const char* message;
        const char* verified;
    } rows[] = {
        {InitOutcome::Ok, true, "ok", "", "yes"},
        {InitOutcome::Ok, false, "ok", "", "no"},
        {InitOutcome::AlreadyInitialized, true, "already-initialized", "该卡已初始化。", "yes"},
        {InitOutcome::NotANewCard, true, "not-a-new-card", "扇区密码校验失败，该卡不是新卡。", "no"},
        {InitOutcome::InitFailed, true, "init-failed", "初始化包号失败。", "no"},
        {InitOutcome::VerifyFailed, true, "verify-failed", "扇区密码写入后校验失败。", "no"},
        {InitOutcome::CardNotPlaced, true, "card-not-placed", "请放置IC卡", "no"},
        {InitOutcome::SerialReadFailed, true, "serial-read-failed", "读卡序列号失败。", "no"},
        {InitOutcome::CardSwapped, true, "card-swapped", "卡片已更换，初始化中止。", "no"},
        {InitOutcome::KeysUnavailable, true, "keys-unavailable", "扇区密码解密失败。", "no"},
        {std::nullopt, true, "link-error", "port \"com3\" gone, reopening", "no"},
    };
    harness::TempFolder folder("cardfmt-journal");
    const std::string file = folder.Path() + "/sub/cards.csv";  // the folder is made
    CardJournal journal = CardJournal::ToFile(file, "cardfmt");
    std::uint32_t serial = 0x00A1B2C3;
    for (const auto& row : rows) {
        if (row.outcome)
            journal.Record(serial++, *row.outcome, "com3", row.verify);
        else
            journal.RecordLinkError(serial++, row.message, "com3");
    }
    const std::string text = Contents(file);
    ASSERT_EQ(text.rfind("\xEF\xBB\xBF", 0), 0u) << "a byte-order mark first";
    const std::vector<std::string> lines = Lines(text.substr(3));
    ASSERT_EQ(lines.size(), std::size(rows) + 1);
    EXPECT_EQ(lines[0], "time,serial,outcome,message,port,version,verified");
    serial = 0x00A1B2C3;
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].code);
        const std::vector<std::string> fields = Fields(lines[i + 1]);
        ASSERT_EQ(fields.size(), 7u) << lines[i + 1];
        EXPECT_EQ(fields[0].size(), 25u) << fields[0];  // 2026-12-08T23:01:02+08:00
        EXPECT_EQ(fields[0][10], 'T');
        char expectedSerial[9];
        std::snprintf(expectedSerial, sizeof expectedSerial, "%08X", static_cast<unsigned>(serial++));
        EXPECT_EQ(fields[1], expectedSerial);
        EXPECT_EQ(fields[2], rows[i].code);
        EXPECT_EQ(fields[3], rows[i].message);
        EXPECT_EQ(fields[4], "com3");
        EXPECT_FALSE(fields[5].empty());
        EXPECT_EQ(fields[6], rows[i].verified);
    }

    // A port name is the operator's text: a spreadsheet must not run it as a formula.
    CardJournal::ToFile(file, "cardfmt").Record(1, InitOutcome::Ok, "=HYPERLINK(\"x\")", true);
    EXPECT_EQ(Fields(Lines(Contents(file).substr(3)).back())[4], "'=HYPERLINK(\"x\")");

    // A second journal on the same file appends without a second header.
    CardJournal::ToFile(file, "cardfmt").Record(1, InitOutcome::Ok, "com3", true);
    EXPECT_EQ(Lines(Contents(file).substr(3)).size(), std::size(rows) + 3);
    EXPECT_EQ(Contents(file).find("time,serial", 10), std::string::npos);
}

// A path that cannot be a file (its folder is a file): every line is dropped, the
// failure is said once in the trace, and Record returns each time.
TEST(Journal, ARecordThatCannotBeWrittenIsSaidOnce) {
    harness::TempFolder folder("cardfmt-journal");
    std::ofstream(folder.Path() + "/taken") << "x";
    harness::TraceCapture trace;
    CardJournal journal = CardJournal::ToFile(folder.Path() + "/taken/cards.csv", "cardfmt");
    for (int i = 0; i < 3; ++i) journal.Record(0x100u + i, InitOutcome::Ok, "com3", true);
    std::size_t said = 0;
    for (const std::string& line : trace.Lines()) said += line.rfind("发卡记录无法写入：", 0) == 0;
    EXPECT_EQ(said, 1u);
}

// A card run again after a link error is one card, counted by its last outcome.
TEST(Journal, TallyCountsACardRunAgainOnce) {
    CardTally tally;
    tally.Count(InitOutcome::Ok, false);
    tally.Count(std::nullopt, false);
    tally.Count(InitOutcome::AlreadyInitialized, true);
    tally.Count(InitOutcome::NotANewCard, false);
    EXPECT_EQ(tally.Summary(), "3 cards seen, 1 formatted, 1 already initialized, 1 failed");
}
